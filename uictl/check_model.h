#pragma once
// The tri-state check model behind the folder and archive selection controls:
// a tree of containers (folders, servers, archive levels), each with its file
// entries, every one with a check state, and the rules by which a change of
// one state runs down to the content and up to the containers above. No
// widget in it: the views show it, tests drive it directly.
//
// Counts kept per container: the child containers that are selected, the
// files that are selected, and the child containers that are partly
// selected ("pending"). A container is selected when everything in it is,
// partly selected while some of it is, and not selected again when the last
// of it is unselected. A container can also be chosen alone, without its
// content (a folder backed up without recursion): it then stays partly
// selected with nothing in it counted.
//
// Content is listed lazily: a container whose content has not been listed
// yet keeps its state, and what is added to it later takes that state (a
// selected folder's new children and files are selected).
#include <cstdint>
#include <functional>
#include <limits>
#include <vector>

#include "basekit/types.h"

namespace uictl {

// The check states of a container.
enum CheckState : int {
    no_check_box = 1,  // cannot be selected (a network node, the list of servers)
    not_selected = 2,
    partly_selected = 3,
    selected = 4,
};

// List rows use the container states shifted by one.
inline constexpr int list_state(int tree_state) { return tree_state + 1; }
inline constexpr int list_not_selected = list_state(not_selected);
inline constexpr int list_selected = list_state(selected);

using NodeId = std::size_t;
inline constexpr NodeId no_node = std::numeric_limits<NodeId>::max();

struct FileEntry {
    bk::String name;
    int state = list_not_selected;  // list_not_selected or list_selected
    std::int64_t size = 0;
    std::int64_t modified = 0;  // microseconds since 1970 UTC, 0 when unknown
    std::uintptr_t data = 0;    // the owner's own value
    bool is_selected() const { return state == list_selected; }
};

struct CheckNode {
    NodeId parent = no_node;
    int kind = 0;               // the owner's node kind
    bk::String name;            // the node's own name (one path piece)
    std::uintptr_t data = 0;    // the owner's own value
    int state = not_selected;
    std::uint32_t selected_children = 0;
    std::uint32_t selected_files = 0;
    std::uint32_t pending = 0;  // child containers that are partly selected
    bool listed = false;        // its children and files have been listed
    bool alone = false;         // partly selected as the container itself, without content
    std::uint32_t checkable_children = 0;
    std::vector<NodeId> children;
    std::vector<FileEntry> files;

    // The totals: the child containers that can be selected (a child without
    // a check box is never counted), and the files.
    std::uint32_t child_total() const { return checkable_children; }
    std::uint32_t file_total() const { return static_cast<std::uint32_t>(files.size()); }
    bool everything_counted() const {
        return selected_children == child_total() && selected_files == file_total();
    }
    bool nothing_counted() const { return selected_children == 0 && selected_files == 0; }
};

class CheckModel final {
public:
    // Called for every container whose state changed and for every container
    // whose file entries changed state; then, once per operation, the
    // selection changed.
    std::function<void(NodeId)> node_changed;
    std::function<void(NodeId)> files_changed;
    std::function<void()> selection_changed;

    // A top-level container, not selected (or without a check box).
    NodeId add_root(int kind, bk::String name, bool checkable, std::uintptr_t data = 0);
    // A child container; it takes its parent's state when that is selected
    // (and is counted as a selected child), else it is not selected.
    NodeId add_child(NodeId parent, int kind, bk::String name, bool checkable, std::uintptr_t data = 0);
    // A file entry of `parent`; selected when the parent is. Returns its index.
    std::size_t add_file(NodeId parent, FileEntry file);
    // Marks the content of `node` as listed in full. Until then its content
    // never makes it selected (more may come); a partly selected container
    // whose listed content turns out to be selected in full becomes selected.
    void set_listed(NodeId node);
    // Updates what a file entry shows (its state is left alone).
    void set_file_details(NodeId node, std::size_t index, std::int64_t size, std::int64_t modified) {
        FileEntry& file = nodes_.at(node).files.at(index);
        file.size = size;
        file.modified = modified;
    }

    const CheckNode& node(NodeId id) const { return nodes_.at(id); }
    std::size_t size() const { return nodes_.size(); }
    const std::vector<NodeId>& roots() const { return roots_; }

    // A click on the check box: a selected container becomes not selected,
    // any other checkable one selected. Containers without a check box keep
    // their state.
    void click(NodeId node);
    // Sets the state of a container and carries it down and up:
    // selected or not_selected take the whole content along; partly_selected
    // stands for the container alone (its content not selected).
    // no_check_box is not a state one can set (ignored).
    void set_state(NodeId node, int state);
    // The same for one file entry (list states).
    void click_file(NodeId node, std::size_t index);
    void set_file_state(NodeId node, std::size_t index, bool selected);

    // The containers in state 3 or 4 whose parent is not selected, in the
    // order they entered.
    const std::vector<NodeId>& selection() const { return selection_; }
    // Of those, the ones with no partly selected container above them: the
    // ones a conversion walks (the others are reached through their parent).
    std::vector<NodeId> topmost_selection() const;
    bool has_selection() const { return !selection_.empty(); }

    // The names from the root down to `node`.
    std::vector<bk::String> path_pieces(NodeId node) const;
    // The child of `parent` with that name, no_node when there is none.
    NodeId find_child(NodeId parent, bk::StringView name) const;

private:
    void change_state(NodeId id, int state);
    void propagate_down(NodeId id, int state);
    void propagate_up(NodeId child, int old_state, int new_state);
    void file_changed_up(NodeId parent, bool now_selected);
    void parent_changed(NodeId parent, int old_state);
    void refresh_membership(NodeId id);
    void notify_node(NodeId id);
    void notify_selection();

    std::vector<CheckNode> nodes_;
    std::vector<NodeId> roots_;
    std::vector<NodeId> selection_;
};

}  // namespace uictl
