#pragma once
// The dialog in which the user adds an FTP server to the folder tree: the
// server, its port, the user name and password (empty for anonymous) and
// the transfer mode.
#include <functional>
#include <optional>

#include <QDialog>

#include "core/media/ftp_connect_info.h"

class QCheckBox;
class QLineEdit;
class QSpinBox;

namespace uictl {

class CFtpServerDialog final : public QDialog {
    Q_OBJECT
public:
    explicit CFtpServerDialog(QWidget* parent = nullptr);
    // The settings entered; the server without surrounding blanks.
    brim::FtpConnectInfo server() const;

private:
    QLineEdit* server_;
    QSpinBox* port_;
    QLineEdit* user_;
    QLineEdit* password_;
    QCheckBox* passive_;
};

// Asks for a server: the dialog, or the prompt a test installed. Nothing
// when the user cancels or leaves the server empty.
std::optional<brim::FtpConnectInfo> ask_ftp_server(QWidget* parent);

// Replaces the dialog (for tests); an empty function restores it.
using FtpServerPrompt = std::function<std::optional<brim::FtpConnectInfo>()>;
void set_ftp_server_prompt(FtpServerPrompt prompt);

}  // namespace uictl
