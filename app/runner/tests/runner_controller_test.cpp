// Runs of real jobs through the program's runner: the limit of runs at
// once and the other refusals before a run, the questions about the
// destination's set answered through the message-box seam, a run watched
// to its end, and the replace questions of a directory copy.
#include <filesystem>
#include <map>
#include <memory>

#include <QSignalSpy>
#include <QtTest>

#include "app/runner/file_replace_dialog.h"
#include "app/runner/gui_run_answers.h"
#include "app/runner/runner_controller.h"
#include "app/runner/runner_strings.h"
#include "basekit/convertion.h"
#include "basekit/platform/os_faults.h"
#include "core/jobs/backup_item_manager.h"
#include "core/jobs/log_manager.h"
#include "core/jobs/password_manager.h"
#include "core/jobs/system_info.h"
#include "core/jobs/version.h"
#include "core/restore/restore_option.h"
#include "job/system_option.h"
#include "tests/support/file_tree.h"
#include "tests/support/gui_singletons.h"
#include "tests/support/qtest_main.h"
#include "uictl/brim_message_box.h"
#include "uictl/network_logon.h"
#include "uictl/notify_window.h"
#include "uictl/system_messages.h"
#include "uictl/qt_text.h"

using namespace app;
namespace fs = std::filesystem;
using uictl::to_qstring;

namespace {

bk::String wide(const fs::path& path) { return bk::from_ansi(path.string()); }

// A server that takes one account, and fails with `failure` for any other.
class FakeServer final : public uictl::ShareMounter {
public:
    FakeServer(int* mounts, int failure) : mounts_(mounts), failure_(failure) {}
    int mount(const bk::String&, const bk::String& user, const bk::String& password) override {
        ++*mounts_;
        if (user == u"ann" && password == u"right") return 0;
        if (failure_ == extended_network_error) uictl::set_network_provider_error(u"The server is down");
        return failure_;
    }
    std::vector<bk::String> list_shares(const bk::String&) override { return {u"docs"}; }

private:
    int* mounts_;
    int failure_;
};

int notify_windows() {
    int count = 0;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (qobject_cast<uictl::CNotifyWnd*>(widget) != nullptr && !widget->isHidden()) ++count;
    return count;
}

}  // namespace

class RunnerControllerTest : public QObject {
    Q_OBJECT

    std::unique_ptr<brim_test::IsolatedHome> home;
    std::unique_ptr<RunnerController> controller;

    fs::path dir() const { return home->dir().path(); }

    // A job of the store backing up `files` files of `size` bytes from a
    // folder whose name holds `folder_mark`.
    brim::BackupItem& add_job(const std::string& name, int files, std::size_t size,
                              brim::BackupKind kind = brim::BackupKind::normal, std::uint32_t options = 0,
                              const std::string& folder_mark = "src") {
        const fs::path src = dir() / (folder_mark + "-" + name);
        fs::create_directories(src);
        for (int i = 0; i < files; ++i)
            brim_test::write_bytes(src / ("f" + std::to_string(i) + ".bin"), std::string(size + i, char('a' + i % 26)));
        brim::BackupItem& job = *brim::BackupItemManager::instance()->create_item();
        job.name = bk::from_ansi(name);
        job.kind = kind;
        job.destination = wide(dir() / ("dest-" + name));
        job.sources = {{wide(src), brim::SourceType::directory, true}};
        job.options = options;
        return job;
    }

    // Waits until the job's run has ended; its end kind.
    int run_to_end(QSignalSpy& ended, const QString& name) {
        const auto find = [&] {
            for (const auto& signal : ended)
                if (signal.at(0).toString() == name) return signal.at(1).toInt();
            return -1;
        };
        [&] { QTRY_VERIFY_WITH_TIMEOUT(find() >= 0, 60000); }();
        return find();
    }

    const WatcherRow& row(const char16_t* name) {
        const WatcherRow* found = controller->watchers().find(name);
        [&] { QVERIFY(found != nullptr); }();
        return *found;
    }

