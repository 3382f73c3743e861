// The new user-data job on a fake home directory: which rows are found and
// with which folders and files, the paths text cut after 50 characters, the
// dialog's checks and the job it makes, and a job of a mail profile that
// backs it up and restores it byte for byte.
#include <filesystem>

#include <QApplication>
#include <QComboBox>
#include <QSignalSpy>
#include <QTimer>
#include <QLineEdit>
#include <QTreeWidget>
#include <QtTest>

#include "app/app_strings.h"
#include "app/main_window.h"
#include "app/runner/runner_controller.h"
#include "app/user_data_dialog.h"
#include "app/user_data_sources.h"
#include "basekit/convertion.h"
#include "core/jobs/backup_item.h"
#include "core/jobs/backup_item_manager.h"
#include "job/system_option.h"
#include "tests/support/cli_runner.h"
#include "tests/support/file_tree.h"
#include "tests/support/gui_singletons.h"
#include "tests/support/pictures.h"
#include "tests/support/qtest_main.h"
#include "uictl/brim_message_box.h"
#include "uictl/qt_text.h"

namespace fs = std::filesystem;
using app::UserDataSource;

namespace {

bk::String text(const fs::path& path) { return bk::from_ansi(path.string()); }

UserDataSource folder(const fs::path& path) { return {text(path), false, 1}; }
UserDataSource file(const fs::path& path) { return {text(path), true, 0}; }

// Writes a file of the fake home, with the folders it lies in.
void put(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    brim_test::write_bytes(path, bytes);
}

}  // namespace

class UserDataTest : public QObject {
    Q_OBJECT

    std::unique_ptr<brim_test::IsolatedHome> isolated;
    fs::path home, config, data;

    // Thunderbird with two profiles (one named by an absolute path), the
    // documents folder renamed in user-dirs.dirs, a Firefox folder left
    // without its profiles.ini, Evolution's settings without its mail, and
    // GTK bookmarks.
    void make_fake_home() {
        put(config / "user-dirs.dirs",
                               "# written by xdg-user-dirs-update\nXDG_DOCUMENTS_DIR=\"$HOME/Papers\"\n"
                               "XDG_DESKTOP_DIR=\"$HOME/\"\n");
        fs::create_directories(home / "Papers");
        put(config / "gtk-3.0" / "bookmarks", "file:///srv/music Music\n");
        fs::create_directories(config / "evolution");
        fs::create_directories(home / ".mozilla" / "firefox" / "abc.default");
        put(home / ".thunderbird" / "profiles.ini",
                               "[General]\nStartWithLastProfile=1\n\n[Profile0]\nName=default\nIsRelative=1\n"
                               "Path=k3x9.default\nDefault=1\n\n[Profile1]\nName=work\nIsRelative=0\nPath=" +
                                   (home / "work-mail").string() + "\n\n[Install4F96D1932A9F858E]\nDefault=k3x9.default\n");
        const fs::path profile = home / ".thunderbird" / "k3x9.default";
        put(profile / "prefs.js", "user_pref(\"mail.server.server1.name\", \"me\");\n");
        put(profile / "Mail" / "Local Folders" / "Inbox", std::string(70000, 'm') + "From me\n");
        put(profile / "Mail" / "Local Folders" / "Inbox.msf", std::string("\0\1\2\3", 4));
        put(home / "work-mail" / "abook.sqlite", std::string(4096, '\x7f'));
    }

    const app::UserDataRow& row_of(const std::vector<app::UserDataRow>& rows, std::uint32_t name) {
        for (const auto& row : rows)
            if (row.name_id == name) return row;
        throw std::runtime_error("no row " + std::to_string(name));
    }

    // The fake home's rows in the dialog; the rows of Thunderbird and
    // Documents ticked when `tick`.
    static void tick(app::CNewUserDataJobDlg& dialog, std::initializer_list<int> rows) {
        for (const int row : rows) dialog.rows_list().topLevelItem(row)->setCheckState(0, Qt::Checked);
    }

