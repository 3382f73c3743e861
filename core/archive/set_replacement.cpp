#include "core/archive/set_replacement.h"

#include <algorithm>
#include <vector>

#include "basekit/platform/os_faults.h"
#include "basekit/exception.h"
#include "basekit/path.h"
#include "basekit/platform/os_fs.h"
#include "basekit/system_file.h"
#include "core/archive/digest_file.h"
#include "core/archive/set_layout.h"

namespace brim::archive {
namespace {

constexpr char16_t aside_suffix[] = u"~old";

bool exists(bk::StringView path) { return bk::os::status(path).kind != bk::os::EntryKind::none; }

template <typename Action>
void quietly(Action action) {
    try {
        action();
    } catch (const bk::Exception&) {
        // Left where it is; the next settle or run finds it again.
    }
}

// Whether the set at `main_path` holds a run that counts.
bool holds_counted_run(bk::StringView main_path, bool has_copy_root, std::uint32_t program_major) {
    const LayoutResult read = read_set_layout(main_path, has_copy_root, false, program_major);
    if (read.error != LayoutError::none) return false;
    for (const auto& file : read.layout.files)
        if (file.run_count > 0) return true;
    return false;
}

}  // namespace

bk::String aside_path(bk::StringView main_path) { return bk::String(main_path) + aside_suffix; }

bk::String readable_main_path(bk::StringView main_path, bool has_copy_root, std::uint32_t program_major) {
    bk::String readable(main_path);
    quietly([&] {
        const bk::String aside = aside_path(main_path);
        if (exists(aside) && !holds_counted_run(main_path, has_copy_root, program_major)) readable = aside;
    });
    return readable;
}

bool is_plain_copy_root(bk::StringView name) {
    if (name.empty() || name == u"." || name == u"..") return false;
    for (const char16_t c : name)
        if (bk::Path::is_separator(c) || c == 0) return false;
    return true;
}

std::vector<bk::String> recorded_copy_roots(bk::StringView main_path, std::uint32_t program_major) {
    std::vector<bk::String> roots;
    const LayoutResult read = read_set_layout(main_path, true, false, program_major);
    for (const auto& run : read.layout.runs) {
        const bk::String& root = run.header.copy_root;
        if (is_plain_copy_root(root) && std::find(roots.begin(), roots.end(), root) == roots.end())
            roots.push_back(root);
    }
    return roots;
}

namespace {

// The parts of the set at `main_path`: its copy root folders (those below
// `destination` that are there), its volumes from the last, then the main
// archive itself.
struct SetParts {
    std::vector<bk::String> roots;
    std::vector<bk::String> volumes;
};

SetParts parts_of(bk::StringView main_path, bk::StringView destination, bool has_copy_root,
                  std::uint32_t program_major) {
    SetParts parts;
    const LayoutResult read = read_set_layout(main_path, has_copy_root, false, program_major);
    if (has_copy_root) {
        for (const bk::String& name : recorded_copy_roots(main_path, program_major)) {
            bk::String root = bk::Path::combine(destination, name);
            if (bk::os::status(root).kind == bk::os::EntryKind::directory) parts.roots.push_back(std::move(root));
        }
    }
    const auto& files = read.layout.files;
    for (std::size_t i = files.size(); i-- > 1;) parts.volumes.push_back(files[i].path);
    return parts;
}

std::uint64_t tree_bytes(const bk::String& folder) {
    std::uint64_t bytes = 0;
    quietly([&] {
        for (const auto& entry : bk::os::read_directory(folder)) {
            const bk::String path = bk::Path::combine(folder, entry.name);
            if (entry.kind == bk::os::EntryKind::directory) bytes += tree_bytes(path);
            else bytes += bk::os::status(path).size;
        }
    });
    return bytes;
}

}  // namespace

std::uint64_t set_bytes(bk::StringView main_path, bk::StringView destination, bool has_copy_root,
                        std::uint32_t program_major) {
    if (!exists(main_path)) return 0;
    const SetParts parts = parts_of(main_path, destination, has_copy_root, program_major);
    std::uint64_t bytes = bk::os::status(main_path).size;
    for (const auto& root : parts.roots) bytes += tree_bytes(root);
    for (const auto& volume : parts.volumes) bytes += bk::os::status(volume).size;
    return bytes;
}

void delete_set(bk::StringView main_path, bk::StringView shown_main, bk::StringView destination, bool has_copy_root,
                std::uint32_t program_major, const Announce& announce) {
    SetParts parts;
    bool found = false;
    quietly([&] {
        found = exists(main_path);
        if (found) parts = parts_of(main_path, destination, has_copy_root, program_major);
    });
    if (!found) return;
    for (const auto& root : parts.roots) {
        if (announce) announce(root);
        quietly([&] { bk::Directory(root).remove_tree(); });
    }
    // Volumes first, the main archive last: a crash in between leaves a
    // main archive that still leads to what is left.
    for (const auto& volume : parts.volumes) {
        if (announce) announce(volume);
        quietly([&] { bk::os::remove_file(volume); });
    }
    quietly([&] { bk::os::remove_file(digest_path(main_path)); });
    if (announce) announce(bk::String(shown_main));
    quietly([&] { bk::os::remove_file(main_path); });
}

SetReplacement::SetReplacement(bk::String main_path, bk::String destination, bool has_copy_root,
                               std::uint32_t program_major)
    : main_path_(std::move(main_path)), destination_(std::move(destination)), has_copy_root_(has_copy_root),
      program_major_(program_major) {}

void SetReplacement::move_aside() {
    if (!exists(main_path_)) return;
    // The digest file goes first: one left under the job's name would be
    // taken for the new set's and removed.
    if (exists(digest_path(main_path_))) bk::os::rename_entry(digest_path(main_path_), digest_path(aside_path(main_path_)));
    bk::os::rename_entry(main_path_, aside_path(main_path_));
    bk::os::sync_directory(bk::Path::directory_name(main_path_));
    aside_ = true;
    bk::os::crash_point(u"set-moved-aside");
}

void SetReplacement::complete(const Announce& announce) {
    if (!aside_) return;
    bk::os::crash_point(u"set-deleting-old");
    delete_set(aside_path(main_path_), main_path_, destination_, has_copy_root_, program_major_, announce);
    aside_ = false;
}

void SetReplacement::undo() {
    if (!aside_) return;
    delete_set(main_path_, main_path_, destination_, has_copy_root_, program_major_, {});
    quietly([&] { bk::os::remove_file(main_path_); });  // one that does not read as a set
    quietly([&] {
        bk::os::rename_entry(aside_path(main_path_), main_path_);
        bk::os::sync_directory(bk::Path::directory_name(main_path_));
    });
    put_digests_back(main_path_);
    aside_ = false;
}

void SetReplacement::put_digests_back(bk::StringView main_path) {
    quietly([&] {
        const bk::String aside = digest_path(aside_path(main_path));
        if (!exists(aside)) return;
        if (exists(digest_path(main_path))) bk::os::remove_file(aside);
        else bk::os::rename_entry(aside, digest_path(main_path));
        bk::os::sync_directory(bk::Path::directory_name(main_path));
    });
}

void SetReplacement::settle(bk::StringView main_path, bk::StringView destination, bool has_copy_root,
                            std::uint32_t program_major) {
    quietly([&] {
        if (!exists(aside_path(main_path))) {
            // Only the digest file was moved aside when the process died.
            put_digests_back(main_path);
            return;
        }
        SetReplacement replacement{bk::String(main_path), bk::String(destination), has_copy_root, program_major};
        replacement.aside_ = true;
        if (holds_counted_run(main_path, has_copy_root, program_major)) replacement.complete({});
        else replacement.undo();
    });
}

}  // namespace brim::archive
