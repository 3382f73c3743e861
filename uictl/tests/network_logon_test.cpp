// Logging on to a network server: the stored entry, the logon dialog and
// its answers, remembering the password, and the GVfs mounter against a
// stand-in for gio that asks its questions the way gio does.
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QtTest>

#include "core/jobs/password_manager.h"
#include "tests/support/pictures.h"
#include "tests/support/qtest_main.h"
#include "uictl/network_logon.h"
#include "uictl/qt_text.h"
#include "uictl/system_messages.h"
#include "uictl/ui_language.h"

using namespace uictl;

namespace {

// A server that knows one account, ann with the password "right".
class FakeMounter final : public ShareMounter {
public:
    explicit FakeMounter(QStringList* mounts) : mounts_(mounts) {}
    int mount(const bk::String& uri, const bk::String& user, const bk::String& password) override {
        *mounts_ << to_qstring(uri) + ' ' + to_qstring(user);
        return user == u"ann" && password == u"right" ? 0 : 5;
    }
    std::vector<bk::String> list_shares(const bk::String&) override { return {u"media", u"photos"}; }

private:
    QStringList* mounts_;
};

brim::LogonEntry* stored_entry(bk::StringView key) {
    brim::LogonEntry* entry = nullptr;
    brim::PasswordManager::instance()->find_entry(key, &entry);
    return entry;
}

QStringList names_of(const std::vector<bk::String>& names) {
    QStringList list;
    for (const auto& name : names) list << to_qstring(name);
    return list;
}

}  // namespace

class NetworkLogonTest : public QObject {
    Q_OBJECT
private slots:
    void init() {
        force_ui_language(UiLanguage::english);
        mounts_.clear();
        questions_.clear();
        set_share_mounter(std::make_unique<FakeMounter>(&mounts_));
    }
    void cleanup() {
        set_share_mounter(nullptr);
        set_logon_prompt({});
        brim::PasswordManager::instance()->delete_entry(u"\\\\nas");
        brim::PasswordManager::del_instance();
        force_ui_language(std::nullopt);
    }

    void net_resource_names_data() {
        QTest::addColumn<QString>("remote");
        QTest::addColumn<int>("result");
        QTest::addColumn<QString>("uri");
        QTest::addColumn<QString>("share");
        QTest::newRow("UNC server") << "\\\\nas" << 0 << "smb://nas" << "";
        QTest::newRow("UNC share") << "\\\\nas\\media\\" << 0 << "smb://nas/media" << "media";
        QTest::newRow("smb URL") << "smb://nas/media" << 0 << "smb://nas/media" << "media";
        QTest::newRow("local folder") << "/home/ann" << bad_net_name << "" << "";
        QTest::newRow("no server") << "\\\\" << bad_net_name << "" << "";
    }
    void net_resource_names() {
        QFETCH(QString, remote);
        QFETCH(int, result);
        QFETCH(QString, uri);
        QFETCH(QString, share);
        NetResourceInfo info;
        const bk::String name = from_qstring(remote);
        QCOMPARE(GetNetResource(name.c_str(), &info), result);
        if (result == 0) {
            QCOMPARE(to_qstring(info.uri), uri);
            QCOMPARE(to_qstring(info.share), share);
        }
        QCOMPARE(GetNetResource(nullptr, &info), invalid_address);
        QCOMPARE(GetNetResource(name.c_str(), nullptr), invalid_address);
    }

    void a_stored_entry_logs_on_without_asking() {
        brim::PasswordManager::instance()->add_entry(u"\\\\nas", bk::StringView(u"ann"), u"right");
        set_logon_prompt([this](const LogonQuestion& q) {
            questions_ << to_qstring(q.server);
            return std::nullopt;
        });
        std::vector<bk::String> shares;
        int error = -1;
        QCOMPARE(LoginServer({u"\\\\nas"}, 0, &shares, &error), 1);
        QCOMPARE(error, 0);
        QCOMPARE(names_of(shares), (QStringList{"media", "photos"}));
        QVERIFY(questions_.isEmpty());
        QCOMPARE(mounts_, QStringList{"smb://nas ann"});
    }

    void a_wrong_stored_password_asks_with_the_error_and_forgets_when_not_remembered() {
        brim::PasswordManager::instance()->add_entry(u"\\\\nas", bk::StringView(u"ann"), u"old");
        std::vector<LogonQuestion> asked;
        set_logon_prompt([&](const LogonQuestion& q) {
            asked.push_back(q);
            if (asked.size() == 1) return std::optional<LogonAnswer>({u"ann", u"wrong", false});
            return std::optional<LogonAnswer>({u"ann", u"right", false});
        });
        int error = -1;
        std::vector<bk::String> shares;
        QCOMPARE(LoginServer({u"\\\\nas"}, 0, &shares, &error), 1);
        QCOMPARE(asked.size(), std::size_t{2});
        QCOMPARE(to_qstring(asked[0].user), QStringLiteral("ann"));
        QCOMPARE(to_qstring(asked[0].last_error),
                 QStringLiteral("Cannot connect to the network share: Permission denied\n(\\\\nas)"));
        QVERIFY(!asked[1].last_error.empty());
        QCOMPARE(error, 0);
        QVERIFY(stored_entry(u"\\\\nas") == nullptr);
    }