    app::XdgUserDataPlaces places() const { return {text(home), text(config), text(data)}; }

private slots:
    void init() {
        isolated = std::make_unique<brim_test::IsolatedHome>(brim_test::reset_gui_singletons);
        home = isolated->dir().path() / "home";
        config = home / ".config";
        data = home / ".local" / "share";
        make_fake_home();
    }
    void cleanup() {
        brim_test::close_windows_left_open();
        uictl::force_ui_language(std::nullopt);
        isolated.reset();
    }

    // Every row in its order: what was found, as folders or files, and the
    // programs that are not there (a Firefox folder without profiles.ini,
    // Evolution's settings without its mail).
    void rowsOnAFakeHome() {
        const auto rows = places().rows();
        const std::vector<std::pair<std::uint32_t, std::vector<UserDataSource>>> expected = {
            {app::app_text::user_data_documents, {folder(home / "Papers")}},
            {app::app_text::user_data_bookmarks, {file(config / "gtk-3.0" / "bookmarks")}},
            {app::app_text::user_data_desktop, {folder(home / "")}},
            {app::app_text::user_data_fonts, {}},
            {app::app_text::user_data_evolution, {}},
            {app::app_text::user_data_thunderbird,
             {file(home / ".thunderbird" / "profiles.ini"), folder(home / ".thunderbird" / "k3x9.default"),
              folder(home / "work-mail")}},
            {app::app_text::user_data_firefox, {}},
            {app::app_text::user_data_chromium, {}},
            {app::app_text::user_data_opera, {}},
        };
        QCOMPARE(rows.size(), expected.size());
        for (std::size_t i = 0; i < rows.size(); ++i) {
            QCOMPARE(rows[i].name_id, expected[i].first);
            QVERIFY2(rows[i].sources == expected[i].second, qPrintable(QString::number(rows[i].name_id)));
        }
        // Once the mail is there, the settings join it; the defaults of the
        // XDG folders are below the home.
        fs::create_directories(data / "evolution" / "mail");
        fs::create_directories(home / ".fonts");
        const auto more = app::XdgUserDataPlaces(text(home), {}, {}).rows();
        QVERIFY(row_of(more, app::app_text::user_data_evolution).sources ==
                (std::vector{folder(data / "evolution"), folder(config / "evolution")}));
        QVERIFY(row_of(more, app::app_text::user_data_fonts).sources == std::vector{folder(home / ".fonts")});
    }

    // The user directory of user-dirs.dirs: "$HOME/..." or absolute, the
    // last line of a key counts, anything else is no folder.
    void userDirsAreReadAsXdgWritesThem() {
        const bk::String home_dir = u"/home/ann";
        const std::pair<const char*, const char16_t*> cases[] = {
            {"XDG_DOCUMENTS_DIR=\"$HOME/Documents\"\n", u"/home/ann/Documents"},
            {"  XDG_DOCUMENTS_DIR=\"/data/docs\"  \n", u"/data/docs"},
            {"XDG_DOCUMENTS_DIR=\"$HOME/a\"\nXDG_DOCUMENTS_DIR=\"$HOME/b\"\n", u"/home/ann/b"},
            {"XDG_DOCUMENTS_DIR=\"docs\"\n", u""},
            {"XDG_DOCUMENTS_DIRX=\"$HOME/x\"\n#XDG_DOCUMENTS_DIR=\"$HOME/y\"\n", u""},
            {"XDG_DOCUMENTS_DIR=\"$HOMEWORK\"\n", u""},
        };
        for (const auto& [dirs, found] : cases)
            QCOMPARE(uictl::to_qstring(app::xdg_user_dir(dirs, "XDG_DOCUMENTS_DIR", home_dir)),
                     uictl::to_qstring(found));
    }

