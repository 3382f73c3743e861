#pragma once
// Objects for one path of the file system: SystemFile with lazily loaded
// attributes, size and times, and File and Directory with what is specific
// to each.
//
// On POSIX the attributes are the Windows bits, derived (docs/platform.md):
// read-only when the owner has no write permission, hidden for names that
// start with '.', directory, archive for regular files, reparse point for
// symbolic links, normal when nothing else applies; all bits set means the
// path does not exist. Times are the system's microseconds since 1970-01-01
// 00:00 UTC; the creation time is the birth time where the file system
// reports one, else the last-modification time.
//
// Symbolic links:
//  - Attributes, size and times describe the entry itself: a link has the
//    reparse-point bit and never the directory bit, its size is the length
//    of its target, and setting times changes the link's own times.
//  - A path you name is followed once at its last component to tell its
//    kind: Directory::exists / is_dir are true for a directory or a link to
//    one; File::exists / is_file are true for every other entry that exists,
//    a link to a file, a dangling link and a link loop included.
//  - Entries found by listing are classified as they are: list_dirs gives
//    real directories only, list_files every other entry (links to
//    directories included), so recursion over listings never passes through
//    a link. remove_tree removes links and never what they point to.
//
// Objects are not shared between threads without a lock of the caller's.
#include <cstdint>
#include <memory>
#include <vector>

#include "basekit/exception.h"
#include "basekit/types.h"

namespace bk {

// The platform attribute bits, Windows numbering.
using FileAttributes = std::uint32_t;

namespace file_attribute {
inline constexpr FileAttributes readonly = 0x1;
inline constexpr FileAttributes hidden = 0x2;
inline constexpr FileAttributes system = 0x4;
inline constexpr FileAttributes directory = 0x10;
inline constexpr FileAttributes archive = 0x20;
inline constexpr FileAttributes normal = 0x80;
inline constexpr FileAttributes reparse_point = 0x400;
inline constexpr FileAttributes not_found = 0xFFFFFFFFu;  // the path does not exist
}  // namespace file_attribute

class SystemFile {
public:
    // Takes the full name of `path` (Path::make_full_path) now. Throws
    // ArgumentException("path or file name is invalid") for an empty path,
    // and make_full_path's exceptions.
    explicit SystemFile(StringView path);
    // Copies both names and the attribute record.
    SystemFile(const SystemFile& other);
    SystemFile& operator=(const SystemFile& other);
    virtual ~SystemFile();

    // True when the path exists as any kind of entry.
    virtual bool exists() const;
    // Path::file_name of the full name.
    virtual String name() const;

    const String& full_name() const { return full_name_; }
    // Loads the attributes now. Throws IOException for failures other than
    // a missing path (which loads as not_found, size 0 and times 0).
    void refresh() const;

    // These load the attributes when they are stale and return the cached value.
    std::int64_t last_modified_time() const;
    std::int64_t creation_time() const;
    std::int64_t last_access_time() const;
    FileAttributes file_attrs() const;
    // The reparse-point bit: the path itself is a symbolic link.
    bool is_link() const;
    // The POSIX file type and permission bits of the entry itself (st_mode),
    // 0 when it does not exist.
    std::uint32_t posix_mode() const;
    // The size: a file's length, a link's target length (0 when missing).
    std::uint64_t size() const;

    // Set the times of the entry itself (a link's own times); IOException
    // when the path is missing or cannot be changed. A creation time cannot
    // be set on Linux: setting it does nothing and never fails. Each marks
    // the attributes stale.
    void last_modified_time(std::int64_t time);
    void creation_time(std::int64_t time);
    void last_access_time(std::int64_t time);
    void file_time(std::int64_t creation, std::int64_t last_access, std::int64_t last_modified);
    // Applies the read-only bit (the owner's write permission); hidden,
    // system and the other bits are ignored. A link has no permissions of
    // its own: nothing changes. IOException when the path is missing.
    void file_attrs(FileAttributes attributes);