    void the_forced_dialog_remembers_the_new_logon() {
        brim::PasswordManager::instance()->add_entry(u"\\\\nas", bk::StringView(u"bob"), u"whatever");
        set_logon_prompt([](const LogonQuestion& q) {
            return q.user == u"bob" ? std::optional<LogonAnswer>({u"ann", u"right", true}) : std::nullopt;
        });
        QCOMPARE(LoginServer({u"\\\\nas"}, force_logon_dialog, nullptr, nullptr), 1);
        QCOMPARE(mounts_, QStringList{"smb://nas ann"});
        brim::LogonEntry* entry = stored_entry(u"\\\\nas");
        QVERIFY(entry != nullptr);
        QCOMPARE(to_qstring(entry->aux_text), QStringLiteral("ann"));
        QCOMPARE(to_qstring(entry->password), QStringLiteral("right"));
    }

    void cancel_gives_up_with_the_last_error() {
        set_logon_prompt([](const LogonQuestion& q) {
            return q.last_error.empty() ? std::optional<LogonAnswer>({u"ann", u"wrong", true}) : std::nullopt;
        });
        int error = -1;
        QCOMPARE(LoginServer({u"smb://nas"}, 0, nullptr, &error), 0);
        QCOMPARE(error, 5);
        QVERIFY(stored_entry(u"smb://nas") == nullptr);
    }

    void the_logon_dialog_shows_the_question_and_gives_the_answer() {
        for (const UiLanguage language : {UiLanguage::english, UiLanguage::chinese}) {
            force_ui_language(language);
            CLogonDialog dialog(nullptr, {u"\\\\nas", u"ann", u"Permission denied"});
            QCOMPARE(dialog.findChild<QLabel*>("server")->text(), QStringLiteral("\\\\nas"));
            QCOMPARE(dialog.findChild<QLabel*>("error")->text(), QStringLiteral("Permission denied"));
            QTest::keyClicks(dialog.findChild<QLineEdit*>("password"), "s3cret");
            dialog.findChild<QCheckBox*>("remember")->setChecked(true);
            brim_test::save_picture(&dialog, language == UiLanguage::chinese ? "logon-zh" : "logon-en");
            const LogonAnswer answer = dialog.answer();
            QCOMPARE(to_qstring(answer.user), QStringLiteral("ann"));
            QCOMPARE(to_qstring(answer.password), QStringLiteral("s3cret"));
            QVERIFY(answer.remember);
        }
    }

    // A stand-in for gio: asks for user, domain and password one prompt at a
    // time, mounts only for EXAMPLE\ann with "right", lists two shares and a
    // hidden one.
    void the_gio_mounter_answers_gios_prompts() {
        QTemporaryDir folder;
        const QString program = folder.filePath("gio");
        QFile script(program);
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write(R"(#!/bin/sh
if [ "$1" = list ]; then printf 'media\nIPC$\nhome\n'; exit 0; fi
printf 'Authentication Required\nEnter user and password for share on "nas":\nUser [root]: '
read user
printf 'Domain [WORKGROUP]: '
read domain
printf 'Password: '
read password
if [ "$user/$domain/$password" = "ann/EXAMPLE/right" ]; then exit 0; fi
if [ "$password" = "broken" ]; then echo "gio: $2: Connection refused by the backend" >&2; exit 2; fi
echo "gio: $2: Failed to mount Windows share: Permission denied" >&2
exit 2
)");
        script.close();
        script.setPermissions(script.permissions() | QFile::ExeOwner);
        auto mounter = gio_share_mounter(from_qstring(program));
        QCOMPARE(mounter->mount(u"smb://nas/media", u"EXAMPLE\\ann", u"right"), 0);
        QCOMPARE(mounter->mount(u"smb://nas/media", u"EXAMPLE\\ann", u"wrong"), 5);
        QCOMPARE(mounter->mount(u"smb://nas/media", u"ann", u"broken"), int(extended_network_error));
        QVERIFY(to_qstring(network_provider_error()).contains("Connection refused by the backend"));
        QCOMPARE(names_of(mounter->list_shares(u"smb://nas")), (QStringList{"media", "home"}));
    }

private:
    QStringList mounts_;
    QStringList questions_;
};

BRIM_QTEST_MAIN(NetworkLogonTest)
#include "network_logon_test.moc"
