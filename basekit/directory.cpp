#include "basekit/error_code.h"
#include "basekit/path.h"
#include "basekit/platform/os_fs.h"
#include "basekit/string_helpers.h"
#include "basekit/system_file.h"

namespace bk {
namespace {

enum class ListMode { all, dirs, files };

struct FoundEntry {
    String path;
    os::EntryKind kind;
};

// '*' matches any run of code units, '?' exactly one; everything else itself.
bool matches(StringView pattern, StringView name) {
    std::size_t p = 0, n = 0;
    std::size_t star = StringView::npos, resume = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == u'?' || pattern[p] == name[n])) {
            ++p, ++n;
        } else if (p < pattern.size() && pattern[p] == u'*') {
            star = p++;
            resume = n;
        } else if (star != StringView::npos) {
            p = star + 1;
            n = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == u'*') ++p;
    return p == pattern.size();
}

// The listing algorithm of Windows' first/next search over the POSIX directory
// reader: the pattern's last component selects names in the directory part
// of full name + pattern. Entries keep their own kind (a link is a link).
std::vector<FoundEntry> search(const String& full_name, StringView pattern) {
    const String search_path = Path::combine(full_name, pattern);
    const String directory = Path::directory_name(search_path);
    if (directory.find_first_of(Path::invalid_path_chars) != String::npos)
        throw ArgumentException(u"Path contains invalid characters");
    if (directory.empty() || !SystemFile::is_dir(directory))
        throw DirectoryNotFoundException(u"The directory '" + search_path + u"' not found.");

    const String name_pattern = Path::file_name(search_path);
    // The Windows search also sees "." and "..", so a pattern
    // that matches either never fails to start.
    bool any_match = matches(name_pattern, u".") || matches(name_pattern, u"..");
    std::vector<FoundEntry> found;
    for (auto& entry : os::read_directory(directory)) {
        if (!matches(name_pattern, entry.name)) continue;
        any_match = true;
        found.push_back({Path::combine(directory, entry.name), entry.kind});
    }
    if (!any_match) SystemFile::throw_io_exception(error::file_not_found, false, search_path);
    return found;
}

void list_into(const String& full_name, std::vector<String>& out, StringView pattern, ListMode mode) {
    for (auto& entry : search(full_name, pattern)) {
        const bool is_directory = entry.kind == os::EntryKind::directory;
        if ((mode == ListMode::dirs && !is_directory) || (mode == ListMode::files && is_directory)) continue;
        out.push_back(std::move(entry.path));
    }
}

void remove_tree_at(const String& path) {
    for (const auto& entry : search(path, u"*")) {
        if (entry.kind == os::EntryKind::directory)
            remove_tree_at(entry.path);
        else
            os::remove_file(entry.path);  // a missing file is not an error
    }
    os::remove_directory(path);
}

}  // namespace

bool Directory::exists() const {
    const Attributes& record = attributes();
    return record.attrs != file_attribute::not_found && record.resolves_to_directory;
}

String Directory::name() const {
    String name = Path::file_name(full_name());
    return name.empty() ? full_name() : name;
}

bool Directory::is_root() const { return full_name() == Path::path_root(full_name()); }

Directory Directory::parent() const {
    if (is_root()) throw IOException(u"Cannot get parent due to the directory is root");
    return Directory(Path::directory_name(full_name()));
}

void Directory::create() {
    const String& full = full_name();
    if (full.empty()) throw ArgumentException(u"Path is empty");
    if (full.find_first_of(Path::invalid_path_chars) != String::npos)
        throw ArgumentException(u"Path contains invalid chars");
    if (trim(full).empty()) throw ArgumentException(u"Only blank characters in full_path");
    if (full == u":") throw ArgumentException(u"Only ':' In full_path");
    if (is_root()) return;

    Directory parent_directory(Path::directory_name(full));
    if (!parent_directory.is_root() && !parent_directory.exists()) parent_directory.create();
    mark_stale();
    os::make_directory(full);
}

Directory Directory::create_subdirectory(StringView name) {
    Directory child(Path::combine(full_name(), name));
    child.create();
    return child;
}

void Directory::list(std::vector<String>& out, StringView pattern) const {
    list_into(full_name(), out, pattern, ListMode::all);
}

void Directory::list_dirs(std::vector<String>& out, StringView pattern) const {
    list_into(full_name(), out, pattern, ListMode::dirs);
}

void Directory::list_files(std::vector<String>& out, StringView pattern) const {
    list_into(full_name(), out, pattern, ListMode::files);
}

void Directory::remove() {
    mark_stale();
    os::remove_directory(full_name());
}

void Directory::remove_tree() {
    mark_stale();
    // Only the link goes when the directory's own path is one: what it points
    // to may be anywhere.
    if (os::status(full_name()).kind == os::EntryKind::symlink) {
        os::remove_file(full_name());
        return;
    }
    remove_tree_at(full_name());
}

}  // namespace bk
