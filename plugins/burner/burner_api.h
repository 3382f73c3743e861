#ifndef BRIMBURN_BURNER_API_H
#define BRIMBURN_BURNER_API_H
/*
 * The C interface of the disc-burning module "brimburn", shared by the module
 * and the core's binding, which finds every entry point by its name.
 *
 * Conventions:
 *  - Texts and paths are UTF-8 `char` strings ending in NUL; paths are the
 *    file system's own bytes (names that are not UTF-8 pass unchanged).
 *  - Every entry point that can fail returns an int32_t result: 0 success,
 *    otherwise one of the BURNER_E_* codes; GetText turns a code into text.
 *  - Records are passed by value and have fixed sizes (asserted below); a
 *    text that does not fit its field is refused (BURNER_E_TOO_LONG), never cut.
 *  - Calls are made from one thread at a time, except Abort and StopVerify,
 *    which may be called from any thread while Burn runs.
 *  - Callbacks are made on the thread that called the entry point that
 *    causes them (AddFile for the add-file event, Burn for all others). The
 *    context given to the registrar is passed back unchanged; registering
 *    null removes a callback.
 *
 * Burn order: CreateProject, GetOptions/SetOptions, SetISOInfoEx, GetDevices,
 * SetDevice, ClearAll, CreateDir/AddFile (a file's directory first), Prepare,
 * Burn. Prepare clears earlier stop requests; Abort or StopVerify after it
 * ends the coming or running Burn with BURNER_E_ABORTED.
 *
 * Destinations: GetDevices lists the optical drives (their device address,
 * such as "/dev/sr0") and, last, the image target BURNER_IMAGE_DEVICE. The
 * image target stands for every destination that is a path ending in ".iso"
 * (in any letter case): SetDevice with such a path writes an ISO 9660 image
 * with Rock Ridge and Joliet names to that file, replacing it only when the
 * image is complete.
 */
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define BURNER_DEVICE_TEXT 100        /* bytes of one device entry */
#define BURNER_MAX_DEVICES 32         /* entries GetDevices may fill */
#define BURNER_PATH_BYTES 4096        /* bytes of a path field, NUL included */
#define BURNER_LABEL_BYTES 512        /* a label of up to 128 characters in UTF-8 */
#define BURNER_ID_BYTES 132           /* the ISO identifiers (128 bytes and NUL) */
#define BURNER_TEXT_CAPACITY 2048     /* what callers give GetText */

#define BURNER_IMAGE_DEVICE "ISO image file (*.iso)"

/* Whether `destination` names an image file for the image target: a path
 * ending in ".iso" in any letter case, with a name before it. */
static inline int burner_is_image_destination(const char* destination) {
    const char* end = destination;
    while (*end != '\0') ++end;
    if (end - destination <= 4 || end[-5] == '/') return 0;
    const char* tail = end - 4;
    const char* want = ".iso";
    for (int i = 0; i < 4; ++i) {
        char c = tail[i];
        if (c >= 'A' && c <= 'Z') c = (char)(c - 'A' + 'a');
        if (c != want[i]) return 0;
    }
    return 1;
}

/* CreateProject kinds */
#define BURNER_PROJECT_DATA 2         /* a data disc; the only kind supported */

/* Burn flags */
#define BURNER_BURN_WAIT 1            /* return when writing (and verifying) ended */

/* BurnerOptions.flags */
#define BURNER_OPT_VERIFY 0x1u        /* read the written files back and compare */
#define BURNER_OPT_CLOSE_DISC 0x2u    /* close the disc: no later sessions */
#define BURNER_OPT_EJECT 0x4u         /* eject the disc afterwards */
#define BURNER_OPT_UNDERRUN 0x8u      /* use the drive's buffer-underrun protection */

/* Results */
#define BURNER_OK 0
#define BURNER_E_NOT_INITIALIZED 1    /* Initialize was not called */
#define BURNER_E_NO_PROJECT 2         /* no project was created */
#define BURNER_E_NO_DEVICE 3          /* no destination was chosen */
#define BURNER_E_INVALID_ARGUMENT 4
#define BURNER_E_UNKNOWN_DEVICE 5     /* SetDevice: no such drive or image path */
#define BURNER_E_TOO_LONG 6           /* a text does not fit its field */
#define BURNER_E_EXISTS 7             /* the path on the disc is taken */
#define BURNER_E_NO_PARENT 8          /* the directory on the disc was not created */
#define BURNER_E_SOURCE 9             /* a source file cannot be read */
#define BURNER_E_IMAGE 10             /* the image cannot be built */
#define BURNER_E_WRITE 11             /* writing the image or the disc failed */
#define BURNER_E_ABORTED 12           /* Abort or StopVerify ended the burn */
#define BURNER_E_DRIVE 13             /* the drive cannot be used */
#define BURNER_E_MEDIUM 14            /* no blank writable disc in the drive */
#define BURNER_E_VERIFY_READ 15       /* the written data cannot be read back */
#define BURNER_E_BUSY 16              /* a burn is running */
#define BURNER_E_NOT_PREPARED 17      /* Burn before Prepare */
#define BURNER_E_EMPTY 18             /* Prepare with nothing to write */
#define BURNER_E_MEMORY 19
#define BURNER_E_UNSUPPORTED 20       /* a project kind or flag this module has not */

