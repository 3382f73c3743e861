#include "cli/run_command.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <csignal>
#include <iostream>
#include <thread>

#include "basekit/exception.h"
#include "basekit/platform/os_console.h"
#include "cli/archive_check.h"
#include "cli/console.h"
#include "cli/progress_printer.h"
#include "core/engine/backup_session.h"
#include "core/engine/directory_copy_session.h"
#include "core/jobs/backup_item_manager.h"
#include "core/jobs/backup_item_report_coll.h"
#include "core/jobs/log_manager.h"

namespace brim::cli {
namespace {

std::atomic<bool> interrupted{false};

extern "C" void on_interrupt(int) { interrupted = true; }

class RunCommand final : public Command {
public:
    CLI::App* attach(CLI::App& parent) override {
        CLI::App* app = parent.add_subcommand("run", "Run a job's backup");
        app->add_option("job", name_, "Name or id")->required();
        app->add_option("--password-file", password_file_, "The job's password, when it is not stored");
        app->add_flag("--quiet", quiet_, "No progress line: only warnings, errors and the summary");
        app->add_flag("--verbose", verbose_, "Without a terminal: a line for every file and step");
        app->add_flag("--delete-sources", delete_sources_,
                      "directory_copy jobs: delete each source once it was copied (and verified)");
        return app;
    }

    int execute() override {
        Store store(true);
        if (store.locked_out()) return store_busy();
        BackupItem* job = store.find(name_);
        if (job == nullptr) return job_not_found(name_);
        if (!prove_password(*job, password_file_)) return exit_password;
        auto session = backup_session_for(*job);
        if (!session) return exit_failure;
        if (delete_sources_) {
            auto* mirror = dynamic_cast<DirectoryCopySession*>(session.get());
            if (mirror == nullptr) {
                print_error("--delete-sources is for directory_copy jobs");
                return exit_usage;
            }
            mirror->set_delete_sources(true);
        }
        // Nobody to answer: the check applies the unattended rules to any job.
        const bool can_ask = bk::os::is_terminal_input() && bk::os::is_terminal_output() && !job->is_unattended();
        if (!settle_check(session->check_archive(!can_ask), *job, can_ask)) {
            std::cout << "The backup was not run.\n";
            return exit_refused;
        }
        const int status = run(*session);
        summarize(*job);
        try {
            store.save();
        } catch (const bk::Exception& failure) {
            // The run's own result stays what the exit status tells.
            print_error(out(failure.message()));
            return status == 0 ? exit_failure : status;
        }
        return status;
    }

private:
    int run(BackupSession& session) {
        const bool terminal = bk::os::is_terminal_output() && bk::os::is_terminal_input();
        ProgressPrinter printer(bk::os::is_terminal_output() && !quiet_, verbose_ && !quiet_,
                                terminal && !session.backup_item().is_unattended());
        session.install(&printer);
        interrupted = false;
        struct sigaction action {};
        action.sa_handler = on_interrupt;
        struct sigaction saved_int {}, saved_term {};
        ::sigaction(SIGINT, &action, &saved_int);
        ::sigaction(SIGTERM, &action, &saved_term);

        // The worker wakes this thread the moment it ends; the short waits
        // only look for Ctrl-C, which a signal handler cannot announce.
        std::mutex mutex;
        std::condition_variable ended;
        bool finished = false;
        std::thread worker([&] {
            session.backup();
            std::lock_guard lock(mutex);
            finished = true;
            ended.notify_one();
        });
        bool stop_sent = false;
        for (std::unique_lock lock(mutex); !finished;) {
            if (interrupted && !stop_sent) {
                session.stop();
                stop_sent = true;
            }
            ended.wait_for(lock, std::chrono::milliseconds(50));
        }
        worker.join();
        ::sigaction(SIGINT, &saved_int, nullptr);
        ::sigaction(SIGTERM, &saved_term, nullptr);
        const BackupItemReport* report = session.active_report();
        return report != nullptr ? report->result : 0;
    }

    static void summarize(BackupItem& job) {
        BackupItemReportColl* reports = job.get_reports();
        if (reports == nullptr || reports->empty()) return;
        const BackupItemReport& report = *reports->reports().back();
        std::cout << "Result: " << out(run_result_name(report.result)) << " - " << report.completed_files << " of "
                  << report.original_files << " files, " << report.completed_size << " of " << report.original_size
                  << " bytes\n";
    }

    std::string name_, password_file_;
    bool quiet_ = false, verbose_ = false;
    bool delete_sources_ = false;
};

}  // namespace

std::unique_ptr<Command> make_run_command() { return std::make_unique<RunCommand>(); }

}  // namespace brim::cli
