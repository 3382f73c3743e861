#pragma once
// "schedule" and "unschedule": a job's runs on the user's crontab, the list
// of next runs, and the two commands cron starts (the gate of a scheduled
// start and the catch-up of missed runs at boot).
#include <memory>
#include <vector>

#include "cli/command.h"

namespace brim::cli {

std::vector<std::unique_ptr<Command>> schedule_commands();

}  // namespace brim::cli