    // Profile sections only, relative paths joined to the folder, sections
    // without a path left out.
    void mozillaProfilesComeFromTheirSections() {
        const auto paths = app::mozilla_profiles(
            "[General]\nPath=not-a-profile\n[Profile1]\nPath=b.work\n\n[Profile0]\r\nIsRelative=0\r\nPath=/mail/a\r\n"
            "[Profile2]\nName=empty\n[Install1]\nPath=neither\n",
            u"/home/ann/.thunderbird");
        QCOMPARE(paths.size(), std::size_t{2});
        QCOMPARE(uictl::to_qstring(paths[0]), QStringLiteral("/home/ann/.thunderbird/b.work"));
        QCOMPARE(uictl::to_qstring(paths[1]), QStringLiteral("/mail/a"));
    }

    // The text grows while shorter than 50 characters; the next path is
    // "..." once, however many follow.
    void thePathsTextIsCutAfterFiftyCharacters() {
        QCOMPARE(uictl::to_qstring(app::paths_text({})), QString());
        QCOMPARE(uictl::to_qstring(app::paths_text({folder("/a"), file("/b")})), QStringLiteral("/a;/b"));
        std::vector<UserDataSource> ten;
        for (int i = 0; i < 10; ++i)
            ten.push_back(folder("/home/ann/.thunderbird/profile-number-" + std::to_string(i)));
        const QString cut = uictl::to_qstring(app::paths_text(ten));
        QCOMPARE(cut, QStringLiteral("/home/ann/.thunderbird/profile-number-0;"
                                     "/home/ann/.thunderbird/profile-number-1;..."));
        std::vector<UserDataSource> short_ones(20, folder("/abcd"));
        const QString fifty = uictl::to_qstring(app::paths_text(short_ones));
        QVERIFY2(fifty.startsWith(QStringLiteral("/abcd;/abcd")) && fifty.endsWith(QStringLiteral("/abcd;...")),
                 qPrintable(fifty));
        QCOMPARE(fifty.count(QStringLiteral("...")), 1);
        // Eight paths make 47 characters, so a ninth joins them; then ";...".
        QCOMPARE(fifty.size(), 9 * 5 + 8 + 4);
    }

    // Found rows can be ticked and show their paths; the others show 58182
    // and cannot be ticked. The destination offers the history, newest first.
    void theDialogShowsFoundAndMissingRows() {
        uictl::force_ui_language(uictl::UiLanguage::chinese);
        auto* options = job::CSystemOption::GetInstance();
        options->AddNewDest(u"/backup/old", job::backup_destinations);
        options->AddNewDest(u"/backup/new", job::backup_destinations);
        app::CNewUserDataJobDlg dialog(places());
        QTreeWidget& rows = dialog.rows_list();
        QCOMPARE(rows.topLevelItemCount(), 9);
        const QTreeWidgetItem* documents = rows.topLevelItem(0);
        QCOMPARE(documents->text(0), QStringLiteral("我的文档"));
        QCOMPARE(documents->text(1), uictl::to_qstring(text(home / "Papers")));
        QVERIFY(documents->flags() & Qt::ItemIsUserCheckable);
        QCOMPARE(documents->checkState(0), Qt::Unchecked);
        const QTreeWidgetItem* firefox = rows.topLevelItem(6);
        QCOMPARE(firefox->text(0), QStringLiteral("Firefox"));
        QCOMPARE(firefox->text(1), QStringLiteral("未检查到此应用程序,请确定是否已经安装"));
        QVERIFY(!(firefox->flags() & (Qt::ItemIsUserCheckable | Qt::ItemIsEnabled)));
        QCOMPARE(dialog.name_field().text(), QStringLiteral("<任务名>"));
        QCOMPARE(dialog.destination_field().currentText(), QStringLiteral("/backup/new"));
        QCOMPARE(dialog.destination_field().itemText(1), QStringLiteral("/backup/old"));
        QVERIFY(dialog.run_now());
        brim_test::save_picture(&dialog, QStringLiteral("user_data_zh"), true);
        uictl::force_ui_language(uictl::UiLanguage::english);
        app::CNewUserDataJobDlg english(places());
        brim_test::save_picture(&english, QStringLiteral("user_data_en"), true);
    }

