#pragma once
#include <memory>
#include <vector>

#include "cli/command.h"

namespace brim::cli {

// "log" (recent entries of the system log, or its export) and "report JOB"
// (the job's run reports).
std::vector<std::unique_ptr<Command>> history_commands();

}  // namespace brim::cli
