#include "core/restore/copy_location.h"

#include <vector>

#include "basekit/exception.h"
#include "basekit/path.h"
#include "basekit/platform/os_fs.h"
#include "basekit/platform/os_system.h"
#include "core/engine/copy_data_coll.h"
#include "core/restore/restore_paths.h"

namespace brim::restore {
namespace {

bk::String last_name(bk::StringView path) {
    bk::StringView trimmed = path;
    while (trimmed.size() > 1 && bk::Path::is_separator(trimmed.back())) trimmed.remove_suffix(1);
    return bk::Path::file_name(trimmed);
}

// The item and its folders up to the top-level item (a child of the run's
// grouping node), top first.
std::vector<const DataHeader*> chain_of(const DataHeader& item) {
    std::vector<const DataHeader*> chain;
    for (const DataHeader* node = &item; node != nullptr && !(node->is_directory() && node->name().empty());
         node = node->parent())
        chain.insert(chain.begin(), node);
    return chain;
}

// The top-level item's copy, trying the other computers' folders when this
// computer's is not there.
bk::String top_level_copy(const bk::String& root, bk::StringView source, TargetRule rule) {
    const bk::String here = top_level_target(root, source, rule);
    if (rule != TargetRule::keep_location || bk::os::status(here).kind != bk::os::EntryKind::none) return here;
    bk::String host = bk::os::host_name();
    const bk::String host_folder = bk::Path::combine(root, host.empty() ? bk::String(u"localhost") : host);
    if (!here.starts_with(host_folder)) return here;
    const bk::String rest = here.substr(host_folder.size());
    try {
        for (const auto& entry : bk::os::read_directory(root)) {
            if (entry.kind != bk::os::EntryKind::directory || !is_plain_name(entry.name)) continue;
            bk::String there = bk::Path::combine(root, entry.name) + rest;
            if (bk::os::status(there).kind != bk::os::EntryKind::none) return there;
        }
    } catch (const bk::Exception&) {
    }
    return here;
}

}  // namespace

std::optional<bk::String> copy_location(const DataHeader& item, BackupKind kind, bk::StringView set_folder,
                                        bk::StringView copy_root) {
    if (!is_plain_name(copy_root)) return std::nullopt;
    const auto chain = chain_of(item);
    if (chain.empty()) return std::nullopt;
    const bk::String source = chain.front()->full_path();
    if (!plain_components(source)) return std::nullopt;
    const TargetRule rule = kind == BackupKind::merge_copy ? TargetRule::under_target : TargetRule::keep_location;
    bk::String path = top_level_copy(bk::Path::combine(set_folder, copy_root), source, rule);
    for (std::size_t i = 1; i < chain.size(); ++i) {
        const bk::String name = chain[i]->is_directory() ? last_name(chain[i]->name()) : chain[i]->name();
        if (!is_plain_name(name)) return std::nullopt;
        path = bk::Path::combine(path, name);
    }
    return path;
}

bool is_recorded_copy(const DataHeader& item, bk::StringView path) {
    try {
        const bk::os::EntryStatus status = bk::os::status(path);
        return status.kind == bk::os::EntryKind::regular && status.modify_time == item.modified;
    } catch (const bk::Exception&) {
        return false;
    }
}

}  // namespace brim::restore
