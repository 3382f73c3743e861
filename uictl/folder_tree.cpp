#include "uictl/folder_tree.h"

#include <atomic>
#include <mutex>
#include <thread>

#include <QContextMenuEvent>
#include <QDir>
#include <QMenu>

#include "basekit/exception.h"
#include "basekit/path.h"
#include "basekit/platform/os_fs.h"
#include "basekit/platform/os_volume.h"
#include "core/media/ftp_connection.h"
#include "core/media/ftp_path.h"
#include "uictl/ftp_server_dialog.h"
#include "uictl/qt_text.h"
#include "uictl/uictl_strings.h"

namespace uictl {

// Where a listing thread hands its result to the tree: the tree forgets
// itself here when it goes, so that a listing that ends later (a dead server
// answers after minutes) finds nobody and drops its result.
struct FtpMailbox {
    std::mutex mutex;
    CFolderTreeCtrl* tree = nullptr;
};

namespace {

std::atomic<int> running_listings{0};

QString text(std::uint32_t id) { return to_qstring(uictl_strings().text(id)); }
QString text(std::uint32_t id, const bk::String& arg) { return to_qstring(uictl_strings().format(id, {arg})); }

// Whether `path` is `root` or lies below it.
bool lies_under(bk::StringView path, bk::StringView root) {
    if (path == root) return true;
    if (root == u"/") return !path.empty() && path.front() == u'/';
    return path.size() > root.size() && path.substr(0, root.size()) == root && path[root.size()] == u'/';
}

std::vector<bk::String> split(bk::StringView path) {
    std::vector<bk::String> pieces;
    std::size_t start = 0;
    while (start <= path.size()) {
        const std::size_t end = std::min(path.find(u'/', start), path.size());
        if (end > start) pieces.emplace_back(path.substr(start, end - start));
        start = end + 1;
    }
    return pieces;
}

}  // namespace

CFolderTreeCtrl::CFolderTreeCtrl(QWidget* parent)
    : CBrimTreeCtrl(parent), mailbox_(std::make_shared<FtpMailbox>()) {
    setObjectName("folderTree");
    mailbox_->tree = this;
    // A server that failed is asked again when the user expands it again.
    connect(this, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem* item) {
        const NodeId node = node_of(item);
        if (node != no_node && failed_.erase(node) > 0) ensure_listed(node);
    });
}

CFolderTreeCtrl::~CFolderTreeCtrl() {
    const std::lock_guard lock(mailbox_->mutex);
    mailbox_->tree = nullptr;
}

void CFolderTreeCtrl::Display(int) {
    ClearAll();
    ++generation_;
    busy_.clear();
    failed_.clear();
    add_roots();
}

void CFolderTreeCtrl::add_roots() {
    AddRoot(text(text_id::file_system_root, u"/"), u"/", local_volume, true, 0, true);
    const bk::String home = from_qstring(QDir::homePath());
    if (!home.empty() && home != u"/") AddRoot(text(text_id::home_folder_root, home), home, local_volume, true, 0, true);
    for (const auto& volume : bk::os::browsable_volume_roots()) {
        if (volume.path == u"/" || volume.path == home) continue;
        // Fixed volumes below the root are reached through it.
        if (volume.kind == bk::os::VolumeKind::fixed) continue;
        const int kind = volume.kind == bk::os::VolumeKind::remote ? network_volume : local_volume;
        AddRoot(shown_name(volume.path), volume.path, kind, true, 0, true);
    }
    ftp_root_ = AddRoot(text(text_id::ftp_servers_root), u"ftp://", ftp_servers, false, 0, false);
    for (std::size_t i = 0; i < servers_.size(); ++i)
        AddItem(ftp_root_, brim::ftp_host(servers_[i].server), ftp_server, true, i, true);
    model().set_listed(ftp_root_);
    if (QTreeWidgetItem* item = item_of(ftp_root_)) item->setExpanded(true);
}

void CFolderTreeCtrl::SetFtpServers(const std::vector<brim::FtpConnectInfo>& servers) { servers_ = servers; }

NodeId CFolderTreeCtrl::AddComputer(const brim::FtpConnectInfo& server) {
    const bk::String host = brim::ftp_host(server.server);
    for (std::size_t i = 0; i < servers_.size(); ++i) {
        if (!brim::same_ftp_host(servers_[i].server, host)) continue;
        servers_[i] = server;
        return ftp_server_node(host);
    }
    servers_.push_back(server);
    if (ftp_root_ == no_node) return no_node;
    return AddItem(ftp_root_, host, ftp_server, true, servers_.size() - 1, true);
}

void CFolderTreeCtrl::OnAddComputer() {
    if (const auto server = ask_ftp_server(this)) {
        const NodeId node = AddComputer(*server);
        if (node != no_node) select_node(node);
    }
}

void CFolderTreeCtrl::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    menu.addAction(text(text_id::add_ftp_server), this, &CFolderTreeCtrl::OnAddComputer);
    menu.exec(event->globalPos());
}