    // The dialog opens where it was last closed, whether with OK or Cancel.
    void theDialogKeepsItsPlace() {
        const QRect place(140, 90, 700, 520);
        {
            app::CNewUserDataJobDlg dialog(places());
            dialog.setGeometry(place);
            dialog.reject();
        }
        app::CNewUserDataJobDlg again(places());
        QCOMPARE(again.geometry(), place);
    }

    // The placeholder name (or none) and a name the store has are refused
    // with their boxes, and so are no destination and no ticked row (a job
    // without sources the store would drop); the dialog stays open and
    // makes no job.
    void badNamesKeepTheDialogOpen() {
        uictl::force_ui_language(uictl::UiLanguage::english);
        brim::BackupItemManager::instance()->create_item()->name = u"Mail";
        const QString dest = uictl::to_qstring(text(isolated->dir().path() / "dest"));
        struct Case {
            const char* name;
            QString destination;
            const char* starts;
            int help;
        };
        const Case cases[] = {
            {"<Job name>", dest, "Enter a valid job name.", -1},
            {"", dest, "Enter a valid job name.", -1},
            {"Mail", dest, "The job name you entered exists already", app::app_text::help_job_name_exists},
            {"Papers", QString(), "Enter where the backup goes.", -1},
            {"Papers", dest, "Tick at least one row of data to back up.", -1},
        };
        for (const Case& c : cases) {
            app::CNewUserDataJobDlg dialog(places());
            dialog.name_field().setText(QString::fromUtf8(c.name));
            dialog.destination_field().setEditText(c.destination);
            uictl::MessageBoxSeam seam;
            dialog.accept();
            QCOMPARE(seam.shown().size(), std::size_t{1});
            QVERIFY2(uictl::to_qstring(seam.shown()[0].text).startsWith(QString::fromUtf8(c.starts)), c.name);
            QCOMPARE(seam.shown()[0].help_context, c.help);
            QCOMPARE(dialog.result(), int(QDialog::Rejected));
            QVERIFY(dialog.take_job() == nullptr);
        }
    }

    // OK makes the job of the ticked rows in row order (folders and the
    // profiles.ini file), without the retry flag, with the kind of the
    // options, and records the destination.
    void okMakesTheJobOfTheTickedRows() {
        auto* options = job::CSystemOption::GetInstance();
        options->SetBackupKind(static_cast<int>(brim::BackupKind::increment));
        app::CNewUserDataJobDlg dialog(places());
        tick(dialog, {5, 0});
        dialog.name_field().setText(QStringLiteral("Mail and papers"));
        const fs::path dest = isolated->dir().path() / "dest";
        dialog.destination_field().setEditText(uictl::to_qstring(text(dest)));
        uictl::MessageBoxSeam seam;
        dialog.accept();
        QVERIFY(seam.shown().empty());
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        const auto job = dialog.take_job();
        QVERIFY(job != nullptr);
        QCOMPARE(uictl::to_qstring(job->name), QStringLiteral("Mail and papers"));
        QCOMPARE(job->kind, brim::BackupKind::increment);
        QVERIFY(!job->has_option(brim::job_option::retry));
        QVERIFY(job->creation_time != 0);
        const std::vector<brim::SourceData> sources = {
            {text(home / "Papers"), brim::SourceType::directory, true},
            {text(home / ".thunderbird" / "profiles.ini"), brim::SourceType::file, false},
            {text(home / ".thunderbird" / "k3x9.default"), brim::SourceType::directory, true},
            {text(home / "work-mail"), brim::SourceType::directory, true},
        };
        QVERIFY(job->sources == sources);
        QCOMPARE(uictl::to_qstring(options->GetDestHistory(job::backup_destinations).back()),
                 uictl::to_qstring(text(dest)));
    }

