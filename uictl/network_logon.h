#pragma once
// Logging on to a network server and listing its shares. On Linux a server is
// an SMB server given as \\server or smb://server; shares are mounted through
// GVfs (`gio mount`), with the logon entry stored for the server or the
// user's answer in the logon dialog.
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include <QDialog>

#include "basekit/types.h"

class QCheckBox;
class QLabel;
class QLineEdit;

// A network resource: the remote name of a server or share.
struct NetResource {
    bk::String remote_name;  // \\server, \\server\share, smb://server[/share]
};

// What GetNetResource tells of a remote name.
struct NetResourceInfo {
    bk::String server;  // the host
    bk::String share;   // empty for a server
    bk::String uri;     // smb://server[/share], as the mounter takes it
};

// The first flag of LoginServer: show the logon dialog even when a logon
// entry is stored for the server.
inline constexpr unsigned force_logon_dialog = 0x1;
// The platform's "missing arguments" result of GetNetResource.
inline constexpr int invalid_address = 487;
// A remote name that is no network name.
inline constexpr int bad_net_name = 67;

// Connects to `server` and lists its disk shares into `shares`. A stored
// logon entry (keyed by the server's remote name) is tried first unless
// `flags` has force_logon_dialog; otherwise, and after a failure, the logon
// dialog asks until the connection succeeds (1) or the user cancels (0). The
// last error code goes to `error`. A successful logon from the dialog stores
// the entry when "remember" is ticked and deletes it otherwise.
int LoginServer(const NetResource& server, unsigned flags, std::vector<bk::String>* shares, int* error);

// Reads a remote name into `info`: 0, invalid_address when an argument is
// missing, bad_net_name when the name is no network name.
int GetNetResource(const char16_t* remote, NetResourceInfo* info);

namespace uictl {

// The file manager's access to network shares; tests replace it.
class ShareMounter {
public:
    virtual ~ShareMounter() = default;
    // Mounts `uri` with the credentials; 0 on success, else a system error
    // code (5 for a refused logon, 1208 with the provider's text set through
    // set_network_provider_error for anything else).
    virtual int mount(const bk::String& uri, const bk::String& user, const bk::String& password) = 0;
    // The share names of a mounted server; empty when there are none.
    virtual std::vector<bk::String> list_shares(const bk::String& server_uri) = 0;
};

// The mounter that runs GVfs's `gio` (the program named by `gio_program`).
std::unique_ptr<ShareMounter> gio_share_mounter(bk::String gio_program = u"gio");

// Installs the mounter LoginServer uses; null restores GVfs's.
void set_share_mounter(std::unique_ptr<ShareMounter> mounter);

// What the logon dialog asks and answers.
struct LogonAnswer {
    bk::String user;
    bk::String password;
    bool remember = false;
};
struct LogonQuestion {
    bk::String server;
    bk::String user;        // of the stored entry, if any
    bk::String last_error;  // empty the first time
};

// The logon dialog: the server, user name, password, "remember", the last
// error.
class CLogonDialog final : public QDialog {
    Q_OBJECT
public:
    CLogonDialog(QWidget* parent, const LogonQuestion& question);
    LogonAnswer answer() const;

private:
    QLineEdit* user_;
    QLineEdit* password_;
    QCheckBox* remember_;
};

// Replaces the logon dialog (for tests): nullopt means Cancel. An empty
// function restores the dialog.
using LogonPrompt = std::function<std::optional<LogonAnswer>(const LogonQuestion&)>;
void set_logon_prompt(LogonPrompt prompt);

}  // namespace uictl
