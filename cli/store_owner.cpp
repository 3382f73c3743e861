#include "cli/store_owner.h"

#include <iostream>

#include "basekit/exception.h"
#include "cli/command.h"
#include "cli/console.h"
#include "core/jobs/backup_item_report.h"
#include "core/runner/handover.h"

namespace brim::cli {
namespace {

// Said when a run handed over to this process ends.
void tell_end(const BackupItem& job, const RunOutcome& outcome) {
    std::cout << "Handed-over backup of \"" << printable(job.name) << "\" ended: "
              << (outcome.end == RunOutcome::End::refused_by_check ? std::string("not run")
                                                                    : out(run_result_name(outcome.result)))
              << std::endl;
}

}  // namespace

StoreOwner::StoreOwner(bool required) : owner_(runner_, {}, tell_end) {
    try {
        owner_.listen(handover_path());
    } catch (const bk::Exception& failure) {
        if (required) throw;
        print_error("other Brimvault programs cannot hand their work to this one: " + out(failure.message()));
    }
}

StoreOwner::~StoreOwner() { stop(); }

void StoreOwner::finish_handed_runs(const std::function<bool()>& stop_asked) {
    for (bool listening = true;;) {
        const auto runs = runner_.runs();
        if (runs.empty()) {
            if (!listening) return;
            // A hand-over may have been taken while the channel closed.
            owner_.stop_listening();
            listening = false;
            continue;
        }
        for (const auto& run : runs)
            while (!run->wait_for(50))
                if (stop_asked()) runner_.stop_all();
    }
}

void StoreOwner::stop() {
    owner_.stop_listening();
    runner_.stop_all();
    runner_.wait_all();
}

int hand_over_or_busy(const std::string& command_line) {
    std::optional<HandoverAnswer> answer;
    try {
        answer = hand_over(handover_path(), in(command_line));
    } catch (const bk::Exception&) {
    }
    if (!answer) return store_busy();
    if (answer->status == 0) std::cout << answer->text << '\n';
    else print_error(answer->text);
    return answer->status;
}

}  // namespace brim::cli
