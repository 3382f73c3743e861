#ifndef HDRW_API_H
#define HDRW_API_H
/*
 * The C interface of the raw-disk reader module "hdrw", shared by the module
 * and the core's binding, which finds every entry point by its name.
 *
 * Paths are the file system's own bytes (UTF-8 on Linux) ending in NUL. A
 * failing call returns 0 and leaves its reason for Hdrw_GetLastError, per
 * thread. Handles are only valid on the thread's process and are closed with
 * Hdrw_CloseFile.
 */
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define HDRW_READ_MODE 2               /* Hdrw_OpenFile mode: read */
#define HDRW_READ_PIECE 65536u         /* bytes asked of Hdrw_ReadFile at a time */
#define HDRW_ATTR_ENCRYPTED 0x4000u    /* the file is encrypted: not read this way */

/* Hdrw_GetLastError codes */
#define HDRW_E_OPEN_PARTITION 0x20000101u
#define HDRW_E_FILE_SYSTEM 0x20000102u
#define HDRW_E_DOS_NAME 0x20000103u
#define HDRW_E_CLUSTER 0x20000104u
#define HDRW_E_MEMORY 0x20000105u
#define HDRW_E_PATH 0x20000106u
#define HDRW_E_NOT_FOUND 0x20000107u
#define HDRW_E_EXISTS 0x20000108u
#define HDRW_E_INTERNAL 0x20000109u
#define HDRW_E_SPACE 0x2000010Au
#define HDRW_E_OPEN_FILE 0x2000010Bu
#define HDRW_E_ACCESS 0x2000010Cu
#define HDRW_E_ROOT_FULL 0x2000010Du
#define HDRW_E_NO_PARTITION 0x2000010Eu
#define HDRW_E_NO_DISK 0x2000010Fu
#define HDRW_E_LOCK_TIMEOUT 0x20000110u
#define HDRW_E_MAGIC 0x20000111u
#define HDRW_E_NOT_FORMATTED 0x20000112u
#define HDRW_E_CLUSTERS 0x20000113u
#define HDRW_E_LOAD 0x20000114u
#define HDRW_E_HANDLE 0x20000116u
#define HDRW_E_LOCATE 0x20000117u

/* What Hdrw_OpenFile tells of the file it opened. */
typedef struct HdrwFileInfo {
    uint32_t attributes;               /* the system's attribute bits; HDRW_ATTR_ENCRYPTED */
    uint32_t reserved;
    uint64_t size;                     /* bytes */
    int64_t modified;                  /* microseconds since 1970-01-01 00:00 UTC */
} HdrwFileInfo;

typedef intptr_t HdrwHandle;           /* 0: none */

/* The reason of this thread's last failed call; `reserved` is 0. */
typedef uint32_t (*HdrwGetLastErrorFn)(int32_t reserved);
/* Non-zero when files on the volume mounted at `root` can be read. */
typedef int32_t (*HdrwGetPartitionFn)(const char* root);
/* Opens `path` (mode HDRW_READ_MODE, flags 0) and fills `info`. */
typedef HdrwHandle (*HdrwOpenFileFn)(const char* path, int32_t mode, HdrwFileInfo* info, int32_t flags);
/* Reads up to `size` bytes; *read 0 at the end of the file. */
typedef int32_t (*HdrwReadFileFn)(HdrwHandle handle, void* buffer, uint32_t size, uint32_t* read);
typedef int32_t (*HdrwCloseFileFn)(HdrwHandle handle);

#ifdef __cplusplus
}  /* extern "C" */
static_assert(sizeof(HdrwFileInfo) == 24);
#endif

#endif /* HDRW_API_H */
