#include "uictl/restore_tree.h"

#include "basekit/path.h"
#include "uictl/byte_to_string.h"
#include "uictl/qt_text.h"
#include "uictl/uictl_strings.h"

namespace uictl {

namespace {

const brim::archive::RunLayout* run_at(std::uintptr_t data) {
    return reinterpret_cast<const brim::archive::RunLayout*>(data);
}
const brim::DataHeader* header_at(std::uintptr_t data) { return reinterpret_cast<const brim::DataHeader*>(data); }
std::uintptr_t data_of(const void* pointer) { return reinterpret_cast<std::uintptr_t>(pointer); }

bool has_content(const brim::DataHeader& header) {
    return !header.directories().empty() || !header.files().empty();
}

}  // namespace

CRestoreTreeCtrl::CRestoreTreeCtrl(QWidget* parent) : CBrimTreeCtrl(parent) { setObjectName("restoreTree"); }

void CRestoreTreeCtrl::Display(const std::vector<const brim::archive::RunLayout*>& runs) {
    ClearAll();
    runs_ = runs;
    if (runs.empty()) return;
    const auto& strings = uictl_strings();
    const NodeId all = AddRoot(to_qstring(strings.text(text_id::all_backups)), u"", restore_all_runs, true, 0, true);
    for (const auto* run : runs) {
        if (run == nullptr) continue;
        const bk::String label =
            strings.format(text_id::backup_run_label, {from_qstring(modified_text(run->header.backup_time))});
        const bool content = run->root != nullptr && has_content(*run->root);
        AddItem(all, label, restore_run, true, data_of(run), content);
    }
    model().set_listed(all);
    if (QTreeWidgetItem* item = item_of(all)) item->setExpanded(true);
    select_node(all);
}

const brim::DataHeader* CRestoreTreeCtrl::header_of(NodeId node) const {
    const CheckNode& n = model().node(node);
    if (n.kind == restore_run) return run_at(n.data)->root.get();
    if (n.kind == restore_source || n.kind == restore_folder) return header_at(n.data);
    return nullptr;
}

bool CRestoreTreeCtrl::ExpandItem(NodeId node) {
    const CheckNode& n = model().node(node);
    if (const brim::DataHeader* header = header_of(node))
        list_header(node, *header, n.kind == restore_run ? restore_source : restore_folder);
    return true;
}

void CRestoreTreeCtrl::list_header(NodeId node, const brim::DataHeader& header, int child_kind) {
    for (const auto& directory : header.directories()) {
        // Sources show their whole path, folders inside them their own name.
        const bk::String name =
            child_kind == restore_source ? directory->name() : bk::Path::file_name(directory->name());
        AddItem(node, name, child_kind, true, data_of(directory.get()), has_content(*directory));
    }
    for (const auto& file : header.files()) {
        FileEntry entry;
        entry.name = file->name();
        entry.size = static_cast<std::int64_t>(file->size);
        entry.modified = file->modified;
        entry.data = data_of(file.get());
        model().add_file(node, std::move(entry));
    }
}

int CRestoreTreeCtrl::GetSelectedData(std::vector<const brim::DataHeader*>& out) const {
    std::vector<const brim::DataHeader*> chosen;
    for (const NodeId node : model().topmost_selection()) collect(node, chosen);
    out.insert(out.end(), chosen.begin(), chosen.end());
    return static_cast<int>(chosen.size());
}

void CRestoreTreeCtrl::collect(NodeId node, std::vector<const brim::DataHeader*>& out) const {
    const CheckNode& n = model().node(node);
    if (n.state == selected) {
        if (n.kind == restore_all_runs) {
            for (const auto* run : runs_)
                if (run != nullptr && run->root != nullptr) out.push_back(run->root.get());
        } else if (const brim::DataHeader* header = header_of(node)) {
            out.push_back(header);
        }
        return;
    }
    if (n.state != partly_selected) return;
    for (const NodeId child : n.children) collect(child, out);
    for (const auto& file : n.files)
        if (file.is_selected()) out.push_back(header_at(file.data));
}

QStringList CRestoreListCtrl::container_columns(NodeId node) const {
    if (restore_tree_ == nullptr) return {};
    const CheckNode& n = restore_tree_->model().node(node);
    if (n.kind == restore_run) {
        const auto& header = reinterpret_cast<const brim::archive::RunLayout*>(n.data)->header;
        return {to_qstring(byte_size_text(static_cast<std::int64_t>(header.total_size))),
                modified_text(header.backup_time)};
    }
    // A folder's size is not kept in every set: folders show their time only.
    const brim::DataHeader* header = restore_tree_->header_of(node);
    if (header == nullptr) return {};
    return {QString(), modified_text(header->modified)};
}

}  // namespace uictl
