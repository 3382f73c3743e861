// The job list's commands over a real store: deleting one and all (a job
// that runs, scheduled jobs with "apply to all", a password cancelled, the
// confirmation silenced), importing with a name taken, and exporting a
// protected job.
#include <filesystem>

#include <QtTest>

#include "app/file_chooser.h"
#include "app/job_commands.h"
#include "app/runner/gui_run_answers.h"
#include "app/runner/runner_controller.h"
#include "basekit/convertion.h"
#include "basekit/platform/os_faults.h"
#include "core/jobs/backup_item_manager.h"
#include "job/system_option.h"
#include "taskplan/task_planner.h"
#include "tests/support/file_tree.h"
#include "tests/support/gui_singletons.h"
#include "tests/support/qtest_main.h"
#include "uictl/brim_message_box.h"
#include "uictl/qt_text.h"

namespace fs = std::filesystem;

namespace {

// A scheduler whose tasks run tomorrow, until deleted.
class Planner final : public taskplan::CTaskPlanner {
public:
    std::set<bk::String> tasks;
    std::unique_ptr<taskplan::CTask> GetTask(bk::StringView name) override {
        if (!tasks.contains(bk::String(name))) return nullptr;
        return std::make_unique<Task>(bk::String(name));
    }
    void DeleteTask(bk::StringView name) override { tasks.erase(bk::String(name)); }

private:
    struct Task final : taskplan::CTask {
        explicit Task(bk::String name) : name_(std::move(name)) {}
        bk::String GetTaskName() const override { return name_; }
        std::int64_t GetNextExecutionTime() override { return 1'900'000'000'000'000; }
        taskplan::TriggerType GetTrigger() override { return taskplan::TriggerType::daily; }
        bk::String name_;
    };
};

QStringList names() {
    QStringList list;
    for (const brim::BackupItem* job : brim::BackupItemManager::instance()->items())
        list << uictl::to_qstring(job->name);
    return list;
}

}  // namespace

class JobCommandsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<brim_test::IsolatedHome> home;
    std::unique_ptr<app::RunnerController> runner;
    std::unique_ptr<app::JobCommands> commands;
    Planner* planner = nullptr;

    brim::BackupItem& add_job(const std::string& name, int files = 1) {
        const fs::path src = home->dir().path() / ("slow-src-" + name);
        fs::create_directories(src);
        for (int i = 0; i < files; ++i) brim_test::write_bytes(src / ("f" + std::to_string(i)), std::string(70000, 'x'));
        brim::BackupItem& job = *brim::BackupItemManager::instance()->create_item();
        job.name = bk::from_ansi(name);
        job.kind = brim::BackupKind::normal;
        job.destination = bk::from_ansi((home->dir().path() / "dest").string());
        job.sources = {{bk::from_ansi(src.string()), brim::SourceType::directory, true}};
        job.creation_time = 1;
        return job;
    }

private slots:
    void init() {
        home = std::make_unique<brim_test::IsolatedHome>(brim_test::reset_gui_singletons);
        uictl::force_ui_language(uictl::UiLanguage::english);
        auto installed = std::make_unique<Planner>();
        planner = installed.get();
        taskplan::CTaskPlanner::Install(std::move(installed));
        runner = std::make_unique<app::RunnerController>();
        commands = std::make_unique<app::JobCommands>(*runner);
    }
    void cleanup() {
        commands.reset();
        runner.reset();
        taskplan::CTaskPlanner::Install(nullptr);
        bk::os::set_fault_plan("");
        app::set_password_prompt({});
        app::set_file_chooser({});
        uictl::force_ui_language(std::nullopt);
        home.reset();
    }

    // Of three jobs one runs: the two others go, the running one is told.
    void deletingAllKeepsTheRunningJob() {
        QVERIFY(bk::os::set_fault_plan("read:1+:SLOW:slow-src-b"));
        add_job("a");
        brim::BackupItem& b = add_job("b", 60);
        add_job("c");
        QVERIFY(runner->start_backup(b, false));
        uictl::MessageBoxSeam seam;
        seam.answer_next(button_id::ok);  // 247
        QCOMPARE(commands->delete_all_jobs(), 2);
        QCOMPARE(names(), QStringList{QStringLiteral("b")});
        QCOMPARE(seam.shown().size(), std::size_t{2});
        QVERIFY(uictl::to_qstring(seam.shown()[1].text).startsWith(QStringLiteral("Orvex Brimvault cannot delete a job that is running.")));
        runner->stop_all();
        runner->wait_all();
    }

