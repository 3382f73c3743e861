#pragma once
// The process-wide services of the program, brought up at start and torn
// down at the end in a fixed order: the options, the log, the job store,
// the scheduler and the logon-entry store.
#include <cstdint>
#include <functional>

#include "basekit/types.h"

namespace app {

// Loads the options (their defaults when they cannot be read) and hands
// their limits to the log and the job store: the log's size, the safety
// copies' age, the archive segment size and the reports kept per job.
void start_services();

// How the job store came up.
enum class StoreStart { loaded, copy_loaded, reloaded };

// Who is asked when the job store is damaged: `load_copy` with the time of
// the safety copy (true: put it back), `will_repair` when there is none.
// Null members: nobody is asked (a scheduled start), and the store is read
// again leniently.
struct StoreDamageQuestions {
    std::function<bool(std::int64_t copy_time)> load_copy;
    std::function<void()> will_repair;
};

// Loads the job store; a damaged one is put back from its safety copy when
// the user says so, else read again keeping what can be read.
StoreStart load_job_store(const StoreDamageQuestions& questions);

// Deletes the scheduler's one-time tasks that will never run again and
// clears their jobs' task names. Nothing when the scheduler cannot be had.
void remove_spent_tasks();

// Saves and ends the services in order: options, scheduler, job store
// (`store_failed` gets the message of a save that fails; the end goes on),
// log, the job store itself, the logon entries (failures ignored).
void end_services(const std::function<void(const bk::String& message)>& store_failed);

// Writes an information entry to the system log; never throws.
void log_information(bk::StringView text);

}  // namespace app
