#include "uictl/network_logon.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>

#include "basekit/error_code.h"
#include "core/jobs/password_manager.h"
#include "uictl/qt_text.h"
#include "uictl/system_messages.h"
#include "uictl/uictl_strings.h"

namespace uictl {
namespace {

// How long gio may take to answer one prompt or to finish.
constexpr int gio_wait_ms = 30000;

class GioShareMounter final : public ShareMounter {
public:
    explicit GioShareMounter(bk::String program) : program_(to_qstring(program)) {}

    int mount(const bk::String& uri, const bk::String& user, const bk::String& password) override {
        QProcess gio;
        gio.start(program_, {"mount", to_qstring(uri)});
        if (!gio.waitForStarted(gio_wait_ms)) return provider_failure(gio.errorString());
        answer_prompts(gio, user, password);
        gio.closeWriteChannel();
        gio.waitForFinished(gio_wait_ms);
        const QString errors = QString::fromUtf8(gio.readAllStandardError()).trimmed();
        if (gio.exitStatus() == QProcess::NormalExit && gio.exitCode() == 0) return 0;
        if (errors.contains("already mounted", Qt::CaseInsensitive)) return 0;
        if (errors.contains("denied", Qt::CaseInsensitive) || errors.contains("Login failed", Qt::CaseInsensitive)) {
            return bk::error::access_denied;
        }
        return provider_failure(errors.isEmpty() ? gio.errorString() : errors);
    }

