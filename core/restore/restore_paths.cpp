#include "core/restore/restore_paths.h"

#include "basekit/path.h"
#include "basekit/platform/os_fs.h"
#include "core/restore/restore_option.h"

namespace brim::restore {
namespace {

constexpr char16_t separator = u'/';

bool is_absolute(bk::StringView path) { return !path.empty() && path.front() == separator; }

bk::String join_absolute(const std::vector<bk::String>& parts, std::size_t count) {
    bk::String path;
    for (std::size_t i = 0; i < count; ++i) path += separator + parts[i];
    return path.empty() ? bk::String(1, separator) : path;
}

// A top-level item's path as components; an original place needs it absolute.
std::optional<std::vector<bk::String>> source_components(bk::StringView path, Layout layout) {
    if (layout == Layout::original && !is_absolute(path)) return std::nullopt;
    return plain_components(path);
}

}  // namespace

bk::String Destination::path() const {
    bk::String result = anchor;
    for (const auto& part : parts) {
        if (result.empty() || result.back() != separator) result += separator;
        result += part;
    }
    return result;
}

Destination Destination::child(bk::String name) const {
    Destination result = *this;
    result.parts.push_back(std::move(name));
    return result;
}

bool is_plain_name(bk::StringView name) {
    return !name.empty() && name != u"." && name != u".." && name.find(separator) == bk::StringView::npos &&
           name.find(u'\0') == bk::StringView::npos;
}

std::optional<std::vector<bk::String>> plain_components(bk::StringView path) {
    std::vector<bk::String> parts;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find(separator, start);
        if (end == bk::StringView::npos) end = path.size();
        const bk::StringView part = path.substr(start, end - start);
        if (!part.empty()) {
            if (!is_plain_name(part)) return std::nullopt;
            parts.emplace_back(part);
        }
        start = end + 1;
    }
    return parts;
}

std::optional<std::vector<bk::String>> components_below(bk::StringView parent, bk::StringView path) {
    if (path.size() <= parent.size() || path.substr(0, parent.size()) != parent) return std::nullopt;
    const bk::StringView rest = path.substr(parent.size());
    if (!parent.empty() && parent.back() != separator && rest.front() != separator) return std::nullopt;
    auto parts = plain_components(rest);
    if (!parts || parts->empty()) return std::nullopt;
    return parts;
}

Layout layout_for(bk::StringView target, std::uint32_t option) {
    if (target.empty()) return Layout::original;
    if ((option & restore_option::keep_structure) != 0) return Layout::full_path;
    if ((option & restore_option::flatten) != 0) return Layout::flat;
    return Layout::relative;
}

std::optional<Destination> place_selected(const DataHeader& item, bk::StringView target, Layout layout) {
    const DataHeader* parent = item.parent();
    const bool inside_directory = !item.is_directory() && parent != nullptr && !parent->name().empty();
    // The folder the item lies in, as components, and its own name.
    std::vector<bk::String> folder;
    bk::String name;
    if (inside_directory) {
        auto parts = source_components(parent->name(), layout);
        if (!parts || !is_plain_name(item.name())) return std::nullopt;
        folder = std::move(*parts);
        name = item.name();
    } else {
        auto parts = source_components(item.name(), layout);
        if (!parts) return std::nullopt;
        if (parts->empty()) {
            if (!item.is_directory()) return std::nullopt;
        } else {
            name = parts->back();
            parts->pop_back();
        }
        folder = std::move(*parts);
    }
    const bk::String base(target);
    switch (layout) {
        case Layout::original:
            if (item.is_directory()) {
                if (!name.empty()) folder.push_back(name);
                return Destination{join_absolute(folder, folder.size()), {}};
            }
            return Destination{join_absolute(folder, folder.size()), {name}};
        case Layout::relative:
            return name.empty() ? Destination{base, {}} : Destination{base, {name}};
        case Layout::full_path:
            if (!name.empty()) folder.push_back(name);
            return Destination{base, std::move(folder)};
        case Layout::flat:
            return item.is_directory() ? Destination{base, {}} : Destination{base, {name}};
    }
    return std::nullopt;
}

std::optional<Destination> place_child(const DataHeader& child, const DataHeader& directory,
                                       const Destination& parent, Layout layout) {
    if (!child.is_directory()) {
        if (!is_plain_name(child.name())) return std::nullopt;
        return parent.child(child.name());
    }
    auto parts = components_below(directory.name(), child.name());
    if (!parts) return std::nullopt;
    if (layout == Layout::flat) return parent;
    Destination result = parent;
    for (auto& part : *parts) result.parts.push_back(std::move(part));
    return result;
}

bool FolderMaker::make_anchor(const bk::String& anchor) {
    if (checked_.count(anchor) != 0) return true;
    const bk::os::EntryStatus status = bk::os::status(anchor);
    if (status.kind == bk::os::EntryKind::none) {
        const bk::String up = bk::Path::directory_name(anchor);
        if (!up.empty() && up != anchor) make_anchor(up);
        bk::os::make_directory(anchor);
    } else if (status.target_kind != bk::os::EntryKind::directory) {
        return false;
    }
    checked_.insert(anchor);
    return true;
}

bool FolderMaker::make(const Destination& folder) {
    if (!make_anchor(folder.anchor)) return false;
    Destination walked{folder.anchor, {}};
    for (const auto& part : folder.parts) {
        walked.parts.push_back(part);
        const bk::String path = walked.path();
        if (checked_.count(path) != 0) continue;
        const bk::os::EntryStatus status = bk::os::status(path);
        if (status.kind == bk::os::EntryKind::none) bk::os::make_directory(path);
        else if (status.kind != bk::os::EntryKind::directory) return false;
        checked_.insert(path);
    }
    return true;
}

bool FolderMaker::make_parent(const Destination& file) {
    Destination folder = file;
    if (!folder.parts.empty()) folder.parts.pop_back();
    return make(folder);
}

}  // namespace brim::restore
