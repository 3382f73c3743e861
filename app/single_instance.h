#pragma once
// One program owns the user's data at a time. The first start takes the job
// store's lock and listens on the hand-over channel; a later start hands its
// command line to whoever holds the lock (this program, or brimvault-cli
// running a job) and ends with the answer.
#include <memory>
#include <optional>

#include "basekit/types.h"
#include "core/jobs/store_lock.h"
#include "core/runner/handover.h"

namespace app {

// The store's lock for this process; null when another process holds it.
std::unique_ptr<brim::StoreLock> take_ownership();

// Hands `line` to the owner. An owner still starting may not listen yet:
// tries again until `wait_ms` have passed. Nothing when no owner answered.
std::optional<brim::HandoverAnswer> hand_over_to_owner(bk::StringView line, int wait_ms = brim::handover_wait_ms);

}  // namespace app
