#include "uictl/folder_selection.h"

namespace uictl {

namespace {

using brim::SourceData;
using brim::SourceType;

struct SourceTypes {
    SourceType container;  // a selected container
    SourceType folder;     // a folder inside it, or the container alone
    SourceType file;
};

SourceTypes types_for(int kind) {
    if (kind == ftp_server) return {SourceType::ftp_server, SourceType::ftp_directory, SourceType::ftp_file};
    if (kind == ftp_folder) return {SourceType::ftp_directory, SourceType::ftp_directory, SourceType::ftp_file};
    return {SourceType::directory, SourceType::directory, SourceType::file};
}

void add_container(const CheckModel& model, const SourceNaming& naming, NodeId id, bool top,
                   std::vector<SourceData>& out) {
    const CheckNode& node = model.node(id);
    const SourceTypes types = types_for(node.kind);
    const bk::String path = naming.container_path(id);
    if (node.state == selected) {
        out.push_back({path, top ? types.container : types.folder, true});
        return;
    }
    if (node.state != partly_selected) return;
    if (node.nothing_counted() && node.pending == 0) {
        out.push_back({path, types.folder, false});
        return;
    }
    for (const NodeId child : node.children) add_container(model, naming, child, false, out);
    for (const auto& file : node.files)
        if (file.is_selected()) out.push_back({naming.file_path(id, file.name), types.file, false});
}

}  // namespace

std::vector<brim::SourceData> selection_to_sources(const CheckModel& model, const SourceNaming& naming) {
    std::vector<SourceData> sources;
    for (const NodeId id : model.topmost_selection()) {
        const int kind = model.node(id).kind;
        if (!is_local_kind(kind) && !is_ftp_kind(kind)) continue;
        add_container(model, naming, id, true, sources);
    }
    return sources;
}

NodeId ftp_server_of(const CheckModel& model, NodeId node) {
    for (NodeId at = node; at != no_node; at = model.node(at).parent)
        if (model.node(at).kind == ftp_server) return at;
    return no_node;
}

}  // namespace uictl
