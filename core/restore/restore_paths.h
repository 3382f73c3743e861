#pragma once
// Where each item of a run goes when it is restored, worked out from names
// read out of a set. Those names are input: a file name holding a separator,
// or a path with a "." or ".." component, never leads anywhere. Everything a
// restore creates lies below an anchor directory, and every folder between
// the anchor and an item is checked to be a real folder (not a symbolic
// link) before anything is written into it.
#include <cstdint>
#include <optional>
#include <set>
#include <vector>

#include "basekit/types.h"
#include "core/archive/data_header.h"

namespace brim::restore {

// A place below an anchor: the anchor is trusted as it is (the target the
// user chose, or an original source folder); the parts are created or
// checked one by one.
struct Destination {
    bk::String anchor;
    std::vector<bk::String> parts;
    bk::String path() const;
    Destination child(bk::String name) const;
};

// True for a name that can stand for one entry of a folder: not empty, no
// separator, no NUL, neither "." nor "..".
bool is_plain_name(bk::StringView name);

// The components of a path, empty ones dropped; nothing when one of them is
// "." or "..", holds a NUL, or there are none.
std::optional<std::vector<bk::String>> plain_components(bk::StringView path);

// The components of `path` below `parent` (a folder's path and its parent
// folder's path as a catalogue holds them); nothing when `path` does not lie
// below `parent` or the rest is not plain.
std::optional<std::vector<bk::String>> components_below(bk::StringView parent, bk::StringView path);

enum class Layout : std::uint8_t {
    original,   // no target: each item to the place it came from
    relative,   // under a target: each selected item by its own name, its subtree beneath
    full_path,  // under a target: each item's whole original path
    flat,       // under a target: every file directly in the target, no folders
};

// The layout a restore's option word and target choose.
Layout layout_for(bk::StringView target, std::uint32_t option);

// The destination of a selected item (a directory, a file, or a top-level
// file source); nothing when its name cannot be placed safely.
std::optional<Destination> place_selected(const DataHeader& item, bk::StringView target, Layout layout);
// The destination of a child (sub-directory or file) of a directory placed
// at `parent`.
std::optional<Destination> place_child(const DataHeader& child, const DataHeader& directory,
                                       const Destination& parent, Layout layout);

// Makes the folders of a destination exist, from the anchor down. The
// anchor and its missing parents are created; below it, an existing entry
// must be a folder and not a symbolic link. Folders already checked are
// remembered, so a tree is checked once.
class FolderMaker final {
public:
    // False when a part is a link or another kind of entry; IOException when
    // a folder cannot be created.
    bool make(const Destination& folder);
    // Makes the folders that hold `file` (its parts but the last).
    bool make_parent(const Destination& file);

private:
    bool make_anchor(const bk::String& anchor);
    std::set<bk::String> checked_;
};

}  // namespace brim::restore
