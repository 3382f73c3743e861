// The main window over real runs: quitting while jobs run, the end of a
// program that the schedule started, command lines handed to it, and its
// pictures during a run of two jobs.
#include <filesystem>

#include <QSignalSpy>
#include <QtTest>

#include "app/main_window.h"
#include "app/runner/runner_controller.h"
#include "app/runner/runner_strings.h"
#include "app/runner/watcher_row.h"
#include "basekit/convertion.h"
#include "basekit/platform/os_faults.h"
#include "core/jobs/backup_item_manager.h"
#include "core/jobs/backup_item_report_coll.h"
#include "core/jobs/log_manager.h"
#include "core/jobs/password_manager.h"
#include "core/jobs/system_info.h"
#include "core/jobs/version.h"
#include "job/system_option.h"
#include "tests/support/file_tree.h"
#include "tests/support/gui_singletons.h"
#include "tests/support/pictures.h"
#include "tests/support/qtest_main.h"
#include "uictl/brim_message_box.h"
#include "uictl/qt_text.h"

namespace fs = std::filesystem;

class MainWindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<brim_test::IsolatedHome> home;

    fs::path dir() const { return home->dir().path(); }

    // A job of `files` files; reading its sources is slow, so it runs a while.
    brim::BackupItem& add_job(const std::string& name, int files) {
        const fs::path src = dir() / ("slow-src-" + name);
        fs::create_directories(src);
        for (int i = 0; i < files; ++i)
            brim_test::write_bytes(src / ("f" + std::to_string(i) + ".bin"), std::string(70000 + i, 'a'));
        brim::BackupItem& job = *brim::BackupItemManager::instance()->create_item();
        job.name = bk::from_ansi(name);
        job.kind = brim::BackupKind::normal;
        job.destination = bk::from_ansi((dir() / ("dest-" + name)).string());
        job.sources = {{bk::from_ansi(src.string()), brim::SourceType::directory, true}};
        job.creation_time = 1;
        job.options = brim::job_option::keep_set;
        return job;
    }

private slots:
    void init() {
        home = std::make_unique<brim_test::IsolatedHome>(brim_test::reset_gui_singletons);
        QVERIFY(bk::os::set_fault_plan("read:1+:SLOW:slow-src"));
    }
    void cleanup() {
        bk::os::set_fault_plan("");
        uictl::force_ui_language(std::nullopt);
        home.reset();
    }

    // Quitting names the running jobs; No leaves them running, Yes stops
    // them and ends the services.
    void quittingAsksBeforeStoppingRunningJobs() {
        brim::BackupItem& a = add_job("a", 40);
        brim::BackupItem& b = add_job("b", 40);
        uictl::force_ui_language(uictl::UiLanguage::chinese);
        app::CMainFrame window;
        QVERIFY(window.runner().start_backup(a, false));
        QVERIFY(window.runner().start_backup(b, false));
        uictl::MessageBoxSeam seam;
        seam.answer_next(button_id::no);
        QVERIFY(!window.quit(0));
        QCOMPARE(seam.shown().size(), std::size_t{1});
        const QString asked = uictl::to_qstring(seam.shown()[0].text);
        QVERIFY2(asked.startsWith(QStringLiteral("程序有2个任务正在运行")) &&
                     (asked.endsWith(QStringLiteral("(a, b)")) || asked.endsWith(QStringLiteral("(b, a)"))),
                 qPrintable(asked));
        QCOMPARE(uictl::to_qstring(seam.shown()[0].title), QStringLiteral("停止任务"));
        QCOMPARE(seam.shown()[0].flags & mb::default_mask, mb::default_button2);
        QCOMPARE(window.runner().running_count(), std::size_t{2});
        QVERIFY(!window.ending());

        seam.answer_next(button_id::yes);
        QVERIFY(window.quit(0));
        QVERIFY(window.ending());
        // Both runs were stopped and saved before the store was.
        brim::BackupItemManager::del_instance();
        brim::BackupItemManager::instance()->load();
        for (const char16_t* name : {u"a", u"b"}) {
            brim::BackupItem* job = nullptr;
            for (brim::BackupItem* candidate : brim::BackupItemManager::instance()->items())
                if (candidate->name == name) job = candidate;
            QVERIFY(job != nullptr);
            QVERIFY(job->get_reports() != nullptr && !job->get_reports()->reports().empty());
        }
    }

    // A program that the schedule started ends after its last run, not
    // before; a quit asked by an ended run meanwhile waits.
    void aScheduledProgramEndsAfterItsLastRun() {
        brim::BackupItem& quick = add_job("quick", 2);
        brim::BackupItem& slow = add_job("slow", 60);
        app::CMainFrame window;
        window.set_scheduled_start(1);
        QSignalSpy ended(&window.runner(), &app::RunnerController::run_ended);
        QVERIFY(window.runner().start_backup(slow, true));
        QVERIFY(window.runner().start_backup(quick, true));
        QTRY_VERIFY_WITH_TIMEOUT(ended.size() >= 1, 60000);
        QCOMPARE(ended.at(0).at(0).toString(), QStringLiteral("quick"));
        QVERIFY(!window.ending());
        QTRY_VERIFY_WITH_TIMEOUT(window.ending(), 120000);
        QCOMPARE(ended.size(), 2);
    }

    // A scheduled start for a job with no task is no run, and a program
    // the schedule started for it ends.
    void aHandedOverLineForAJobWithoutATaskEndsAScheduledProgram() {
        brim::BackupItem& job = add_job("plain", 1);
        app::CMainFrame window;
        const auto plain = window.take_command_line(u"run " + bk::from_ansi(std::to_string(job.id)));
        QCOMPARE(plain.status, 0);
        window.runner().wait_all();
        const auto scheduled = window.take_command_line(u"backup " + bk::from_ansi(std::to_string(job.id)));
        QCOMPARE(scheduled.status, 65);
        QVERIFY(!window.ending());
        window.set_scheduled_start(1);
        window.take_command_line(u"\"backup 999\"");
        QTRY_VERIFY_WITH_TIMEOUT(window.ending(), 10000);
    }

    // The window with the task monitor during a run of two jobs, in both
    // languages, twice: the progress moves between the pictures.
    void pictures_data() {
        QTest::addColumn<bool>("chinese");
        QTest::newRow("zh") << true;
        QTest::newRow("en") << false;
    }
    void pictures() {
        QFETCH(bool, chinese);
        uictl::force_ui_language(chinese ? uictl::UiLanguage::chinese : uictl::UiLanguage::english);
        brim::BackupItem& a = add_job(chinese ? "文档" : "Documents", 120);
        brim::BackupItem& b = add_job(chinese ? "照片" : "Photos", 120);
        app::CMainFrame window;
        window.resize(1100, 640);
        window.show();
        QVERIFY(window.runner().start_backup(a, false));
        QVERIFY(window.runner().start_backup(b, false));
        const QString suffix = chinese ? QStringLiteral("zh") : QStringLiteral("en");
        const auto done = [&] {
            const app::WatcherRow* row = window.runner().watchers().find(a.name);
            return row != nullptr ? row->progress().files_done() : 0u;
        };
        QTRY_VERIFY_WITH_TIMEOUT(done() > 0, 30000);
        brim_test::save_picture(&window, QStringLiteral("main_window_running_1_") + suffix, true);
        const auto first = done();
        QTRY_VERIFY_WITH_TIMEOUT(done() > first + 5, 30000);
        brim_test::save_picture(&window, QStringLiteral("main_window_running_2_") + suffix, true);
        window.runner().stop_all();
        window.runner().wait_all();
    }
};

BRIM_QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
