#include "uictl/check_model.h"

#include <algorithm>

namespace uictl {

namespace {

// The counts of a container that has just been given a state by a click or
// by its parent: a selected one counts all of its content, the others none.
void reset_counts(CheckNode& node) {
    node.alone = node.state == partly_selected;
    const bool all = node.state == selected;
    node.selected_children = all ? node.child_total() : 0;
    node.selected_files = all ? node.file_total() : 0;
    node.pending = 0;
}

// A partly selected container with nothing left in it is not selected,
// unless it was chosen alone.
void settle_empty(CheckNode& node) {
    if (node.state == partly_selected && node.nothing_counted() && node.pending == 0 && !node.alone)
        node.state = not_selected;
}

}  // namespace

NodeId CheckModel::add_root(int kind, bk::String name, bool checkable, std::uintptr_t data) {
    CheckNode node;
    node.kind = kind;
    node.name = std::move(name);
    node.data = data;
    node.state = checkable ? not_selected : no_check_box;
    nodes_.push_back(std::move(node));
    roots_.push_back(nodes_.size() - 1);
    return nodes_.size() - 1;
}

NodeId CheckModel::add_child(NodeId parent, int kind, bk::String name, bool checkable, std::uintptr_t data) {
    CheckNode node;
    node.parent = parent;
    node.kind = kind;
    node.name = std::move(name);
    node.data = data;
    const bool parent_selected = nodes_.at(parent).state == selected;
    node.state = !checkable ? no_check_box : parent_selected ? selected : not_selected;
    nodes_.push_back(std::move(node));
    const NodeId id = nodes_.size() - 1;
    CheckNode& owner = nodes_[parent];
    owner.children.push_back(id);
    if (checkable) ++owner.checkable_children;
    if (nodes_[id].state == selected) ++owner.selected_children;
    return id;
}

std::size_t CheckModel::add_file(NodeId parent, FileEntry file) {
    CheckNode& owner = nodes_.at(parent);
    file.state = owner.state == selected ? list_selected : list_not_selected;
    if (file.is_selected()) ++owner.selected_files;
    owner.files.push_back(std::move(file));
    return owner.files.size() - 1;
}

void CheckModel::set_listed(NodeId id) {
    CheckNode& node = nodes_.at(id);
    if (node.listed) return;
    node.listed = true;
    if (node.state == partly_selected && node.everything_counted() && node.child_total() + node.file_total() > 0) {
        node.state = selected;
        parent_changed(id, partly_selected);
        notify_selection();
    }
}

void CheckModel::click(NodeId id) {
    const int state = nodes_.at(id).state;
    if (state == no_check_box) return;
    set_state(id, state == selected ? not_selected : selected);
}

void CheckModel::set_state(NodeId id, int state) {
    if (nodes_.at(id).state == no_check_box) return;
    if (state != not_selected && state != partly_selected && state != selected) return;
    change_state(id, state);
    notify_selection();
}

void CheckModel::click_file(NodeId id, std::size_t index) {
    const CheckNode& owner = nodes_.at(id);
    set_file_state(id, index, !owner.files.at(index).is_selected());
}

void CheckModel::set_file_state(NodeId id, std::size_t index, bool now_selected) {
    CheckNode& owner = nodes_.at(id);
    if (owner.state == no_check_box) return;
    FileEntry& file = owner.files.at(index);
    if (file.is_selected() == now_selected) return;
    file.state = now_selected ? list_selected : list_not_selected;
    if (files_changed) files_changed(id);
    file_changed_up(id, now_selected);
    notify_selection();
}

void CheckModel::change_state(NodeId id, int state) {
    CheckNode& node = nodes_[id];
    const int old_state = node.state;
    node.state = state;
    reset_counts(node);
    const int content_state = state == selected ? selected : not_selected;
    for (auto& file : node.files) file.state = list_state(content_state);
    for (const NodeId child : node.children) propagate_down(child, content_state);
    if (!node.files.empty() && files_changed) files_changed(id);
    notify_node(id);
    refresh_membership(id);
    propagate_up(id, old_state, state);
}

void CheckModel::propagate_down(NodeId id, int state) {
    CheckNode& node = nodes_[id];
    if (node.state == no_check_box) return;
    node.state = state;
    reset_counts(node);
    for (auto& file : node.files) file.state = list_state(state);
    for (const NodeId child : node.children) propagate_down(child, state);
    if (!node.files.empty() && files_changed) files_changed(id);
    notify_node(id);
    refresh_membership(id);
}

void CheckModel::propagate_up(NodeId child, int old_state, int new_state) {
    if (old_state == new_state) return;
    const NodeId parent_id = nodes_[child].parent;
    if (parent_id == no_node) return;
    CheckNode& parent = nodes_[parent_id];
    if (parent.state == no_check_box) return;

    if (old_state == selected) --parent.selected_children;
    if (old_state == partly_selected) --parent.pending;
    if (new_state == selected) ++parent.selected_children;
    if (new_state == partly_selected) ++parent.pending;

    const int parent_old = parent.state;
    if (new_state == selected) {
        if (parent.listed && parent.everything_counted())
            parent.state = selected;
        else if (parent.state == not_selected)
            parent.state = partly_selected;
    } else if (new_state == partly_selected) {
        parent.state = partly_selected;
    } else if (parent.state == selected) {
        parent.state = partly_selected;
    }
    settle_empty(parent);
    if (parent.state != parent_old) parent_changed(parent_id, parent_old);
}

void CheckModel::file_changed_up(NodeId id, bool now_selected) {
    CheckNode& node = nodes_[id];
    const int old_state = node.state;
    if (now_selected) {
        ++node.selected_files;
        if (node.listed && node.everything_counted())
            node.state = selected;
        else if (node.state == not_selected)
            node.state = partly_selected;
    } else {
        --node.selected_files;
        if (node.state == selected) node.state = partly_selected;
    }
    settle_empty(node);
    if (node.state != old_state) parent_changed(id, old_state);
}

// A container changed by the walk upwards: its own content keeps its states,
// only the membership of it and its children in the selection changes.
void CheckModel::parent_changed(NodeId id, int old_state) {
    notify_node(id);
    refresh_membership(id);
    for (const NodeId child : nodes_[id].children) refresh_membership(child);
    propagate_up(id, old_state, nodes_[id].state);
}

void CheckModel::refresh_membership(NodeId id) {
    const CheckNode& node = nodes_[id];
    const bool member = (node.state == selected || node.state == partly_selected) &&
                        (node.parent == no_node || nodes_[node.parent].state != selected);
    const auto place = std::find(selection_.begin(), selection_.end(), id);
    const bool is_member = place != selection_.end();
    if (member && !is_member) selection_.push_back(id);
    if (!member && is_member) selection_.erase(place);
}

std::vector<NodeId> CheckModel::topmost_selection() const {
    std::vector<NodeId> topmost;
    for (const NodeId id : selection_) {
        bool covered = false;
        for (NodeId up = nodes_[id].parent; up != no_node && !covered; up = nodes_[up].parent)
            covered = nodes_[up].state == partly_selected || nodes_[up].state == selected;
        if (!covered) topmost.push_back(id);
    }
    return topmost;
}

std::vector<bk::String> CheckModel::path_pieces(NodeId id) const {
    std::vector<bk::String> pieces;
    for (NodeId at = id; at != no_node; at = nodes_.at(at).parent) pieces.push_back(nodes_[at].name);
    std::reverse(pieces.begin(), pieces.end());
    return pieces;
}

NodeId CheckModel::find_child(NodeId parent, bk::StringView name) const {
    for (const NodeId child : nodes_.at(parent).children)
        if (nodes_[child].name == name) return child;
    return no_node;
}

void CheckModel::notify_node(NodeId id) {
    if (node_changed) node_changed(id);
}

void CheckModel::notify_selection() {
    if (selection_changed) selection_changed();
}

}  // namespace uictl
