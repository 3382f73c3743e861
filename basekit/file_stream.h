#pragma once
// Streams over one platform file handle. Sharing modes are accepted for every
// platform; POSIX does not lock files against other openers, so they grant
// everything there.
#include <cstdint>

#include "basekit/platform/os_file.h"
#include "basekit/stream.h"
#include "basekit/types.h"

namespace bk {

class File;

enum class FileShare : std::int32_t { None = 0, Read = 1, Write = 2, ReadWrite = 3 };

// What opening a file for writing does when the name is a symbolic link.
enum class FinalLink : std::uint8_t { follow, refuse };

enum class FileMode : std::int32_t {
    CreateNew = 1,     // create; fail if it exists
    Create = 2,        // create, or truncate an existing file
    Open = 3,          // open an existing file; fail if missing
    OpenOrCreate = 4,  // open, creating it if missing
    Truncate = 5,      // open an existing file and cut it to length 0
    Append = 6         // as OpenOrCreate, then position at the end
};

// When reading a file finds that the name is a directory. Opening checks by
// default; a caller that has just listed the name as a regular file saves
// that system call per file, and a directory put there since fails at the
// first read with the same error.
enum class DirectoryCheck : std::uint8_t { on_open, on_read };

// Reads an existing file. Throws IOException (with the platform's text) when
// it cannot be opened; ArgumentException for an empty name.
class FileInputStream : public InputStream {
public:
    FileInputStream(StringView name, FileShare share = FileShare::Read,
                    DirectoryCheck check = DirectoryCheck::on_open);
    // Opens the file's full name.
    explicit FileInputStream(const File& file, FileShare share = FileShare::Read);
    ~FileInputStream() override;
    FileInputStream(const FileInputStream&) = delete;
    FileInputStream& operator=(const FileInputStream&) = delete;

    using InputStream::read;
    // Up to `length` bytes in one platform read; -1 at the end.
    int read(std::uint8_t* buffer, int length) override;
    // Returns the distance moved.
    std::int64_t seek(std::int64_t offset, SeekOrigin origin) override;
    std::int64_t available() override;
    void close() override;

    os::Handle get_file_handle() const { return handle_; }
    const String& get_file_name() const { return name_; }

private:
    void open(DirectoryCheck check);
    void check_open() const;

    String name_;
    os::Handle handle_ = os::invalid_handle;
    std::int64_t position_ = 0;
};

// Writes a file opened by FileMode. Every write is one platform write of all
// bytes. flush() hands the data to the disk; close() only closes, so that
// copying many small files does not wait for the disk once per file: callers
// that need durability (archives, stores) flush before they close.
class FileOutputStream : public OutputStream {
public:
    FileOutputStream(StringView name, FileMode mode, FileShare share = FileShare::None);
    // As above; a file the call creates gets the permission bits
    // `permissions` (before the umask) instead of 0666.
    FileOutputStream(StringView name, FileMode mode, FileShare share, unsigned permissions);
    // As above; with FinalLink::refuse a symbolic link at `name` is never
    // written through: the open fails instead.
    FileOutputStream(StringView name, FileMode mode, FileShare share, unsigned permissions, FinalLink link);
    // Opens the file's full name.
    FileOutputStream(const File& file, FileMode mode, FileShare share = FileShare::None);
    ~FileOutputStream() override;
    FileOutputStream(const FileOutputStream&) = delete;
    FileOutputStream& operator=(const FileOutputStream&) = delete;

    using OutputStream::write;
    void write(const std::uint8_t* bytes, std::uint32_t length) override;
    // Returns the new absolute position.
    std::int64_t seek(std::int64_t offset, SeekOrigin origin) override;
    // Hands the written bytes to the disk (fsync).
    void flush() override;
    void close() override;

    std::int64_t get_current_offset();
    os::Handle get_handle() const { return handle_; }
    const String& get_file_name() const { return name_; }

private:
    void open(FileMode mode, unsigned permissions, FinalLink link);
    void check_open() const;

    String name_;
    os::Handle handle_ = os::invalid_handle;
};

}  // namespace bk
