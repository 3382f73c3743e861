#pragma once
// Whole-file operations the stores build on: copying a file, replacing a file
// so that a crash leaves either the old or the new content, and advisory
// locks that serialise cooperating writers of one file.
#include <memory>

#include "basekit/file_stream.h"
#include "basekit/platform/os_file.h"
#include "basekit/types.h"

namespace bk {

// Copies the bytes of `from` over `to` (created, or cut to length 0 first).
// The copy is not flushed to disk. Throws IOException when either side fails.
void copy_file(StringView from, StringView to);

// Moves `from` to `to`, replacing an existing file there, and hands the
// rename to the disk. Both must lie on one file system. Throws IOException.
void replace_file(StringView from, StringView to);

// Writes a new content for `target` into `target` + "~~temp" (created afresh
// with `permissions` before the umask). commit() flushes it to disk, renames
// it over the target and syncs the directory, so that after a crash the
// target holds either its old or its new content, never a mixture. When the
// writer is destroyed without a commit, the temporary file is removed.
class ReplacingFileWriter final {
public:
    ReplacingFileWriter(StringView target, unsigned permissions = 0666);
    ~ReplacingFileWriter();
    ReplacingFileWriter(const ReplacingFileWriter&) = delete;
    ReplacingFileWriter& operator=(const ReplacingFileWriter&) = delete;

    // The temporary file's stream; valid until commit().
    FileOutputStream& stream() { return *stream_; }
    // Throws IOException; the temporary file is then removed at destruction.
    void commit();

    static constexpr char16_t temp_suffix[] = u"~~temp";

private:
    String target_;
    String temp_;
    std::unique_ptr<FileOutputStream> stream_;
    bool committed_ = false;
};

// Holds an advisory lock on an open file for its lifetime.
class FileLock final {
public:
    // Waits for the lock; throws IOException when it cannot be taken.
    FileLock(os::Handle handle, StringView path, bool exclusive = true);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

private:
    os::Handle handle_;
    String path_;
};

}  // namespace bk