    std::vector<bk::String> list_shares(const bk::String& server_uri) override {
        QProcess gio;
        gio.start(program_, {"list", to_qstring(server_uri)});
        gio.waitForFinished(gio_wait_ms);
        std::vector<bk::String> shares;
        const QStringList names = QString::fromUtf8(gio.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
        for (const QString& name : names) {
            if (!name.endsWith('$')) shares.push_back(from_qstring(name));  // hidden administrative shares
        }
        return shares;
    }

private:
    // gio asks "User [...]:", "Domain [...]:" and "Password:" one at a time,
    // as the server needs them. A user written DOMAIN\name gives the domain.
    static void answer_prompts(QProcess& gio, const bk::String& user, const bk::String& password) {
        QString name = to_qstring(user);
        QString domain;
        if (const qsizetype slash = name.indexOf('\\'); slash > 0) {
            domain = name.left(slash);
            name = name.mid(slash + 1);
        }
        QString pending;
        while (gio.state() == QProcess::Running && gio.waitForReadyRead(gio_wait_ms)) {
            pending += QString::fromUtf8(gio.readAllStandardOutput());
            const QString line = pending.trimmed();
            QString reply;
            if (line.endsWith(':') && line.section('\n', -1).startsWith("User")) reply = name;
            else if (line.endsWith(':') && line.section('\n', -1).startsWith("Domain")) reply = domain;
            else if (line.endsWith(':') && line.section('\n', -1).startsWith("Password")) reply = to_qstring(password);
            else continue;
            gio.write((reply + '\n').toUtf8());
            pending.clear();
        }
    }

    static int provider_failure(const QString& text) {
        set_network_provider_error(from_qstring(text));
        return static_cast<int>(extended_network_error);
    }

    QString program_;
};

std::unique_ptr<ShareMounter>& installed_mounter() {
    static std::unique_ptr<ShareMounter> mounter;
    return mounter;
}

ShareMounter& share_mounter() {
    if (!installed_mounter()) installed_mounter() = gio_share_mounter();
    return *installed_mounter();
}

LogonPrompt& installed_prompt() {
    static LogonPrompt prompt;
    return prompt;
}

std::optional<LogonAnswer> ask_logon(const LogonQuestion& question) {
    if (installed_prompt()) return installed_prompt()(question);
    CLogonDialog dialog(QApplication::activeWindow(), question);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.answer();
}

// The stored entry of a server: its user name and password, when there is
// one and the store can be read.
std::optional<LogonAnswer> stored_logon(bk::StringView key) {
    try {
        brim::LogonEntry* entry = nullptr;
        if (brim::PasswordManager::instance()->find_entry(key, &entry) && entry != nullptr) {
            return LogonAnswer{entry->aux_text, entry->password, true};
        }
    } catch (const std::exception&) {
        // An unreadable store counts as no entry.
    }
    return std::nullopt;
}

void remember_logon(bk::StringView key, const LogonAnswer& answer) {
    try {
        auto* store = brim::PasswordManager::instance();
        if (answer.remember) {
            store->add_entry(key, bk::StringView(answer.user), answer.password);
        } else {
            store->delete_entry(key);
        }
        store->save();
    } catch (const std::exception&) {
        // The logon worked; only remembering it failed, which costs a question next time.
    }
}

}  // namespace

std::unique_ptr<ShareMounter> gio_share_mounter(bk::String gio_program) {
    return std::make_unique<GioShareMounter>(std::move(gio_program));
}

void set_share_mounter(std::unique_ptr<ShareMounter> mounter) {
    installed_mounter() = std::move(mounter);
}

void set_logon_prompt(LogonPrompt prompt) {
    installed_prompt() = std::move(prompt);
}

CLogonDialog::CLogonDialog(QWidget* parent, const LogonQuestion& question) : QDialog(parent) {
    const auto& strings = uictl_strings();
    setObjectName("logonDialog");
    setWindowTitle(to_qstring(strings.text(text_id::logon_title)));
    auto* form = new QFormLayout(this);
    auto* server = new QLabel(to_qstring(question.server), this);
    server->setObjectName("server");
    form->addRow(to_qstring(strings.text(text_id::logon_server)), server);
    user_ = new QLineEdit(to_qstring(question.user), this);
    user_->setObjectName("user");
    form->addRow(to_qstring(strings.text(text_id::logon_user)), user_);
    password_ = new QLineEdit(this);
    password_->setObjectName("password");
    password_->setEchoMode(QLineEdit::Password);
    form->addRow(to_qstring(strings.text(text_id::logon_password)), password_);
    remember_ = new QCheckBox(to_qstring(strings.text(text_id::logon_remember)), this);
    remember_->setObjectName("remember");
    form->addRow(remember_);
    if (!question.last_error.empty()) {
        auto* error = new QLabel(to_qstring(question.last_error), this);
        error->setObjectName("error");
        error->setWordWrap(true);
        form->addRow(error);
    }
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(to_qstring(strings.text(text_id::ok_button)), QDialogButtonBox::AcceptRole);
    buttons->addButton(to_qstring(strings.text(text_id::cancel_button)), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    form->addRow(buttons);
    (question.user.empty() ? user_ : password_)->setFocus();
}

LogonAnswer CLogonDialog::answer() const {
    return {from_qstring(user_->text()), from_qstring(password_->text()), remember_->isChecked()};
}

}  // namespace uictl

int GetNetResource(const char16_t* remote, NetResourceInfo* info) {
    if (remote == nullptr || info == nullptr) return invalid_address;
    bk::StringView name(remote);
    bk::String rest;
    if (name.starts_with(u"\\\\")) {
        rest = bk::String(name.substr(2));
        for (char16_t& c : rest) {
            if (c == u'\\') c = u'/';
        }
    } else if (name.starts_with(u"smb://")) {
        rest = bk::String(name.substr(6));
    } else {
        return bad_net_name;
    }
    while (!rest.empty() && rest.back() == u'/') rest.pop_back();
    const auto slash = rest.find(u'/');
    info->server = rest.substr(0, slash);
    if (info->server.empty()) return bad_net_name;
    info->share = slash == bk::String::npos ? bk::String() : rest.substr(slash + 1);
    info->uri = u"smb://" + rest;
    return 0;
}

int LoginServer(const NetResource& server, unsigned flags, std::vector<bk::String>* shares, int* error) {
    using namespace uictl;
    NetResourceInfo info;
    int last_error = GetNetResource(server.remote_name.c_str(), &info);
    if (last_error != 0) {
        if (error != nullptr) *error = last_error;
        return 0;
    }
    auto connected = [&](const LogonAnswer& logon) {
        last_error = share_mounter().mount(info.uri, logon.user, logon.password);
        if (error != nullptr) *error = last_error;
        if (last_error != 0) return false;
        if (shares != nullptr) *shares = info.share.empty() ? share_mounter().list_shares(info.uri)
                                                           : std::vector<bk::String>{info.share};
        return true;
    };
    const std::optional<LogonAnswer> stored = stored_logon(server.remote_name);
    if (stored && (flags & force_logon_dialog) == 0 && connected(*stored)) return 1;
    LogonQuestion question{server.remote_name, stored ? stored->user : bk::String(), {}};
    if (last_error != 0) question.last_error = GetFldError(text_id::logon_failed, last_error, server.remote_name.c_str());
    for (;;) {
        const std::optional<LogonAnswer> answer = ask_logon(question);
        if (!answer) return 0;
        if (connected(*answer)) {
            remember_logon(server.remote_name, *answer);
            return 1;
        }
        question.user = answer->user;
        question.last_error = GetFldError(text_id::logon_failed, static_cast<unsigned long>(last_error),
                                          server.remote_name.c_str());
    }
}
