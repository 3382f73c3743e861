#pragma once
// The folder tree and its content list, in which the user picks what a job
// backs up: the file system (the root, the home folder, removable media and
// network file systems mounted here) and the FTP servers the user added.
// Local folders are listed when they are first expanded or shown; FTP
// folders are listed on a thread of their own, so that a slow or dead
// server never holds up the window (the listing shows "Listing…" meanwhile,
// and the FTP client's message when it fails).
//
// Symbolic links are never followed: a link to a file shows as a file, a
// link to anything else is not shown. Names are kept exactly as the file
// system gives them (a name with a line break or bytes that are not UTF-8
// comes back as the same source path).
#include <memory>
#include <set>
#include <vector>

#include "core/jobs/backup_item.h"
#include "core/media/ftp_connect_info.h"
#include "core/media/ftp_listing.h"
#include "uictl/brim_tree.h"
#include "uictl/folder_selection.h"

namespace uictl {

struct FtpMailbox;

class CFolderTreeCtrl final : public CBrimTreeCtrl {
    Q_OBJECT
public:
    explicit CFolderTreeCtrl(QWidget* parent = nullptr);
    ~CFolderTreeCtrl() override;

    // Builds the roots: the file system, the home folder, the other mounted
    // volumes, the FTP servers. `flags` is kept for callers; no flag changes
    // the roots today.
    void Display(int flags = 0);
    // Shows an existing job's sources as the selection (after Display; the
    // FTP servers they name should be known through SetFtpServers first, a
    // server that is not gets an anonymous entry). Folders and files that no
    // longer exist are shown all the same, so that nothing is lost.
    void Display(const std::vector<brim::SourceData*>& sources);
    // Appends the selection to the job's sources (and the connection of
    // every FTP server it reaches to the job's FTP servers, once per host).
    // Returns 0 and leaves the job untouched when nothing is selected, 1
    // otherwise.
    int GetSelectedData(brim::BackupItem* job);
    // The sources the selection stands for.
    std::vector<brim::SourceData> selected_sources() const;

    // The FTP servers shown (a job's, when it is edited); replaces the ones
    // shown. Call before Display().
    void SetFtpServers(const std::vector<brim::FtpConnectInfo>& servers);
    // Adds a server under the FTP servers; an entry for the same host
    // replaces the earlier settings. Returns its node.
    NodeId AddComputer(const brim::FtpConnectInfo& server);
    // Asks for a server in the FTP server dialog and adds it.
    void OnAddComputer();
    const std::vector<brim::FtpConnectInfo>& ftp_server_list() const { return servers_; }
    // The FTP servers' list node.
    NodeId ftp_root() const { return ftp_root_; }

signals:
    // An FTP listing ended (ok false: it failed; the node shows why).
    void listingFinished(NodeId node, bool ok);

public:

    // The full path of a container: a local path, or "ftp://host/path".
    bk::String GetFullPath(NodeId node) const;
    // The node for a local path or an "ftp://" path, listing what lies on
    // the way (local folders only); no_node when no root holds it.
    NodeId find_path(bk::StringView path);

protected:
    bool ExpandItem(NodeId node) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void list_local(NodeId node);
    void list_ftp(NodeId node);
    void ftp_listed(NodeId node, std::uint64_t generation, const std::vector<brim::FtpListEntry>& entries,
                    const bk::String& error);
    NodeId local_root_for(bk::StringView path) const;
    NodeId ftp_server_node(bk::StringView host) const;
    NodeId child_folder(NodeId parent, const bk::String& name, int kind);
    std::size_t file_entry(NodeId parent, const bk::String& name);
    bk::String ftp_server_path(std::size_t server) const;
    void add_roots();

    std::vector<brim::FtpConnectInfo> servers_;
    NodeId ftp_root_ = no_node;
    std::uint64_t generation_ = 0;  // a listing started before the last Display() is dropped
    std::set<NodeId> busy_;         // FTP listings under way
    std::set<NodeId> failed_;       // FTP listings that failed, asked again on the next expansion
    std::shared_ptr<FtpMailbox> mailbox_;
};

// The FTP listings whose threads are still running, in any tree (a tree
// that has gone leaves its listings to end by themselves).
int ftp_listings_running();

class CFolderListCtrl final : public CBrimListCtrl {
    Q_OBJECT
public:
    explicit CFolderListCtrl(QWidget* parent = nullptr) : CBrimListCtrl(parent) {}
    // Shows the content of a folder, volume or server node.
    void FolderTreeSelChanged(NodeId node) { BrimTreeSelChanged(node); }
    // Non-zero: the check boxes cannot be changed (in the tree either).
    void SetReadonly(int read_only);
};

}  // namespace uictl