bk::String CFolderTreeCtrl::ftp_server_path(std::size_t server) const {
    const brim::FtpConnectInfo& info = servers_.at(server);
    bk::String path = bk::String(brim::ftp_prefix) + brim::ftp_host(info.server);
    if (info.port != 21) path += u":" + from_qstring(QString::number(info.port));
    return path;
}

bk::String CFolderTreeCtrl::GetFullPath(NodeId node) const {
    const CheckModel& m = model();
    const std::vector<bk::String> pieces = m.path_pieces(node);
    if (pieces.empty()) return {};
    const NodeId server = ftp_server_of(m, node);
    if (server != no_node) {
        bk::String path = ftp_server_path(m.node(server).data);
        const std::size_t depth = m.path_pieces(server).size();
        for (std::size_t i = depth; i < pieces.size(); ++i) path += u"/" + pieces[i];
        return path;
    }
    if (m.node(node).kind == ftp_servers) return {};
    bk::String path = pieces.front();
    for (std::size_t i = 1; i < pieces.size(); ++i) path = bk::Path::combine(path, pieces[i]);
    return path;
}

NodeId CFolderTreeCtrl::local_root_for(bk::StringView path) const {
    NodeId best = no_node;
    std::size_t best_length = 0;
    for (const NodeId root : model().roots()) {
        const CheckNode& node = model().node(root);
        if (!is_local_kind(node.kind) || !lies_under(path, node.name)) continue;
        if (best == no_node || node.name.size() > best_length) {
            best = root;
            best_length = node.name.size();
        }
    }
    return best;
}

NodeId CFolderTreeCtrl::ftp_server_node(bk::StringView host) const {
    if (ftp_root_ == no_node) return no_node;
    for (const NodeId child : model().node(ftp_root_).children)
        if (brim::same_ftp_host(servers_.at(model().node(child).data).server, host)) return child;
    return no_node;
}

NodeId CFolderTreeCtrl::child_folder(NodeId parent, const bk::String& name, int kind) {
    const NodeId found = model().find_child(parent, name);
    return found != no_node ? found : AddItem(parent, name, kind, true, 0, true);
}

std::size_t CFolderTreeCtrl::file_entry(NodeId parent, const bk::String& name) {
    const auto& files = model().node(parent).files;
    for (std::size_t i = 0; i < files.size(); ++i)
        if (files[i].name == name) return i;
    return model().add_file(parent, {name});
}

NodeId CFolderTreeCtrl::find_path(bk::StringView path) {
    if (brim::is_ftp_path(path)) {
        NodeId node = ftp_server_node(brim::ftp_host(path));
        if (node == no_node) return no_node;
        for (const auto& piece : split(brim::ftp_remote_path(path))) node = child_folder(node, piece, ftp_folder);
        return node;
    }
    NodeId node = local_root_for(path);
    if (node == no_node) return no_node;
    const bk::String& root = model().node(node).name;
    const bk::StringView rest = path.substr(std::min(path.size(), root.size()));
    for (const auto& piece : split(rest)) {
        ensure_listed(node);
        node = child_folder(node, piece, local_folder);
    }
    return node;
}

void CFolderTreeCtrl::Display(const std::vector<brim::SourceData*>& sources) {
    using brim::SourceType;
    for (const brim::SourceData* source : sources) {
        if (source == nullptr) continue;
        const bk::String& path = source->path;
        const bool remote = source->type == SourceType::ftp_server || source->type == SourceType::ftp_directory ||
                            source->type == SourceType::ftp_file;
        if (remote && ftp_server_node(brim::ftp_host(path)) == no_node) {
            brim::FtpConnectInfo anonymous;
            anonymous.server = brim::ftp_host(path);
            const brim::FtpEndpoint endpoint = brim::ftp_endpoint(path);
            if (endpoint.port != 0) anonymous.port = endpoint.port;
            AddComputer(anonymous);
        }
        const int whole = source->recursive ? selected : partly_selected;
        switch (source->type) {
            case SourceType::directory:
            case SourceType::ftp_directory:
            case SourceType::ftp_server: {
                const NodeId node = source->type == SourceType::ftp_server ? ftp_server_node(brim::ftp_host(path))
                                                                           : find_path(path);
                if (node != no_node) SetItemState(node, whole);
                break;
            }
            case SourceType::file: {
                const NodeId parent = find_path(bk::Path::directory_name(path));
                if (parent == no_node) break;
                ensure_listed(parent);
                model().set_file_state(parent, file_entry(parent, bk::Path::file_name(path)), true);
                break;
            }
            case SourceType::ftp_file: {
                const brim::FtpPathParts parts = brim::split_ftp_path(brim::ftp_remote_path(path));
                const NodeId server = ftp_server_node(brim::ftp_host(path));
                const NodeId parent = server == no_node ? no_node : find_path(GetFullPath(server) + parts.parent);
                if (parent != no_node) model().set_file_state(parent, file_entry(parent, parts.leaf), true);
                break;
            }
        }
    }
}