typedef struct BurnerDevice {
    char text[BURNER_DEVICE_TEXT];
} BurnerDevice;

typedef struct BurnerOptions {
    char disc_label[BURNER_LABEL_BYTES];
    uint32_t flags;                   /* BURNER_OPT_* */
    int32_t speed_kbps;               /* 0: the drive's best */
} BurnerOptions;

typedef struct BurnerIsoInfo {
    char volume_id[BURNER_ID_BYTES];  /* written as its first 32 bytes (whole characters) */
    char publisher_id[BURNER_ID_BYTES];
    char preparer_id[BURNER_ID_BYTES];
    char application_id[BURNER_ID_BYTES];
} BurnerIsoInfo;

/* One file or directory of the project. disc_path is absolute on the disc
 * ("/dir/name"); a directory's ends in '/'. A file's source_path names a
 * regular file; a directory's may be empty or name a directory whose
 * permissions and times the disc copy takes. */
typedef struct BurnerFileEntry {
    char source_path[BURNER_PATH_BYTES];
    char disc_path[BURNER_PATH_BYTES];
} BurnerFileEntry;

/* Callbacks */
typedef void (*BurnerFinalizeCallback)(void* context);
typedef void (*BurnerOpenFileCallback)(void* context, const char* source_path);
typedef void (*BurnerBurnDoneCallback)(void* context, int32_t result);
typedef void (*BurnerAddFileCallback)(void* context, const char* source_path, const char* disc_path,
                                      double size);
typedef void (*BurnerProcessCallback)(void* context, double bytes_done, double bytes_total);
typedef void (*BurnerVerifyDoneCallback)(void* context, int32_t differences);
typedef void (*BurnerVerifyFileCallback)(void* context, const char* source_path);
typedef void (*BurnerStartVerifyCallback)(void* context);
typedef void (*BurnerVerifyErrorCallback)(void* context, const char* disc_path, const char* source_path);

/* Entry points, by the names the binding resolves. */
typedef int32_t (*BurnerInitializeFn)(void);
typedef int32_t (*BurnerSetLanguageFn)(const char* language, const char* file);
typedef int32_t (*BurnerGetTextFn)(int32_t code, char* text, int32_t capacity);
typedef int32_t (*BurnerGetOptionsFn)(BurnerOptions* options);
typedef int32_t (*BurnerSetOptionsFn)(BurnerOptions options);
typedef int32_t (*BurnerGetDevicesFn)(int32_t* count, BurnerDevice* devices);
typedef int32_t (*BurnerSetDeviceFn)(const char* device);
typedef int32_t (*BurnerAddFileFn)(BurnerFileEntry entry);
typedef int32_t (*BurnerCreateDirFn)(BurnerFileEntry entry);
typedef int32_t (*BurnerSetIsoInfoExFn)(BurnerIsoInfo info);
typedef int32_t (*BurnerClearAllFn)(void);
typedef int32_t (*BurnerCreateProjectFn)(int32_t kind);
typedef int32_t (*BurnerPrepareFn)(void);
typedef int32_t (*BurnerBurnFn)(int32_t flag);
typedef int32_t (*BurnerStopVerifyFn)(void);
typedef int32_t (*BurnerAbortFn)(void);
typedef void (*BurnerSetFinalizeFn)(BurnerFinalizeCallback callback, void* context);
typedef void (*BurnerSetOpenFileFn)(BurnerOpenFileCallback callback, void* context);
typedef void (*BurnerSetBurnDoneFn)(BurnerBurnDoneCallback callback, void* context);
typedef void (*BurnerSetAddFileFn)(BurnerAddFileCallback callback, void* context);
typedef void (*BurnerSetProcessFn)(BurnerProcessCallback callback, void* context);
typedef void (*BurnerSetVerifyDoneFn)(BurnerVerifyDoneCallback callback, void* context);
typedef void (*BurnerSetVerifyFileFn)(BurnerVerifyFileCallback callback, void* context);
typedef void (*BurnerSetStartVerifyFn)(BurnerStartVerifyCallback callback, void* context);
typedef void (*BurnerSetVerifyErrorFn)(BurnerVerifyErrorCallback callback, void* context);

#ifdef __cplusplus
}  /* extern "C" */

static_assert(sizeof(BurnerDevice) == 100);
static_assert(sizeof(BurnerOptions) == 520);
static_assert(sizeof(BurnerIsoInfo) == 528);
static_assert(sizeof(BurnerFileEntry) == 8192);
#endif

#endif /* BRIMBURN_BURNER_API_H */
