// The main window: its views and commands (the navigation bar, the job
// commands shown with the job list only, grid lines, minimizing into the
// tray, the tray icon, the overdue mark, the status bar, the end of the
// session) and, over real runs, quitting while jobs run, the end of a
// program that the schedule started, command lines handed to it, and its
// pictures.
#include <filesystem>

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QSystemTrayIcon>
#include <QToolBar>
#include <QTreeWidget>
#include <QtTest>

#include "app/grid_lines.h"
#include "app/main_window.h"
#include "app/report_view.h"
#include "app/system_log_view.h"
#include "app/runner/runner_controller.h"
#include "app/runner/runner_strings.h"
#include "app/runner/watcher_row.h"
#include "app/runner/watcher_view.h"
#include "app/file_chooser.h"
#include "app/report_runs.h"
#include "basekit/convertion.h"
#include "basekit/date.h"
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

namespace {

// Cancels every dialog a command opens modally while it lives, and counts
// them: the wizards and sheets are driven by their own suites.
class ModalCanceller {
public:
    ModalCanceller() {
        timer_.setInterval(20);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                ++cancelled_;
                dialog->reject();
            }
        });
        timer_.start();
    }
    int cancelled() const { return cancelled_; }

private:
    QTimer timer_;
    int cancelled_ = 0;
};

}  // namespace

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

    // The window's action with this (English) text, mnemonics aside.
    static QAction* action(const app::CMainFrame& window, const QString& text) {
        for (QAction* candidate : window.findChildren<QAction*>())
            if (candidate->text().remove('&') == text) return candidate;
        return nullptr;
    }

    static void click_entry(app::CMainFrame& window, app::NavEntry entry) {
        auto* bar = window.findChild<app::NavigationBar*>();
        QListWidget& folder = bar->folder_of(entry);
        emit folder.itemClicked(folder.item(bar->row_of(entry)));
    }

    static QTreeWidget& job_list(const app::CMainFrame& window) {
        return *window.findChild<QTreeWidget*>(QStringLiteral("jobList"));
    }

    static void select_row(app::CMainFrame& window, const brim::BackupItem& job) {
        QTreeWidget& list = job_list(window);
        for (int i = 0; i < list.topLevelItemCount(); ++i)
            if (list.topLevelItem(i)->data(0, Qt::UserRole).toUInt() == job.id) list.setCurrentItem(list.topLevelItem(i));
    }

    // A report of a run that ended `days_ago` with `result`.
    static void add_run(brim::BackupItem& job, int days_ago, brim::RunResult result) {
        brim::BackupItemReport* run = job.get_reports()->create_report(brim::ReportType::normal);
        run->execution_time = bk::Date::now_time() - days_ago * bk::microseconds_per_day;
        run->begin_time = run->execution_time;
        run->end_time = run->execution_time + 42 * bk::microseconds_per_second;
        run->completed_size = 3u << 20;
        run->completed_files = 120;
        run->result = static_cast<std::int32_t>(result);
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

    // The navigation bar switches the right pane; the job commands work
    // only while the job list shows, and the wizards' entries open them.
    void theNavigationBarChoosesTheView() {
        uictl::force_ui_language(uictl::UiLanguage::english);
        app::CMainFrame window;
        auto* views = window.findChild<QStackedWidget*>(QStringLiteral("views"));
        QAction* remove = action(window, QStringLiteral("Delete"));
        QVERIFY(remove != nullptr && remove->isEnabled());
        QCOMPARE(views->currentWidget()->findChild<QTreeWidget*>(QStringLiteral("jobList")), &job_list(window));

        click_entry(window, app::NavEntry::task_monitor);
        QCOMPARE(window.current_view(), app::NavEntry::task_monitor);
        QVERIFY(qobject_cast<app::WatcherView*>(views->currentWidget()) != nullptr);
        QVERIFY(!remove->isEnabled());
        click_entry(window, app::NavEntry::system_log);
        QVERIFY(qobject_cast<app::CSystemLogView*>(views->currentWidget()) != nullptr);
        click_entry(window, app::NavEntry::job_manager);
        QCOMPARE(window.current_view(), app::NavEntry::job_manager);
        QVERIFY(remove->isEnabled());

        const std::size_t jobs = brim::BackupItemManager::instance()->items().size();
        ModalCanceller canceller;
        click_entry(window, app::NavEntry::restore_wizard);
        QCOMPARE(canceller.cancelled(), 1);
        click_entry(window, app::NavEntry::backup_wizard);
        QCOMPARE(canceller.cancelled(), 2);
        QCOMPARE(brim::BackupItemManager::instance()->items().size(), jobs);
        QCOMPARE(window.current_view(), app::NavEntry::job_manager);
    }

    // Each command of the user makes a scheduled program the user's.
    void everyCommandClearsTheScheduledStart() {
        uictl::force_ui_language(uictl::UiLanguage::english);
        app::CMainFrame window;
        uictl::MessageBoxSeam seam;
        ModalCanceller canceller;
        app::set_file_chooser([](bool, const QString&, const QString&) { return QString(); });
        for (const char* text : {"Task monitor", "Job manager", "Grid lines", "Delete", "Properties", "Back up",
                                 "changeOptionsAction", "Open"}) {
            window.set_scheduled_start(1);
            QAction* command = action(window, QString::fromLatin1(text));
            if (command == nullptr) command = window.findChild<QAction*>(QString::fromLatin1(text));
            QVERIFY2(command != nullptr, text);
            command->trigger();
            QVERIFY2(window.scheduled_start() == 0, text);
        }
        app::set_file_chooser({});
        window.set_scheduled_start(1);
        click_entry(window, app::NavEntry::task_monitor);
        QCOMPARE(window.scheduled_start(), 0);
    }

    // Grid lines go on and off in the three lists together, and the next
    // start finds them as they were left.
    void gridLinesSwitchTheListsTogether() {
        uictl::force_ui_language(uictl::UiLanguage::english);
        job::CSystemOption::GetInstance()->SetNeverShowValue(job::never_show::grid_lines, 0);
        for (const bool on : {true, false}) {
            app::CMainFrame window;
            QAction* grid = window.findChild<QAction*>(QStringLiteral("gridLinesAction"));
            QCOMPARE(grid->isChecked(), !on);
            grid->trigger();
            QCOMPARE(grid->isChecked(), on);
            QCOMPARE(app::shows_grid_lines(job_list(window)), on);
            QCOMPARE(app::shows_grid_lines(*window.findChild<app::CSystemLogView*>()), on);
            QCOMPARE(app::shows_grid_lines(*window.findChild<app::WatcherView*>()->findChild<QTreeWidget*>()), on);
            QCOMPARE(job::CSystemOption::GetInstance()->GetNeverShowValue(job::never_show::grid_lines), on ? 1 : 0);
        }
    }

    // With "ShowMini" 0 a minimized window hides behind the tray icon; with
    // 1 it keeps its task-bar button and no icon. Either way the user acted.
    void minimizingFollowsTheTrayMark_data() {
        QTest::addColumn<int>("mark");
        QTest::addColumn<bool>("into_tray");
        QTest::newRow("into the tray") << 0 << true;
        QTest::newRow("task-bar button") << 1 << false;
    }
    void minimizingFollowsTheTrayMark() {
        QFETCH(int, mark);
        QFETCH(bool, into_tray);
        job::CSystemOption::GetInstance()->SetNeverShowValue(job::never_show::minimize_to_tray, mark);
        app::CMainFrame window;
        auto* tray = window.findChild<QSystemTrayIcon*>();
        window.show();
        QVERIFY(!tray->isVisible());
        window.set_scheduled_start(1);
        window.showMinimized();
        QCOMPARE(window.scheduled_start(), 0);
        QTRY_COMPARE(tray->isVisible(), into_tray);
        QTest::qWait(50);
        QCOMPARE(window.isVisible(), !into_tray);
        QCOMPARE(tray->isVisible(), into_tray);
    }

    // A click on the tray icon of a hidden unattended run shows the window
    // without the icon and makes the run the user's: the program stays
    // when the run is over.
    void aTrayClickMakesAnUnattendedRunInteractive() {
        brim::BackupItem& job = add_job("nightly", 3);
        app::CMainFrame window;
        auto* tray = window.findChild<QSystemTrayIcon*>();
        window.set_scheduled_start(1);
        window.show_in_tray();
        QVERIFY(tray->isVisible() && !window.isVisible());
        QSignalSpy ended(&window.runner(), &app::RunnerController::run_ended);
        QVERIFY(window.runner().start_backup(job, true));
        emit tray->activated(QSystemTrayIcon::DoubleClick);
        QCOMPARE(window.scheduled_start(), 0);
        QVERIFY(window.isVisible());
        QVERIFY(!tray->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(ended.size() == 1, 60000);
        QTest::qWait(100);
        QVERIFY(!window.ending());
    }

    // Closing the window, Exit of the File menu and Exit of the tray menu
    // each make the program the user's and end it; the tray's Exit shows
    // the window first.
    void theExitCommandsEndTheProgram_data() {
        QTest::addColumn<int>("way");
        QTest::newRow("close") << 0;
        QTest::newRow("file menu") << 1;
        QTest::newRow("tray menu") << 2;
    }
    void theExitCommandsEndTheProgram() {
        QFETCH(int, way);
        app::CMainFrame window;
        window.set_scheduled_start(1);
        window.show_in_tray();
        switch (way) {
            case 0: window.close(); break;
            case 1: window.menuBar()->actions().front()->menu()->actions().back()->trigger(); break;
            default: window.findChild<QSystemTrayIcon*>()->contextMenu()->actions().back()->trigger(); break;
        }
        QCOMPARE(window.scheduled_start(), 0);
        QVERIFY(window.ending());
        if (way == 2) QVERIFY(window.isVisible());
    }

    // Unscheduling needs a job with a schedule.
    void unschedulingNeedsASchedule() {
        brim::BackupItem& plain = add_job("plain", 1);
        brim::BackupItem& timed = add_job("timed", 1);
        timed.task_name = u"Brimvault timed";
        app::CMainFrame window;
        QAction* unschedule = window.findChild<QAction*>(QStringLiteral("unscheduleAction"));
        select_row(window, plain);
        QVERIFY(!unschedule->isEnabled());
        select_row(window, timed);
        QVERIFY(unschedule->isEnabled());
        click_entry(window, app::NavEntry::task_monitor);
        QVERIFY(!unschedule->isEnabled());
    }

    // A scheduled job whose last good run is older than the warning age is
    // marked in the list; a recent good run, or no schedule, is not.
    void overdueScheduledJobsAreMarked() {
        uictl::force_ui_language(uictl::UiLanguage::english);
        struct Case {
            const char* name;
            bool scheduled;
            int good_days_ago;
            int failed_days_ago;
            bool marked;
        };
        const Case cases[] = {
            {"late", true, 10, 1, true},
            {"recent", true, 2, 0, false},
            {"manual", false, 30, 0, false},
        };
        for (const Case& c : cases) {
            brim::BackupItem& job = add_job(c.name, 1);
            if (c.scheduled) job.task_name = u"Brimvault " + bk::from_ansi(c.name);
            add_run(job, c.good_days_ago, brim::RunResult::successful);
            if (c.failed_days_ago != 0) add_run(job, c.failed_days_ago, brim::RunResult::failed);
        }
        app::CMainFrame window;
        QTreeWidget& list = job_list(window);
        for (const Case& c : cases) {
            const auto rows = list.findItems(QString::fromLatin1(c.name), Qt::MatchExactly);
            QCOMPARE(rows.size(), 1);
            QCOMPARE(!rows[0]->icon(0).isNull(), c.marked);
            QCOMPARE(rows[0]->toolTip(0), c.marked ? QStringLiteral("No successful backup for 10 days") : QString());
        }
    }

    // The chosen job's runs show under the list.
    void theReportViewFollowsTheChosenJob() {
        brim::BackupItem& job = add_job("reported", 1);
        add_run(job, 3, brim::RunResult::successful);
        add_run(job, 1, brim::RunResult::having_warnings);
        add_job("quiet", 1);
        app::CMainFrame window;
        auto* reports = window.findChild<app::CReportLogView*>();
        select_row(window, job);
        QCOMPARE(reports->runs().topLevelItemCount(), 2);
        QCOMPARE(reports->chart().points().size(), std::size_t{2});
        job_list(window).setCurrentItem(nullptr);
        QVERIFY(!reports->hint().isEmpty());
    }

    // The clock pane shows the time; while a run goes on the running pane
    // counts the runs.
    void theStatusBarShowsTheClockAndTheRuns() {
        uictl::force_ui_language(uictl::UiLanguage::english);
        brim::BackupItem& job = add_job("counted", 30);
        app::CMainFrame window;
        auto* clock = window.findChild<QLabel*>(QStringLiteral("statusClock"));
        auto* running = window.findChild<QLabel*>(QStringLiteral("statusRunning"));
        QVERIFY2(QRegularExpression(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d$")).match(clock->text()).hasMatch(),
                 qPrintable(clock->text()));
        QVERIFY(running->text().isEmpty());
        QVERIFY(window.runner().start_backup(job, false));
        QTRY_COMPARE_WITH_TIMEOUT(running->text(), QStringLiteral("Jobs running: 1"), 5000);
        window.runner().stop_all();
        window.runner().wait_all();
        QTRY_VERIFY_WITH_TIMEOUT(running->text().isEmpty(), 5000);
    }

    // The end of the session quits with the scheduled-start mark: the user
    // is asked about the running jobs; a request to end the process asks
    // nobody, stops the runs and saves their reports.
    void theSessionEndAndARequestToEndQuit() {
        brim::BackupItem& job = add_job("ending", 40);
        {
            app::CMainFrame window;
            QVERIFY(window.runner().start_backup(job, false));
            uictl::MessageBoxSeam seam;
            seam.answer_next(button_id::no);
            window.end_session();
            QCOMPARE(seam.shown().size(), std::size_t{1});
            QVERIFY(!window.ending());
            window.end_on_request();
            QCOMPARE(seam.shown().size(), std::size_t{1});
            QVERIFY(window.ending());
        }
        brim::BackupItemManager::del_instance();
        brim::BackupItemManager::instance()->load();
        const auto jobs = brim::BackupItemManager::instance()->items();
        QCOMPARE(jobs.size(), std::size_t{1});
        QVERIFY(!jobs[0]->get_reports()->reports().empty());
        QCOMPARE(app::tone_of(jobs[0]->get_reports()->reports().back()->result), app::RunTone::stopped);
    }

    // A request to end while a dialog waits for an answer: the dialog is
    // cancelled, and the program ends only once the dialog's loop has
    // returned, so that the code after it still finds the services.
    void aRequestToEndWhileADialogWaitsEndsAfterTheDialog() {
        app::CMainFrame window;
        QDialog dialog(&window);
        bool ended_inside_the_dialog = true;
        QTimer::singleShot(0, &dialog, [&] {
            window.end_on_request();
            ended_inside_the_dialog = window.ending();
        });
        QCOMPARE(dialog.exec(), int(QDialog::Rejected));
        QVERIFY(!ended_inside_the_dialog);
        QVERIFY(window.end_requested());
        QTRY_VERIFY_WITH_TIMEOUT(window.ending(), 5000);
    }

    // The views of the window in both languages: the job list over the
    // chosen job's runs, the task monitor and the system log.
    void viewPictures_data() { brim_test::add_language_rows(); }
    void viewPictures() {
        QFETCH(bool, chinese);
        uictl::force_ui_language(chinese ? uictl::UiLanguage::chinese : uictl::UiLanguage::english);
        brim::BackupItem& documents = add_job(chinese ? "文档" : "Documents", 1);
        documents.task_name = u"Brimvault documents";
        const brim::RunResult results[] = {brim::RunResult::successful, brim::RunResult::having_warnings,
                                           brim::RunResult::successful, brim::RunResult::stopped,
                                           brim::RunResult::successful, brim::RunResult::failed};
        for (int i = 0; i < 12; ++i) {
            add_run(documents, 20 - i, results[i % 6]);
            documents.get_reports()->reports().back()->completed_size = (120u + 31u * (i % 4)) << 20;
            documents.get_reports()->reports().back()->end_time += (i % 5) * 20 * bk::microseconds_per_second;
        }
        brim::BackupItem& photos = add_job(chinese ? "照片" : "Photos", 1);
        add_run(photos, 2, brim::RunResult::successful);
        auto* log = brim::LogManager::instance();
        log->log(brim::LogType::information, chinese ? u"备份完成." : u"The backup ended.", photos.name);
        log->log(brim::LogType::warning, chinese ? u"一个文件无法读取." : u"One file could not be read.",
                 documents.name);
        log->log(brim::LogType::error, chinese ? u"目的地已满." : u"The destination is full.", documents.name);
        app::CMainFrame window;
        window.set_grid_lines(true);
        window.resize(1024, 720);
        select_row(window, documents);
        const QString suffix = chinese ? QStringLiteral("zh") : QStringLiteral("en");
        brim_test::save_picture(&window, QStringLiteral("main_window_jobs_") + suffix, true);
        window.show_view(app::NavEntry::task_monitor);
        brim_test::save_picture(&window, QStringLiteral("main_window_monitor_") + suffix, true);
        window.show_view(app::NavEntry::system_log);
        brim_test::save_picture(&window, QStringLiteral("main_window_log_") + suffix, true);
    }

    // The window with the task monitor during a run of two jobs, in both
    // languages, twice: the progress moves between the pictures.
    void pictures_data() { brim_test::add_language_rows(); }
    void pictures() {
        QFETCH(bool, chinese);
        uictl::force_ui_language(chinese ? uictl::UiLanguage::chinese : uictl::UiLanguage::english);
        brim::BackupItem& a = add_job(chinese ? "文档" : "Documents", 120);
        brim::BackupItem& b = add_job(chinese ? "照片" : "Photos", 120);
        app::CMainFrame window;
        window.resize(1100, 640);
        window.show_view(app::NavEntry::task_monitor);
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
