#pragma once
// The data directory belongs to one process at a time: the GUI program, or
// brimvault-cli for commands that change jobs, logs or reports. The lock is
// an advisory lock on a file in the data directory, released when its owner
// ends, however it ends.
#include <memory>

#include "basekit/file_stream.h"

namespace brim {

class StoreLock final {
public:
    // The lock, or null when another process holds it. Throws IOException
    // when the lock file cannot be opened.
    static std::unique_ptr<StoreLock> try_acquire();
    ~StoreLock();
    StoreLock(const StoreLock&) = delete;
    StoreLock& operator=(const StoreLock&) = delete;

private:
    explicit StoreLock(std::unique_ptr<bk::FileOutputStream> file) : file_(std::move(file)) {}
    std::unique_ptr<bk::FileOutputStream> file_;
};

}  // namespace brim