    // The same without keeping an object.
    static bool is_file(StringView path);  // File::exists
    static bool is_dir(StringView path);   // Directory::exists
    static std::int64_t last_modified_time(StringView path);
    static std::int64_t creation_time(StringView path);
    static std::int64_t last_access_time(StringView path);
    static void last_modified_time(StringView path, std::int64_t time);
    static void creation_time(StringView path, std::int64_t time);
    static void last_access_time(StringView path, std::int64_t time);
    static FileAttributes file_attrs(StringView path);
    static void file_attrs(StringView path, FileAttributes attributes);

    // Throws an IOException whose message is the platform's text for `code`
    // alone; the code and the path travel in the exception beside it. The
    // flag is kept for callers' symmetry and does not enter the message.
    [[noreturn]] static void throw_io_exception(std::int32_t code, bool flag, StringView path);

protected:
    struct Attributes {
        FileAttributes attrs = file_attribute::not_found;
        std::uint64_t size = 0;
        std::int64_t creation_time = 0;
        std::int64_t last_access_time = 0;
        std::int64_t last_modified_time = 0;
        bool resolves_to_directory = false;  // a directory, or a link to one
        std::uint32_t posix_mode = 0;
    };
    // The record, loaded first when stale.
    const Attributes& attributes() const;
    void mark_stale() { stale_ = true; }

private:
    String name_;       // as given
    String full_name_;  // taken at construction
    mutable std::unique_ptr<Attributes> attributes_;
    mutable bool stale_ = true;
};

// A file: any entry that is not a directory (see the top of this header).
class File final : public SystemFile {
public:
    explicit File(StringView path) : SystemFile(path) {}

    // Exists and does not resolve to a directory.
    bool exists() const override;
    String name() const override;

    // The size in bytes. Throws IOException with error 2 (file not found)
    // when the file does not exist.
    std::uint64_t length() const;
    // False when the file does not exist, else the read-only bit.
    bool is_readonly() const;
    // Withdraws (true) or grants (false) the owner's write permission.
    // IOException when the file is missing.
    void readonly(bool flag);
    // Deletes the entry (a link, never its target). A missing file is not an
    // error; other failures throw IOException.
    void remove();
};

class Directory final : public SystemFile {
public:
    explicit Directory(StringView path) : SystemFile(path) {}

    // A directory, or a link to one.
    bool exists() const override;
    // Path::file_name of the full name, or the full name itself for a root.
    String name() const override;

    bool is_root() const;
    // Throws IOException("Cannot get parent due to the directory is root").
    Directory parent() const;

    // Creates the directory, and first its missing parents. A root needs
    // nothing. Throws ArgumentException for an invalid full name ("Path
    // contains invalid chars", ...) and IOException for a platform failure,
    // an existing directory included (error 183).
    void create();
    // Creates Path::combine(full name, name) as above and returns it.
    Directory create_subdirectory(StringView name);

    // Append the full paths of the entries whose names match the last
    // component of `pattern` ('*' any run, '?' one code unit, case-sensitive;
    // "*" matches every name, hidden ones included), in ascending byte order
    // of the native names. list gives every entry, list_dirs the real
    // directories, list_files every other entry. Throws ArgumentException
    // ("Path contains invalid characters"), DirectoryNotFoundException("The
    // directory '<search path>' not found.") when the directory is missing,
    // and IOException with error 2 when no name (not even "." or "..")
    // matches.
    void list(std::vector<String>& out, StringView pattern = u"*") const;
    void list_dirs(std::vector<String>& out, StringView pattern = u"*") const;
    void list_files(std::vector<String>& out, StringView pattern = u"*") const;

    // Removes the empty directory; IOException otherwise (error 145 when it
    // is not empty).
    void remove();
    // Removes the directory with everything in it. Links inside are removed
    // as entries, never followed; when the directory's own path is a link,
    // only the link is removed. Throws as list and remove do.
    void remove_tree();
};

}  // namespace bk
