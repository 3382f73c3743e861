#define _GNU_SOURCE
#include "plugins/burner/notifying_stream.h"

#include <errno.h>
#include <fcntl.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

typedef struct {
    char* path;
    off_t size;
    int fd;
    ino_t id;
    brimburn_open_hook hook;
    void* hook_context;
} StreamData;

static int open_error(int native) {
    if (native == EACCES || native == EPERM) return ISO_FILE_ACCESS_DENIED;
    if (native == ENOENT || native == ENOTDIR) return ISO_FILE_DOESNT_EXIST;
    return ISO_FILE_ERROR;
}

static int stream_open(IsoStream* stream) {
    StreamData* data = stream->data;
    if (data->fd >= 0) return ISO_FILE_ALREADY_OPENED;
    data->fd = open(data->path, O_RDONLY | O_NOATIME | O_CLOEXEC);
    if (data->fd < 0 && errno == EPERM) data->fd = open(data->path, O_RDONLY | O_CLOEXEC);
    if (data->fd < 0) return open_error(errno);
    if (data->hook != NULL) data->hook(data->hook_context, data->path);
    return 1;
}

static int stream_close(IsoStream* stream) {
    StreamData* data = stream->data;
    if (data->fd < 0) return ISO_FILE_NOT_OPENED;
    close(data->fd);
    data->fd = -1;
    return 1;
}

static off_t stream_get_size(IsoStream* stream) { return ((StreamData*)stream->data)->size; }

/* Fills the whole request unless the file ends: only the last piece may be short. */
static int stream_read(IsoStream* stream, void* buffer, size_t count) {
    StreamData* data = stream->data;
    if (data->fd < 0) return ISO_FILE_NOT_OPENED;
    size_t done = 0;
    while (done < count) {
        ssize_t got = read(data->fd, (char*)buffer + done, count - done);
        if (got < 0) {
            if (errno == EINTR) continue;
            return ISO_FILE_READ_ERROR;
        }
        if (got == 0) break;
        done += (size_t)got;
    }
    return (int)done;
}

static int stream_is_repeatable(IsoStream* stream) {
    (void)stream;
    return 1;
}

static void stream_get_id(IsoStream* stream, unsigned int* fs_id, dev_t* dev_id, ino_t* ino_id) {
    *fs_id = 0;
    *dev_id = 0;
    *ino_id = ((StreamData*)stream->data)->id;
}

static void stream_free(IsoStream* stream) {
    StreamData* data = stream->data;
    if (data->fd >= 0) close(data->fd);
    free(data->path);
    free(data);
}

static IsoStreamIface notifying_class = {
    0, "user", stream_open, stream_close, stream_get_size, stream_read,
    stream_is_repeatable, stream_get_id, stream_free, NULL, NULL, NULL, NULL};

int brimburn_stream_new(const char* path, off_t size, brimburn_open_hook hook, void* hook_context,
                        IsoStream** stream) {
    StreamData* data = calloc(1, sizeof *data);
    IsoStream* result = calloc(1, sizeof *result);
    char* copy = strdup(path);
    if (data == NULL || result == NULL || copy == NULL) {
        free(data);
        free(result);
        free(copy);
        return ISO_OUT_OF_MEM;
    }
    data->path = copy;
    data->size = size;
    data->fd = -1;
    data->id = serial_id++;  /* the library's counter for streams without an inode of their own */
    data->hook = hook;
    data->hook_context = hook_context;
    result->class = &notifying_class;
    result->refcount = 1;
    result->data = data;
    *stream = result;
    return 1;
}