    // "Apply to all" ticked at the first scheduled job unschedules the
    // others without asking.
    void applyToAllAnswersTheOtherScheduledJobs() {
        for (const char* name : {"x", "y", "z"}) {
            brim::BackupItem& job = add_job(name);
            job.task_name = job.name;
            planner->tasks.insert(job.name);
        }
        job::CSystemOption::GetInstance()->SetNeverShowValue(job::never_show::delete_all_jobs, 0);
        uictl::MessageBoxSeam seam;
        seam.answer_next(button_id::ok, 1);
        QCOMPARE(commands->delete_all_jobs(), 3);
        QCOMPARE(seam.shown().size(), std::size_t{1});
        QCOMPARE(seam.shown()[0].flags & mb::apply_to_all_check, mb::apply_to_all_check);
        QVERIFY(planner->tasks.empty());
        QVERIFY(names().isEmpty());
    }

    // A protected job: a cancelled password leaves it idle; the right one
    // and a confirmation with its box ticked delete it, and the next
    // deletion asks nothing.
    void deletingAProtectedJob() {
        brim::BackupItem& safe = add_job("safe");
        safe.options |= brim::job_option::password | brim::job_option::cipher_rijndael;
        safe.crypted_password(u"right", false);
        brim::BackupItem& plain = add_job("plain");
        std::optional<bk::String> given;
        app::set_password_prompt([&](const bk::String&) { return given; });
        uictl::MessageBoxSeam seam;
        QVERIFY(!commands->delete_job(safe));
        QCOMPARE(runner->job_state(safe), app::JobState::idle);
        given = u"wrong";
        QVERIFY(!commands->delete_job(safe));
        QCOMPARE(seam.shown().size(), std::size_t{1});  // 315
        given = u"right";
        seam.answer_next(button_id::ok, 1);
        QVERIFY(commands->delete_job(safe));
        QCOMPARE(uictl::to_qstring(seam.shown()[1].title), QStringLiteral("Confirm Job Deletion"));
        QCOMPARE(job::CSystemOption::GetInstance()->GetNeverShowValue(job::never_show::delete_job), 0);
        QVERIFY(commands->delete_job(plain));
        QCOMPARE(seam.shown().size(), std::size_t{2});
        QVERIFY(names().isEmpty());
    }

    // A file with a job whose name the store has: the others come in.
    void importingRefusesATakenName() {
        add_job("kept");
        add_job("new");
        const QString file = QString::fromStdString((home->dir().path() / "jobs.xml").string());
        app::set_file_chooser([&](bool, const QString&, const QString&) { return file; });
        QVERIFY(commands->export_jobs(brim::BackupItemManager::instance()->items(), brim::JobFileFormat::xml));
        brim::BackupItemManager::instance()->remove(brim::BackupItemManager::instance()->items().back(), false);
        uictl::MessageBoxSeam seam;
        QCOMPARE(commands->import_jobs(brim::JobFileFormat::xml), 1);
        QCOMPARE(names(), (QStringList{QStringLiteral("kept"), QStringLiteral("new")}));
        QCOMPARE(seam.shown().size(), std::size_t{1});
        QCOMPARE(seam.shown()[0].help_context, 1017);
        QVERIFY(uictl::to_qstring(seam.shown()[0].text).endsWith(QStringLiteral("(Job \"kept\")")));
    }

    // A protected job is exported only after its question; No leaves it out.
    void exportingAProtectedJobAsks() {
        brim::BackupItem& safe = add_job("safe");
        safe.options |= brim::job_option::password | brim::job_option::cipher_rijndael;
        safe.crypted_password(u"right", false);
        const QString chosen = QString::fromStdString((home->dir().path() / "out").string());
        app::set_file_chooser([&](bool, const QString&, const QString&) { return chosen; });
        uictl::MessageBoxSeam seam;
        seam.answer_next(button_id::no);
        QVERIFY(!commands->export_jobs({&safe}, brim::JobFileFormat::text));
        QVERIFY(!QFile::exists(chosen + ".txt"));
        seam.answer_next(button_id::yes);
        QVERIFY(commands->export_jobs({&safe}, brim::JobFileFormat::text));
        QVERIFY(QFile::exists(chosen + ".txt"));
        QCOMPARE(seam.shown()[0].help_context, 1018);
        QCOMPARE(uictl::to_qstring(seam.shown()[0].title), QStringLiteral("Clear Security Settings"));
    }
};

BRIM_QTEST_MAIN(JobCommandsTest)
#include "job_commands_test.moc"
