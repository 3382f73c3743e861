#include "app/headless_backup.h"

#include <iostream>

#include "app/app_strings.h"
#include "app/scheduled_job.h"
#include "app/services.h"
#include "app/single_instance.h"
#include "basekit/convertion.h"
#include "basekit/exception.h"
#include "basekit/platform/os_system.h"
#include "cli/store_owner.h"
#include "core/jobs/backup_item_manager.h"
#include "core/runner/exit_status.h"
#include "core/runner/job_runner.h"

namespace app {
namespace {

// The status of a destination check that refused the run, as brimvault-cli run.
constexpr int refused_status = 5;

bool variable_set(const char16_t* name) {
    const auto value = bk::os::environment_variable(name);
    return value && !value->empty();
}

// Another process holds the data: the job goes to it.
int hand_over_job(std::int32_t job_id) {
    const auto answer = hand_over_to_owner(u"backup " + bk::from_ansi(std::to_string(job_id)));
    if (!answer) {
        std::cerr << "brimvault: another process holds the job store and takes no jobs\n";
        return brim::exit_status::store_busy;
    }
    if (!answer->text.empty()) std::cerr << "brimvault: " << answer->text << '\n';
    return answer->status;
}

// Runs the job, stopping it when the process is asked to end.
brim::RunOutcome run_to_end(brim::JobRun& run) {
    bool stop_sent = false;
    while (!run.wait_for(0)) {
        if (bk::os::wait_for_end_request(100) != 0 && !stop_sent) {
            run.stop();
            stop_sent = true;
        }
    }
    return run.wait();
}

int status_of(const brim::RunOutcome& outcome) {
    if (outcome.end == brim::RunOutcome::End::refused_by_check) return refused_status;
    if (!outcome.save_failure.empty() && outcome.result == 0) return brim::exit_status::failure;
    return outcome.result;
}

}  // namespace

bool display_missing() {
    const auto platform = bk::os::environment_variable(u"QT_QPA_PLATFORM");
    if (platform && *platform == u"offscreen") return true;
    return !variable_set(u"DISPLAY") && !variable_set(u"WAYLAND_DISPLAY");
}

int run_headless_backup(std::int32_t job_id) {
    // Before any thread starts: a request to end stops the run instead.
    bk::os::block_end_requests();
    const auto lock = take_ownership();
    if (!lock) return hand_over_job(job_id);

    start_services();
    load_job_store({});
    log_information(app_strings().text(app_text::started_by_schedule));
    brim::BackupItem* job = scheduled_job(job_id);
    int status = brim::exit_status::not_found;
    if (job != nullptr) {
        // The owner of the store as brimvault-cli run is one: later starts
        // hand their backups and their changes of jobs to it meanwhile.
        brim::cli::StoreOwner owner;
        try {
            status = status_of(run_to_end(*owner.runner().start_backup(*job, {})));
        } catch (const brim::RunRefused& refusal) {
            std::cerr << "brimvault: " << bk::to_ansi(refusal.message()) << '\n';
            status = refusal.reason() == brim::RunRefused::Reason::password ? brim::exit_status::password
                                                                              : brim::exit_status::failure;
        }
        owner.finish_handed_runs([] { return bk::os::wait_for_end_request(0) != 0; });
    }
    end_services([](const bk::String& message) { std::cerr << "brimvault: " << bk::to_ansi(message) << '\n'; });
    return status;
}

}  // namespace app
