#include "cli/run_command.h"

#include <iostream>

#include "basekit/exception.h"
#include "basekit/platform/os_console.h"
#include "cli/console.h"
#include "cli/interruption.h"
#include "cli/progress_printer.h"
#include "cli/store_owner.h"
#include "cli/terminal_answers.h"
#include "core/engine/backup_session.h"
#include "core/engine/directory_copy_session.h"
#include "core/jobs/backup_item_manager.h"
#include "core/jobs/backup_item_report_coll.h"
#include "core/jobs/log_manager.h"
#include "core/runner/job_runner.h"

namespace brim::cli {
namespace {

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
        if (store.locked_out()) return hand_over_job();
        BackupItem* job = store.find(name_);
        if (job == nullptr) return job_not_found(name_);
        if (job->kind == BackupKind::difference) return refuse_difference_job();
        TerminalAnswers answers(password_file_);
        const bool terminal = bk::os::is_terminal_output() && bk::os::is_terminal_input();
        ProgressPrinter printer(bk::os::is_terminal_output() && !quiet_, verbose_ && !quiet_,
                                terminal && !job->is_unattended());
        RunRequest request;
        request.answers = &answers;
        request.backup_events = &printer;
        request.prepare = [this](BackupSession& session) {
            if (!delete_sources_) return true;
            auto* mirror = dynamic_cast<DirectoryCopySession*>(&session);
            if (mirror == nullptr) {
                print_error("--delete-sources is for directory_copy jobs");
                return false;
            }
            mirror->set_delete_sources(true);
            return true;
        };
        // While this process holds the store, later starts hand their
        // backups to it; it ends once they have ended too.
        StoreOwner owner;
        Interruption interruption;
        std::shared_ptr<JobRun> run;
        try {
            run = owner.runner().start_backup(*job, std::move(request));
        } catch (const RunRefused& refusal) {
            switch (refusal.reason()) {
                case RunRefused::Reason::password: return exit_password;  // the answers said why
                case RunRefused::Reason::by_caller: return exit_usage;
                case RunRefused::Reason::no_session:
                    print_error("the job has no kind of backup that can run");
                    return exit_failure;
                default: print_error(out(refusal.message())); return exit_failure;
            }
        }
        const RunOutcome outcome = wait(*run);
        owner.finish_handed_runs([] { return Interruption::requested(); });
        if (outcome.end == RunOutcome::End::refused_by_check) {
            std::cout << "The backup was not run.\n";
            return exit_refused;
        }
        if (outcome.report) summarize(*outcome.report);
        if (!outcome.save_failure.empty()) {
            // The run's own result stays what the exit status tells.
            print_error(out(outcome.save_failure));
            return outcome.result == 0 ? exit_failure : outcome.result;
        }
        return outcome.result;
    }

private:
    // Waits for the run; Ctrl-C or SIGTERM stops it.
    static RunOutcome wait(JobRun& run) {
        // The run wakes this thread the moment it ends; the short waits only
        // look for Ctrl-C, which a signal handler cannot announce.
        bool stop_sent = false;
        while (!run.wait_for(50)) {
            if (Interruption::requested() && !stop_sent) {
                run.stop();
                stop_sent = true;
            }
        }
        return run.wait();
    }

    // Another process holds the store: the job's backup is handed to it when
    // it listens (the job found in the store as it was last saved).
    int hand_over_job() const {
        Store saved(false);
        const BackupItem* job = saved.find(name_);
        if (job == nullptr) return job_not_found(name_);
        if (delete_sources_) return store_busy();  // an option the owner cannot take
        return hand_over_or_busy("run " + std::to_string(job->id));
    }

    static void summarize(const BackupItemReport& report) {
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
