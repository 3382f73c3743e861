#ifndef BRIMBURN_NOTIFYING_STREAM_H
#define BRIMBURN_NOTIFYING_STREAM_H
/* A file's data for the image, read from the local file system, that tells
 * its owner each time the image writer opens it. Written in C because the
 * image library's stream record is a C structure. */
#include <stdint.h>
#include <sys/types.h>

#include <libisofs/libisofs.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Called on the image writer's thread when the stream is opened. */
typedef void (*brimburn_open_hook)(void* context, const char* path);

/* Makes a stream over the regular file `path` of `size` bytes (the size the
 * image records; a file that changed meanwhile is cut or padded to it).
 * Returns 1 and the stream (one reference) in *stream, or a negative
 * image-library error code. */
int brimburn_stream_new(const char* path, off_t size, brimburn_open_hook hook, void* hook_context,
                        IsoStream** stream);

#ifdef __cplusplus
}
#endif

#endif
