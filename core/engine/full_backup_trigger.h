#pragma once
// The full-backup trigger of the incremental kinds: whether a run on an
// existing set becomes a full backup that starts the set anew.
#include <cstdint>

#include "core/jobs/backup_item.h"

namespace brim {

// Whether `trigger` makes the run at `now` a full one, for a set that holds
// `run_count` runs and whose newest full run was made at `last_full` (its
// first run: a full run always starts a set of its own). Days and weekdays
// are those of the local wall clock.
//  - count N: the set holds N runs or more.
//  - weekly (interval W, days mask, Sunday first): only on a chosen weekday;
//    d = whole days since the newest full run; d <= 0 no; d / 7 > W fires;
//    d >= 7 no; otherwise it fires when the full run's weekday is earlier in
//    the week than today's.
//  - monthly (day D): the first run on or after day D of a month (the last
//    day of a shorter month) that has had no full run since that day.
bool full_backup_due(const TriggerData& trigger, std::uint32_t run_count, std::int64_t last_full, std::int64_t now);

}  // namespace brim
