#include "basekit/system_file.h"

#include <new>

#include "basekit/error_code.h"
#include "basekit/path.h"
#include "basekit/platform/os_fs.h"

namespace bk {
namespace {

bool is_hidden_name(StringView full_name) {
    String name = Path::file_name(full_name);
    if (!name.empty() && Path::is_separator(name.back())) name.pop_back();
    return !name.empty() && name[0] == u'.' && name != u"." && name != u"..";
}

// The Windows attribute bits of an entry (docs/platform.md).
// The file-type bits of st_mode, which are the same on every POSIX system.
std::uint32_t posix_type_bits(os::EntryKind kind) {
    switch (kind) {
        case os::EntryKind::regular: return 0100000;
        case os::EntryKind::directory: return 0040000;
        case os::EntryKind::symlink: return 0120000;
        default: return 0;
    }
}

FileAttributes derive_attributes(const os::EntryStatus& status, StringView full_name) {
    using namespace file_attribute;
    FileAttributes bits = 0;
    switch (status.kind) {
        case os::EntryKind::directory: bits |= directory; break;
        case os::EntryKind::regular: bits |= archive; break;
        case os::EntryKind::symlink: bits |= reparse_point; break;
        default: break;
    }
    // A link's permissions are always rwx and say nothing about its target.
    if (status.kind != os::EntryKind::symlink && (status.mode & 0200) == 0) bits |= readonly;
    if (is_hidden_name(full_name)) bits |= hidden;
    return bits == 0 ? normal : bits;
}

}  // namespace

void SystemFile::throw_io_exception(std::int32_t code, bool /*flag*/, StringView path) {
    throw IOException(system_error(u"", code), code, String(path));
}

SystemFile::SystemFile(StringView path) : name_(path) {
    if (path.empty()) throw ArgumentException(u"path or file name is invalid");
    full_name_ = Path::make_full_path(path);
}

SystemFile::SystemFile(const SystemFile& other)
    : name_(other.name_), full_name_(other.full_name_), stale_(other.stale_) {
    if (other.attributes_) attributes_ = std::make_unique<Attributes>(*other.attributes_);
}

SystemFile& SystemFile::operator=(const SystemFile& other) {
    if (this == &other) return *this;
    std::unique_ptr<Attributes> copy;
    if (other.attributes_) copy = std::make_unique<Attributes>(*other.attributes_);
    name_ = other.name_;
    full_name_ = other.full_name_;
    attributes_ = std::move(copy);
    stale_ = other.stale_;
    return *this;
}

SystemFile::~SystemFile() = default;

void SystemFile::refresh() const {
    if (!attributes_) {
        try {
            attributes_ = std::make_unique<Attributes>();
        } catch (const std::bad_alloc&) {
            throw OutOfMemoryException();
        }
    }
    const os::EntryStatus status = os::status(full_name_);
    Attributes& record = *attributes_;
    if (status.kind == os::EntryKind::none) {
        record = Attributes{};
    } else {
        record.attrs = derive_attributes(status, full_name_);
        record.size = status.size;
        record.last_access_time = status.access_time;
        record.last_modified_time = status.modify_time;
        record.creation_time = status.birth_time.value_or(status.modify_time);
        record.resolves_to_directory = status.target_kind == os::EntryKind::directory;
        record.posix_mode = status.mode | posix_type_bits(status.kind);
    }
    stale_ = false;
}

const SystemFile::Attributes& SystemFile::attributes() const {
    if (stale_ || !attributes_) refresh();
    return *attributes_;
}

bool SystemFile::exists() const { return attributes().attrs != file_attribute::not_found; }

String SystemFile::name() const { return Path::file_name(full_name_); }

std::int64_t SystemFile::last_modified_time() const { return attributes().last_modified_time; }
std::int64_t SystemFile::creation_time() const { return attributes().creation_time; }
std::int64_t SystemFile::last_access_time() const { return attributes().last_access_time; }
FileAttributes SystemFile::file_attrs() const { return attributes().attrs; }
std::uint32_t SystemFile::posix_mode() const { return attributes().posix_mode; }
std::uint64_t SystemFile::size() const { return attributes().size; }

bool SystemFile::is_link() const {
    const FileAttributes bits = file_attrs();
    return bits != file_attribute::not_found && (bits & file_attribute::reparse_point) != 0;
}

void SystemFile::last_modified_time(std::int64_t time) {
    mark_stale();
    os::set_times(full_name_, std::nullopt, time);
}

void SystemFile::creation_time(std::int64_t) { mark_stale(); }

void SystemFile::last_access_time(std::int64_t time) {
    mark_stale();
    os::set_times(full_name_, time, std::nullopt);
}

void SystemFile::file_time(std::int64_t, std::int64_t last_access, std::int64_t last_modified) {
    mark_stale();
    os::set_times(full_name_, last_access, last_modified);
}

void SystemFile::file_attrs(FileAttributes attributes) {
    mark_stale();
    os::set_owner_writable(full_name_, (attributes & file_attribute::readonly) == 0);
}

bool SystemFile::is_file(StringView path) { return File(path).exists(); }
bool SystemFile::is_dir(StringView path) { return Directory(path).exists(); }
std::int64_t SystemFile::last_modified_time(StringView path) { return SystemFile(path).last_modified_time(); }
std::int64_t SystemFile::creation_time(StringView path) { return SystemFile(path).creation_time(); }
std::int64_t SystemFile::last_access_time(StringView path) { return SystemFile(path).last_access_time(); }
void SystemFile::last_modified_time(StringView path, std::int64_t time) { SystemFile(path).last_modified_time(time); }
void SystemFile::creation_time(StringView path, std::int64_t time) { SystemFile(path).creation_time(time); }
void SystemFile::last_access_time(StringView path, std::int64_t time) { SystemFile(path).last_access_time(time); }
FileAttributes SystemFile::file_attrs(StringView path) { return SystemFile(path).file_attrs(); }
void SystemFile::file_attrs(StringView path, FileAttributes attributes) { SystemFile(path).file_attrs(attributes); }

bool File::exists() const {
    const Attributes& record = attributes();
    return record.attrs != file_attribute::not_found && !record.resolves_to_directory;
}

String File::name() const { return Path::file_name(full_name()); }

std::uint64_t File::length() const {
    if (!exists()) throw_io_exception(error::file_not_found, false, full_name());
    return attributes().size;
}

bool File::is_readonly() const {
    return exists() && (attributes().attrs & file_attribute::readonly) != 0;
}

void File::readonly(bool flag) {
    mark_stale();
    os::set_owner_writable(full_name(), !flag);
}

void File::remove() {
    mark_stale();
    os::remove_file(full_name());
}

}  // namespace bk
