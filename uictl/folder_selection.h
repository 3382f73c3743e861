#pragma once
// What a selection in the folder tree backs up: the rules that turn the
// checked containers and files into a job's sources. Plain code over the
// check model, so that the rules are tested without a widget.
#include <functional>
#include <vector>

#include "basekit/types.h"
#include "core/jobs/backup_item.h"
#include "uictl/check_model.h"

namespace uictl {

// The kinds of the folder tree's nodes.
enum FolderNodeKind : int {
    local_volume = 1,   // a mounted file system, the root or the home folder
    local_folder = 2,
    network_volume = 3, // a network file system mounted here
    ftp_servers = 12,   // the list of FTP servers the user added (no check box)
    ftp_server = 13,
    ftp_folder = 14,
};

inline bool is_local_kind(int kind) {
    return kind == local_volume || kind == local_folder || kind == network_volume;
}
inline bool is_ftp_kind(int kind) { return kind == ftp_server || kind == ftp_folder; }

// How the tree names its items: the full path of a container, and the full
// path of one of its files.
struct SourceNaming {
    std::function<bk::String(NodeId)> container_path;
    std::function<bk::String(NodeId, const bk::String& file_name)> file_path;
};

// The sources of the selection, walked from its topmost containers:
// - a selected container: one recursive source (a directory, an FTP folder,
//   or a whole FTP server);
// - a partly selected one with nothing in it counted as selected: the
//   container alone, not recursive (for an FTP server its root folder);
// - any other partly selected one: a recursive source per selected child
//   container, the same rule again for each partly selected one, and a file
//   source per selected file.
std::vector<brim::SourceData> selection_to_sources(const CheckModel& model, const SourceNaming& naming);

// The FTP server node above (or at) `node`; no_node for a local node.
NodeId ftp_server_of(const CheckModel& model, NodeId node);

}  // namespace uictl