    // A set already at the destination is cleared only when the user says
    // Yes; No keeps it and the dialog.
    void anExistingSetIsClearedOnlyWhenTheUserSaysSo() {
        uictl::force_ui_language(uictl::UiLanguage::english);
        const fs::path dest = isolated->dir().path() / "dest";
        const fs::path set = dest / "Mail.bvf";
        for (const int answer : {button_id::no, button_id::yes}) {
            put(set, "an older set");
            app::CNewUserDataJobDlg dialog(places());
            tick(dialog, {5});
            dialog.name_field().setText(QStringLiteral("Mail"));
            dialog.destination_field().setEditText(uictl::to_qstring(text(dest)));
            uictl::MessageBoxSeam seam;
            seam.answer_next(answer);
            dialog.accept();
            QCOMPARE(seam.shown().size(), std::size_t{1});
            QVERIFY(uictl::to_qstring(seam.shown()[0].text).contains(QStringLiteral("Mail.bvf")));
            QCOMPARE(seam.shown()[0].help_context, app::app_text::help_clear_existing_set);
            QCOMPARE(seam.shown()[0].flags & mb::default_mask, mb::default_button2);
            QCOMPARE(fs::exists(set), answer == button_id::no);
            QCOMPARE(dialog.result(), answer == button_id::yes ? int(QDialog::Accepted) : int(QDialog::Rejected));
        }
    }

    // From the main window: the job joins the store (saved) and the list,
    // and runs at once when "run now" stays ticked.
    void theMainWindowAddsAndRunsTheNewJob() {
        app::CMainFrame window;
        QSignalSpy ended(&window.runner(), &app::RunnerController::run_ended);
        const fs::path dest = isolated->dir().path() / "dest";
        QTimer::singleShot(0, &window, [&] {
            auto* dialog = qobject_cast<app::CNewUserDataJobDlg*>(QApplication::activeModalWidget());
            QVERIFY(dialog != nullptr);
            tick(*dialog, {5});
            dialog->name_field().setText(QStringLiteral("Mail"));
            dialog->destination_field().setEditText(uictl::to_qstring(text(dest)));
            dialog->accept();
        });
        window.open_user_data_dialog();
        QVERIFY(window.selected_job() != nullptr);
        QCOMPARE(uictl::to_qstring(window.selected_job()->name), QStringLiteral("Mail"));
        QTRY_VERIFY_WITH_TIMEOUT(ended.size() == 1, 60000);
        QCOMPARE(ended.at(0).at(0).toString(), QStringLiteral("Mail"));
        QVERIFY(fs::exists(dest / "Mail.bvf"));
        brim::BackupItemManager::del_instance();
        brim::BackupItemManager::instance()->load();
        QCOMPARE(brim::BackupItemManager::instance()->items().size(), std::size_t{1});
    }

    // The job of the Thunderbird row backs the profile up and restores it
    // elsewhere byte for byte.
    void aUserDataJobBacksUpAndRestoresTheProfile() {
        app::CNewUserDataJobDlg dialog(places());
        tick(dialog, {5});
        dialog.name_field().setText(QStringLiteral("Thunderbird"));
        const fs::path dest = isolated->dir().path() / "dest";
        dialog.destination_field().setEditText(uictl::to_qstring(text(dest)));
        dialog.accept();
        auto job = dialog.take_job();
        QVERIFY(job != nullptr);
        job->kind = brim::BackupKind::normal;
        brim::BackupItemManager::instance()->add(std::move(job));
        brim::BackupItemManager::instance()->save();

        const auto ran = brim_test::run_cli(BRIM_CLI, {"run", "Thunderbird"});
        QVERIFY2(ran.status == 0, ran.output.c_str());
        const fs::path target = isolated->dir().path() / "restored";
        const auto restored = brim_test::run_cli(
            BRIM_CLI, {"restore", "Thunderbird", "--to", target.string(), "--keep-structure", "--existing", "replace"});
        QVERIFY2(restored.status == 0, restored.output.c_str());
        const fs::path under = target / home.relative_path();
        QVERIFY(brim_test::tree_of(under / ".thunderbird") == brim_test::tree_of(home / ".thunderbird"));
        QVERIFY(brim_test::tree_of(under / "work-mail") == brim_test::tree_of(home / "work-mail"));
        QVERIFY(!brim_test::tree_of(under / ".thunderbird" / "k3x9.default").empty());
    }
};

BRIM_QTEST_MAIN(UserDataTest)
#include "user_data_test.moc"
