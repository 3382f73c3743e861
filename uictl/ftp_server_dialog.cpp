#include "uictl/ftp_server_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

#include "uictl/qt_text.h"
#include "uictl/uictl_strings.h"

namespace uictl {

namespace {

FtpServerPrompt& prompt() {
    static FtpServerPrompt installed;
    return installed;
}

// A form row whose label's mnemonic moves the focus to `field`.
void add_row(QFormLayout* form, std::uint32_t text, QWidget* field) {
    auto* label = new QLabel(to_qstring(uictl_strings().text(text)), form->parentWidget());
    label->setBuddy(field);
    form->addRow(label, field);
}

}  // namespace

CFtpServerDialog::CFtpServerDialog(QWidget* parent) : QDialog(parent) {
    const auto& strings = uictl_strings();
    setObjectName("ftpServerDialog");
    setWindowTitle(to_qstring(strings.text(text_id::ftp_server_title)));
    auto* form = new QFormLayout(this);
    server_ = new QLineEdit(this);
    server_->setObjectName("server");
    add_row(form, text_id::ftp_server_name, server_);
    port_ = new QSpinBox(this);
    port_->setObjectName("port");
    port_->setRange(1, 65535);
    port_->setValue(21);
    add_row(form, text_id::ftp_server_port, port_);
    user_ = new QLineEdit(this);
    user_->setObjectName("user");
    add_row(form, text_id::ftp_server_user, user_);
    password_ = new QLineEdit(this);
    password_->setObjectName("password");
    password_->setEchoMode(QLineEdit::Password);
    add_row(form, text_id::ftp_server_password, password_);
    passive_ = new QCheckBox(to_qstring(strings.text(text_id::ftp_server_passive)), this);
    passive_->setObjectName("passive");
    passive_->setChecked(true);
    form->addRow(passive_);
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(to_qstring(strings.text(text_id::ok_button)), QDialogButtonBox::AcceptRole);
    buttons->addButton(to_qstring(strings.text(text_id::cancel_button)), QDialogButtonBox::RejectRole);
    ok->setDefault(true);
    ok->setEnabled(false);
    connect(server_, &QLineEdit::textChanged, ok, [ok](const QString& text) { ok->setEnabled(!text.trimmed().isEmpty()); });
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    form->addRow(buttons);
    server_->setFocus();
}

brim::FtpConnectInfo CFtpServerDialog::server() const {
    brim::FtpConnectInfo info;
    info.server = from_qstring(server_->text().trimmed());
    info.port = static_cast<std::uint16_t>(port_->value());
    info.user = from_qstring(user_->text());
    info.password = from_qstring(password_->text());
    info.passive = passive_->isChecked();
    return info;
}

std::optional<brim::FtpConnectInfo> ask_ftp_server(QWidget* parent) {
    std::optional<brim::FtpConnectInfo> answer;
    if (prompt()) {
        answer = prompt()();
    } else {
        CFtpServerDialog dialog(parent);
        if (dialog.exec() == QDialog::Accepted) answer = dialog.server();
    }
    if (answer && answer->server.empty()) answer.reset();
    return answer;
}

void set_ftp_server_prompt(FtpServerPrompt installed) { prompt() = std::move(installed); }

}  // namespace uictl