std::vector<brim::SourceData> CFolderTreeCtrl::selected_sources() const {
    SourceNaming naming;
    naming.container_path = [this](NodeId node) { return GetFullPath(node); };
    naming.file_path = [this](NodeId node, const bk::String& name) {
        const bk::String folder = GetFullPath(node);
        return ftp_server_of(model(), node) != no_node ? brim::ftp_path_join(folder, name)
                                                        : bk::Path::combine(folder, name);
    };
    return selection_to_sources(model(), naming);
}

int CFolderTreeCtrl::GetSelectedData(brim::BackupItem* job) {
    if (job == nullptr) return 0;
    std::vector<brim::SourceData> sources = selected_sources();
    if (sources.empty()) return 0;
    for (const NodeId node : model().topmost_selection()) {
        const NodeId server = ftp_server_of(model(), node);
        if (server == no_node) continue;
        const brim::FtpConnectInfo& info = servers_.at(model().node(server).data);
        bool known = false;
        for (auto& present : job->ftp_servers) {
            if (!brim::same_ftp_host(present.server, info.server)) continue;
            present = info;
            known = true;
        }
        if (!known) job->ftp_servers.push_back(info);
    }
    for (auto& source : sources) job->sources.push_back(std::move(source));
    return 1;
}

bool CFolderTreeCtrl::ExpandItem(NodeId node) {
    const int kind = model().node(node).kind;
    if (is_local_kind(kind)) {
        list_local(node);
        return true;
    }
    if (is_ftp_kind(kind)) {
        list_ftp(node);
        return false;
    }
    return true;
}

void CFolderTreeCtrl::list_local(NodeId node) {
    const bk::String path = GetFullPath(node);
    std::vector<bk::os::DirectoryEntry> entries;
    try {
        entries = bk::os::read_directory(path);
    } catch (const bk::Exception& error) {
        set_content_note(node, text(text_id::listing_failed, error.message()));
        return;
    }
    for (const auto& entry : entries) {
        if (entry.kind == bk::os::EntryKind::directory) {
            child_folder(node, entry.name, local_folder);
            continue;
        }
        if (entry.kind != bk::os::EntryKind::regular && entry.kind != bk::os::EntryKind::symlink) continue;
        bk::os::EntryStatus status;
        try {
            status = bk::os::status(bk::Path::combine(path, entry.name));
        } catch (const bk::Exception&) {
            continue;  // gone since the listing, or unreadable: not offered
        }
        // A link is offered as the file it is, never as a way into a folder.
        if (status.kind == bk::os::EntryKind::symlink && status.target_kind != bk::os::EntryKind::regular) continue;
        model().set_file_details(node, file_entry(node, entry.name), static_cast<std::int64_t>(status.size),
                                 status.modify_time);
    }
}

void CFolderTreeCtrl::list_ftp(NodeId node) {
    if (busy_.contains(node) || failed_.contains(node)) return;
    const NodeId server = ftp_server_of(model(), node);
    if (server == no_node) return;
    busy_.insert(node);
    set_content_note(node, text(text_id::listing_note));
    const brim::FtpConnectInfo info = servers_.at(model().node(server).data);
    const bk::String remote = brim::ftp_remote_path(GetFullPath(node));
    const std::uint64_t generation = generation_;
    ++running_listings;
    std::thread([mailbox = mailbox_, info, remote, node, generation] {
        struct Done {
            ~Done() { --running_listings; }
        } done;
        std::vector<brim::FtpListEntry> entries;
        bk::String error;
        try {
            brim::FtpConnection connection(info);
            connection.connect();
            entries = connection.list_directory(remote);
            connection.close();
        } catch (const bk::Exception& failure) {
            error = failure.message();
            if (error.empty()) error = u"?";
        }
        const std::lock_guard lock(mailbox->mutex);
        if (mailbox->tree == nullptr) return;
        QMetaObject::invokeMethod(
            mailbox->tree,
            [tree = mailbox->tree, node, generation, entries = std::move(entries), error = std::move(error)] {
                tree->ftp_listed(node, generation, entries, error);
            },
            Qt::QueuedConnection);
    }).detach();
}

void CFolderTreeCtrl::ftp_listed(NodeId node, std::uint64_t generation, const std::vector<brim::FtpListEntry>& entries,
                                 const bk::String& error) {
    if (generation != generation_ || node >= model().size()) return;
    busy_.erase(node);
    if (!error.empty()) {
        failed_.insert(node);
        set_content_note(node, text(text_id::listing_failed, error));
        emit listingFinished(node, false);
        return;
    }
    for (const auto& entry : entries) {
        if (entry.is_directory) {
            child_folder(node, entry.name, ftp_folder);
            continue;
        }
        model().set_file_details(node, file_entry(node, entry.name), entry.size, entry.modified_time);
    }
    // Listed before the note goes, so that showing the content does not
    // start another listing.
    finish_listing(node);
    set_content_note(node, {});
    emit listingFinished(node, true);
}

int ftp_listings_running() { return running_listings.load(); }

void CFolderListCtrl::SetReadonly(int read_only) {
    if (tree() != nullptr) tree()->set_read_only(read_only != 0);
}

}  // namespace uictl