    static std::vector<brim::LogItem> log_entries() {
        std::vector<brim::LogItem> entries;
        for (auto& item : brim::LogManager::instance()->new_items()) entries.push_back(*item);
        return entries;
    }

private slots:
    void init() {
        home = std::make_unique<brim_test::IsolatedHome>(brim_test::reset_gui_singletons);
        uictl::force_ui_language(uictl::UiLanguage::english);
        controller = std::make_unique<RunnerController>();
    }
    void cleanup() {
        controller.reset();
        bk::os::set_fault_plan("");
        set_replace_prompt({});
        set_password_prompt({});
        uictl::set_share_mounter(nullptr);
        uictl::set_logon_prompt({});
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (qobject_cast<uictl::CNotifyWnd*>(widget) != nullptr) widget->close();
        uictl::force_ui_language(std::nullopt);
        home.reset();
    }

    void a_fifth_run_and_a_running_or_edited_job_are_refused() {
        // Reading is slow, so that the runs are still going while the
        // refused starts are tried.
        QVERIFY(bk::os::set_fault_plan("read:1+:SLOW:slow-src"));
        std::vector<brim::BackupItem*> jobs;
        for (int i = 0; i < 5; ++i)
            jobs.push_back(&add_job("Job" + std::to_string(i), 30, 70000, brim::BackupKind::normal,
                                    brim::job_option::keep_set, "slow-src"));
        brim::BackupItemManager::instance()->save();
        QSignalSpy ended(controller.get(), &RunnerController::run_ended);
        QSignalSpy refused(controller.get(), &RunnerController::start_refused);
        uictl::MessageBoxSeam seam;

        // Being edited.
        controller->set_modifying(*jobs[4], true);
        QVERIFY(!controller->start_backup(*jobs[4], false));
        controller->set_modifying(*jobs[4], false);

        for (int i = 0; i < 4; ++i) QVERIFY(controller->start_backup(*jobs[i], false));
        QTRY_COMPARE_WITH_TIMEOUT(controller->watchers().size(), std::size_t{4}, 30000);
        for (int i = 0; i < 4; ++i) controller->pause(jobs[i]->name);
        for (int i = 0; i < 4; ++i) QCOMPARE(controller->job_state(*jobs[i]), JobState::running);

        QVERIFY(!controller->start_backup(*jobs[4], false));  // a fifth
        QVERIFY(!controller->start_backup(*jobs[0], false));  // a running job
        log_entries();
        QVERIFY(!controller->start_backup(*jobs[4], true));  // a fifth, unattended: logged
        QCOMPARE(refused.size(), 4);

        QCOMPARE(seam.shown().size(), std::size_t{3});
        QCOMPARE(to_qstring(seam.shown()[0].text), QStringLiteral("The job is being modified; Orvex Brimvault cannot back it up."));
        const QString fifth = to_qstring(seam.shown()[1].text);
        QVERIFY2(fifth.startsWith("Orvex Brimvault cannot run the job.\n\n") && fifth.contains("at most 4 jobs") &&
                     fifth.endsWith("\n(Job \"Job4\")"),
                 qPrintable(fifth));
        QCOMPARE(to_qstring(seam.shown()[2].text), QStringLiteral("The job is running; Orvex Brimvault cannot back it up."));
        for (const auto& box : seam.shown()) QCOMPARE(box.flags & mb::icon_mask, mb::icon_warning);
        const auto logged = log_entries();
        QCOMPARE(logged.size(), std::size_t{1});
        QCOMPARE(logged[0].type, brim::LogType::error);
        QCOMPARE(to_qstring(logged[0].source), QStringLiteral("Job4"));
        QCOMPARE(logged[0].description, too_many_runs_text());
        // Refused starts leave no run, and no unattended mark, behind.
        QCOMPARE(controller->running_count(), std::size_t{4});
        QCOMPARE(controller->running_job_names().size(), std::size_t{4});
        QVERIFY(!jobs[4]->is_unattended());
        QCOMPARE(controller->job_state(*jobs[4]), JobState::idle);

        // Paused rows hold their clock; one resumed runs on, and stops
        // with the others.
        for (int i = 0; i < 4; ++i)
            QCOMPARE(controller->watchers().find(jobs[i]->name)->state(), text_id::state_paused);
        controller->resume(jobs[1]->name);
        QVERIFY(controller->watchers().find(jobs[1]->name)->state() != text_id::state_paused);
        QVERIFY(controller->runner().runs().size() == 4);
        controller->stop_all();
        controller->wait_all();
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(run_to_end(ended, to_qstring(jobs[i]->name)), int(RunEnd::stopped));
            QCOMPARE(controller->watchers().find(jobs[i]->name)->state(), text_id::state_stopped);
            QCOMPARE(controller->job_state(*jobs[i]), JobState::idle);
        }
        QCOMPARE(controller->running_count(), std::size_t{0});
        // A stopped row takes no more commands.
        controller->resume(jobs[0]->name);
        controller->stop(jobs[0]->name);
        QCOMPARE(controller->watchers().find(jobs[0]->name)->state(), text_id::state_stopped);
        QCOMPARE(ended.size(), 4);
        // Room again.
        QVERIFY(controller->start_backup(*jobs[4], false));
        controller->stop(jobs[4]->name);
        controller->wait_all();
    }

    void a_run_is_watched_to_its_end() {
        brim::BackupItem& job = add_job("Small", 3, 1000);
        brim::BackupItemManager::instance()->save();
        QSignalSpy ended(controller.get(), &RunnerController::run_ended);
        uictl::MessageBoxSeam seam;
        QVERIFY(controller->start_backup(job, false));
        QCOMPARE(controller->job_state(job), JobState::running);
        QCOMPARE(run_to_end(ended, "Small"), int(RunEnd::finished));
        const WatcherRow& done = row(u"Small");
        QCOMPARE(done.state(), text_id::state_finished);
        QCOMPARE(done.icon(), RowIcon::finished);
        QCOMPARE(to_qstring(done.column(column::percent)), QStringLiteral("100%"));
        QCOMPARE(to_qstring(done.column(column::total_files)), QStringLiteral("3"));
        QCOMPARE(to_qstring(done.column(column::files_done)), QStringLiteral("3"));
        const QString output = to_qstring(done.output());
        QVERIFY2(output.startsWith("--------------- Job: Small,  Operation: Backup ---------------\n"), qPrintable(output));
        QVERIFY2(output.contains("The sources hold 3 files and"), qPrintable(output));
        QVERIFY(output.contains("Backed up file: "));
        QCOMPARE(controller->job_state(job), JobState::idle);
        QCOMPARE(controller->running_count(), std::size_t{0});
        QVERIFY(seam.shown().empty());

        // Unattended: the job is marked while it runs and unmarked at the
        // end; the replace question is not asked but logged by the check.
        QVERIFY(controller->start_backup(job, true));
        QVERIFY(job.is_unattended());
        ended.clear();
        QCOMPARE(run_to_end(ended, "Small"), int(RunEnd::finished));
        QVERIFY(!job.is_unattended());
        QVERIFY(seam.shown().empty());
    }

    void the_destination_questions() {
        brim::BackupItem& job = add_job("Asked", 2, 100);
        brim::BackupItemManager::instance()->save();
        fs::create_directories(dir() / "dest-Asked");
        const fs::path set = narrow_path(job.archive_file());
        brim_test::write_bytes(set, std::string(600, 'x'));
        QSignalSpy ended(controller.get(), &RunnerController::run_ended);
        uictl::MessageBoxSeam seam;
        log_entries();

        // A set of another program: No leaves it as it was.
        seam.answer_next(button_id::no);
        QVERIFY(controller->start_backup(job, false));
        QCOMPARE(run_to_end(ended, "Asked"), int(RunEnd::stopped));
        QCOMPARE(seam.shown().size(), std::size_t{1});
        const uictl::ShownMessage& foreign = seam.shown()[0];
        QVERIFY(to_qstring(foreign.text).startsWith("The backup set on the destination is not empty and was created by another program."));
        QVERIFY(to_qstring(foreign.text).contains("(Job \"Asked\")"));
        QCOMPARE(foreign.flags, mb::yes_no | mb::icon_warning | mb::help | mb::default_button2);
        QCOMPARE(foreign.help_context, 1008);
        QCOMPARE(brim_test::read_bytes(set), std::string(600, 'x'));
        QCOMPARE(controller->job_state(job), JobState::idle);

        // Yes clears it, logs a warning of the job and runs.
        seam.answer_next(button_id::yes);
        ended.clear();
        QVERIFY(controller->start_backup(job, false));
        QCOMPARE(run_to_end(ended, "Asked"), int(RunEnd::finished));
        QCOMPARE(seam.shown().size(), std::size_t{2});
        bool warned = false;
        for (const auto& entry : log_entries())
            warned |= entry.type == brim::LogType::warning && entry.source == u"Asked";
        QVERIFY(warned);
        QVERIFY(brim_test::read_bytes(set) != std::string(600, 'x'));

        // The job's own set, replaced by this job: No sets the job to append
        // and tells so once, until the box is silenced.
        seam.answer_next(button_id::no);
        seam.answer_next(button_id::ok, 1);
        ended.clear();
        QVERIFY(controller->start_backup(job, false));
        QCOMPARE(run_to_end(ended, "Asked"), int(RunEnd::finished));
        QCOMPARE(seam.shown().size(), std::size_t{4});
        const uictl::ShownMessage& replace = seam.shown()[2];
        QCOMPARE(to_qstring(replace.title), QStringLiteral("Replace backup set"));
        QVERIFY(to_qstring(replace.text).startsWith("This job is set to replace its backup set."));
        QCOMPARE(replace.help_context, 1007);
        const uictl::ShownMessage& append = seam.shown()[3];
        QCOMPARE(to_qstring(append.title), QStringLiteral("Append mode"));
        QVERIFY(to_qstring(append.text).startsWith("Orvex Brimvault will set the job to append mode."));
        QCOMPARE(append.flags, mb::ok | mb::icon_information | mb::help | mb::never_show_check);
        QCOMPARE(append.help_context, 1019);
        QVERIFY(job.has_option(brim::job_option::keep_set));
        QCOMPARE(job::CSystemOption::GetInstance()->GetNeverShowValue(job::never_show::append_mode_hint), 0);

        // Appending: no question at all.
        ended.clear();
        QVERIFY(controller->start_backup(job, false));
        QCOMPARE(run_to_end(ended, "Asked"), int(RunEnd::finished));
        QCOMPARE(seam.shown().size(), std::size_t{4});

        // Replacing again, answered No: the silenced box stays away.
        job.options &= ~brim::job_option::keep_set;
        seam.answer_next(button_id::no);
        ended.clear();
        QVERIFY(controller->start_backup(job, false));
        QCOMPARE(run_to_end(ended, "Asked"), int(RunEnd::finished));
        QCOMPARE(seam.shown().size(), std::size_t{5});
        QCOMPARE(seam.shown()[4].help_context, 1007);
        QVERIFY(job.has_option(brim::job_option::keep_set));
        QCOMPARE(seam.pending(), std::size_t{0});
    }

    // A scheduled run asks the destination's questions as a run by hand
    // does, and waits for the answer; its other questions stay unasked.
    void an_unattended_run_asks_the_destination_questions_too() {
        brim::BackupItem& job = add_job("Scheduled", 2, 100);
        brim::BackupItemManager::instance()->save();
        fs::create_directories(dir() / "dest-Scheduled");
        const fs::path set = narrow_path(job.archive_file());
        brim_test::write_bytes(set, std::string(600, 'x'));
        QSignalSpy ended(controller.get(), &RunnerController::run_ended);
        uictl::MessageBoxSeam seam;
        seam.answer_next(button_id::no);
        QVERIFY(controller->start_backup(job, true));
        QCOMPARE(run_to_end(ended, "Scheduled"), int(RunEnd::stopped));
        QCOMPARE(seam.shown().size(), std::size_t{1});
        QCOMPARE(seam.shown()[0].help_context, 1008);
        QCOMPARE(brim_test::read_bytes(set), std::string(600, 'x'));

        seam.answer_next(button_id::yes);
        ended.clear();
        QVERIFY(controller->start_backup(job, true));
        QCOMPARE(run_to_end(ended, "Scheduled"), int(RunEnd::finished));
        QCOMPARE(seam.shown().size(), std::size_t{2});
        QVERIFY(brim_test::read_bytes(set) != std::string(600, 'x'));
        QVERIFY(!job.is_unattended());
    }

    // The program ends while a run waits for its question: the question
    // is not shown, the answer is no, and nothing hangs.
    void ending_while_a_question_waits() {
        brim::BackupItem& job = add_job("Waiting", 2, 100);
        brim::BackupItemManager::instance()->save();
        fs::create_directories(dir() / "dest-Waiting");
        const fs::path set = narrow_path(job.archive_file());
        brim_test::write_bytes(set, std::string(600, 'x'));
        uictl::MessageBoxSeam seam;
        seam.answer_next(button_id::yes);
        QVERIFY(controller->start_backup(job, false));
        controller.reset();
        QVERIFY(seam.shown().empty());
        QCOMPARE(brim_test::read_bytes(set), std::string(600, 'x'));
    }

    void replace_questions_of_a_directory_copy_data() {
        QTest::addColumn<bool>("unattended");
        QTest::addColumn<bool>("replace");
        QTest::addColumn<bool>("apply_to_all");
        QTest::addColumn<int>("asked");
        QTest::addColumn<bool>("replaced");
        QTest::newRow("apply to all") << false << true << true << 1 << true;
        QTest::newRow("replace each") << false << true << false << 4 << true;
        QTest::newRow("keep each") << false << false << true << 4 << false;
        QTest::newRow("unattended keeps without asking") << true << true << true << 0 << false;
    }
    void replace_questions_of_a_directory_copy() {
        QFETCH(bool, unattended);
        QFETCH(bool, replace);
        QFETCH(bool, apply_to_all);
        brim::BackupItem& job = add_job("Mirror", 4, 50, brim::BackupKind::directory_copy);
        brim::BackupItemManager::instance()->save();
        const fs::path source = narrow_path(job.sources[0].path);
        QSignalSpy ended(controller.get(), &RunnerController::run_ended);
        // A first run makes the mirror; then it holds older copies.
        QVERIFY(controller->start_backup(job, false));
        QCOMPARE(run_to_end(ended, "Mirror"), int(RunEnd::finished));
        std::map<fs::path, fs::path> mirrored;  // source file -> its copy
        for (const auto& entry : fs::recursive_directory_iterator(narrow_path(job.destination)))
            if (entry.is_regular_file()) mirrored[source / entry.path().filename()] = entry.path();
        QCOMPARE(mirrored.size(), std::size_t{4});
        for (const auto& [file, copy] : mirrored) brim_test::write_bytes(copy, "old");
        job.options = brim::job_option::restore_ask;
        ended.clear();
        std::vector<ReplaceQuestion> questions;
        set_replace_prompt([&](const ReplaceQuestion& question) {
            questions.push_back(question);
            return ReplaceAnswer{replace, apply_to_all};
        });
        QVERIFY(controller->start_backup(job, unattended));
        QCOMPARE(run_to_end(ended, "Mirror"), int(RunEnd::finished));

        QTEST(int(questions.size()), "asked");
        if (!questions.empty()) {
            const ReplaceQuestion& first = questions.front();
            QCOMPARE(fs::path(narrow_path(first.existing.path)).parent_path(), mirrored.begin()->second.parent_path());
            QCOMPARE(first.existing.size, std::int64_t{3});
            QVERIFY(first.incoming.size >= 50);
            QVERIFY(first.incoming.modified > 0);
        }
        QFETCH(bool, replaced);
        for (const auto& [file, copy] : mirrored)
            QCOMPARE(brim_test::read_bytes(copy) == brim_test::read_bytes(file), replaced);
    }

    void a_protected_job_asks_its_password_only_when_run_by_hand() {
        brim::BackupItem& job = add_job("Locked", 2, 100, brim::BackupKind::normal,
                                        brim::job_option::password | brim::job_option::cipher_xor |
                                            brim::job_option::keep_set);
        job.password = u"secret";
        job.password_state = brim::PasswordState::not_loaded;
        brim::BackupItemManager::instance()->save();
        std::vector<std::optional<bk::String>> answers{std::nullopt, bk::String(u"wrong"), bk::String(u"secret")};
        int asked = 0;
        set_password_prompt([&](const bk::String& name) {
            [&] { QCOMPARE(to_qstring(name), QStringLiteral("Locked")); }();
            return answers.at(static_cast<std::size_t>(asked++));
        });
        QSignalSpy ended(controller.get(), &RunnerController::run_ended);
        uictl::MessageBoxSeam seam;

        QVERIFY(!controller->start_backup(job, false));  // cancelled: said nothing
        QVERIFY(seam.shown().empty());
        QVERIFY(!controller->start_backup(job, false));  // wrong
        QCOMPARE(seam.shown().size(), std::size_t{1});
        QCOMPARE(to_qstring(seam.shown()[0].text),
                 QStringLiteral("The password is not right; Orvex Brimvault cannot back up the job.\n(Job \"Locked\")"));
        QCOMPARE(controller->running_count(), std::size_t{0});
        QCOMPARE(controller->job_state(job), JobState::idle);

        // Unattended: nothing is asked.
        QVERIFY(controller->start_backup(job, true));
        QCOMPARE(asked, 2);
        QCOMPARE(run_to_end(ended, "Locked"), int(RunEnd::finished));
        ended.clear();
        QVERIFY(controller->start_backup(job, false));
        QCOMPARE(asked, 3);
        QCOMPARE(run_to_end(ended, "Locked"), int(RunEnd::finished));
        QCOMPARE(seam.shown().size(), std::size_t{1});
    }

    void network_servers_are_checked_once_per_program_run_data() {
        QTest::addColumn<int>("failure");
        QTest::addColumn<bool>("unattended");
        QTest::newRow("logon refused, by hand") << 5 << false;
        QTest::newRow("server fails, by hand") << 1208 << false;
        QTest::newRow("server fails, unattended") << 1208 << true;
    }
    void network_servers_are_checked_once_per_program_run() {
        QFETCH(int, failure);
        QFETCH(bool, unattended);
        int mounts = 0;
        uictl::set_share_mounter(std::make_unique<FakeServer>(&mounts, failure));
        std::vector<uictl::LogonAnswer> logons{{u"bob", u"guess"}, {u"ann", u"right"}};
        int asked = 0;
        bool give_up = true;
        uictl::set_logon_prompt([&](const uictl::LogonQuestion&) -> std::optional<uictl::LogonAnswer> {
            if (give_up && asked == 1) return std::nullopt;
            return logons.at(static_cast<std::size_t>(asked++));
        });
        brim::BackupItem& job = add_job("Shared", 1, 10);
        job.sources.push_back({u"\\\\nas\\docs", brim::SourceType::directory, true});
        brim::BackupItemManager::instance()->save();
        QSignalSpy ended(controller.get(), &RunnerController::run_ended);
        uictl::MessageBoxSeam seam;
        log_entries();

        // The wrong account, then the user gives up: refused.
        QVERIFY(!controller->start_backup(job, unattended));
        QCOMPARE(mounts, 1);
        QCOMPARE(controller->running_count(), std::size_t{0});
        const bool told = failure != 5 || unattended;
        QString said;
        if (unattended) {
            for (const auto& entry : log_entries())
                if (entry.type == brim::LogType::error && entry.source == u"Shared") said = to_qstring(entry.description);
            QVERIFY(seam.shown().empty());
        } else if (!seam.shown().empty()) {
            said = to_qstring(seam.shown()[0].text);
            QCOMPARE(seam.shown()[0].flags & mb::icon_mask, mb::icon_error);
        }
        QCOMPARE(!said.isEmpty(), told);
        if (told) QCOMPARE(said, failure == 5 ? QStringLiteral("Cannot connect to the network share: Permission denied\n(\\\\nas)")
                                              : QStringLiteral("Cannot connect to the network share: The server is down\n(\\\\nas)"));

        // The right account: the run starts, and the next one asks nothing.
        give_up = false;
        QVERIFY(controller->start_backup(job, unattended));
        QCOMPARE(mounts, 2);
        run_to_end(ended, "Shared");
        ended.clear();
        QVERIFY(controller->start_backup(job, unattended));
        run_to_end(ended, "Shared");
        QCOMPARE(mounts, 2);
        QCOMPARE(asked, 2);
    }

    void a_restore_is_watched_and_asks_about_existing_files() {
        brim::BackupItem& job = add_job("Kept", 3, 200);
        brim::BackupItemManager::instance()->save();
        QSignalSpy ended(controller.get(), &RunnerController::run_ended);
        QVERIFY(controller->start_backup(job, false));
        QCOMPARE(run_to_end(ended, "Kept"), int(RunEnd::finished));
        const fs::path target = dir() / "restored";
        fs::create_directories(target);
        int asked = 0;
        set_replace_prompt([&](const ReplaceQuestion& question) {
            ++asked;
            [&] {
                QCOMPARE(question.incoming.size, question.existing.size);
                QVERIFY(question.incoming.modified != 0);
            }();
            return ReplaceAnswer{false, false};
        });
        // First from the job of the store, then from a job made from the
        // archive file, which the row keeps.
        for (int pass = 0; pass < 2; ++pass) {
            std::unique_ptr<brim::BackupItem> set_job = pass == 0 ? nullptr : brim::BackupSession::open(job.archive_file());
            auto session = brim::BackupSession::create_session(pass == 0 ? &job : set_job.get(),
                                                               brim::SessionDirection::restore);
            QVERIFY(session != nullptr);
            std::vector<const brim::archive::RunLayout*> runs;
            session->open(runs, nullptr);
            QVERIFY(!runs.empty());
            ended.clear();
            QVERIFY(controller->start_restore(std::move(session), {runs.back()->root.get()}, wide(target),
                                              brim::restore_option::existing_ask, std::move(set_job)));
            QCOMPARE(run_to_end(ended, "Kept"), int(RunEnd::finished));
            // The second pass finds every file there and keeps it.
            QCOMPARE(asked, pass == 0 ? 0 : 3);
        }
        const WatcherRow& done = row(u"Kept");
        QCOMPARE(done.direction(), brim::SessionDirection::restore);
        QCOMPARE(done.state(), text_id::state_finished);
        QCOMPARE(to_qstring(done.column(column::percent)), QStringLiteral("100%"));
        const QString output = to_qstring(done.output());
        QVERIFY2(output.startsWith("--------------- Job: Kept,  Operation: Restore ---------------\n"
                                   "Analysing the restore catalogue..."),
                 qPrintable(output));
        QCOMPARE(brim_test::tree_of(target).size(), std::size_t{3});
        QCOMPARE(controller->job_state(job), JobState::idle);
    }

    void a_finished_run_pops_its_notification_unless_unattended() {
        brim::BackupItem& job = add_job("Told", 1, 10, brim::BackupKind::normal,
                                        brim::job_option::notify | brim::job_option::keep_set);
        brim::BackupItemManager::instance()->save();
        QSignalSpy ended(controller.get(), &RunnerController::run_ended);
        QVERIFY(controller->start_backup(job, true));
        run_to_end(ended, "Told");
        QCoreApplication::processEvents();
        QCOMPARE(notify_windows(), 0);
        ended.clear();
        QVERIFY(controller->start_backup(job, false));
        run_to_end(ended, "Told");
        QTRY_COMPARE(notify_windows(), 1);
    }

private:
    static fs::path narrow_path(const bk::String& path) { return fs::path(bk::to_ansi(path)); }
};

BRIM_QTEST_MAIN(RunnerControllerTest)
#include "runner_controller_test.moc"
