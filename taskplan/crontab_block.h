#pragma once
// The work items as lines of the user's crontab. Our lines stand in one
// marked block; every line outside it is the user's and is kept byte for
// byte. Each line starts the schedule gate ("brimvault-cli schedule due
// NAME"), which checks the item's own rule (a year, an interval of days or
// weeks that cron cannot say) and records the start, and only then the
// item's application.
#include <string>
#include <string_view>
#include <vector>

#include "basekit/types.h"
#include "taskplan/work_item.h"

namespace taskplan {

inline constexpr std::string_view block_begin = "# BEGIN Brimvault schedule (written by Brimvault: changes inside are replaced)";
inline constexpr std::string_view block_end = "# END Brimvault schedule";

// The cron time fields of a trigger ("30 21 * * 1,4", "@reboot"); empty for
// a trigger cron cannot start (when idle, at logon).
std::string cron_schedule_of(const ScheduleTrigger& trigger);

// The block for `items`: one line per trigger, and a line that catches up
// missed runs at boot when any item wants it. `gate` is the full path of
// brimvault-cli. Empty when there is nothing to schedule.
std::string render_block(const std::vector<WorkItem>& items, bk::StringView gate);

// `crontab` with our block replaced by `block` (removed when empty), the
// rest as it was. A block without its end line runs to the end of the text.
std::string replace_block(std::string_view crontab, std::string_view block);

// A word for sh in single quotes.
std::string shell_quote(std::string_view word);

}  // namespace taskplan
