#pragma once
// The check of a job's destination before a backup: "check JOB", and the
// words of the questions "run" asks before it starts.
#include <memory>
#include <string>

#include "cli/command.h"
#include "core/jobs/backup_item.h"
#include "core/restore/restore_option.h"

namespace brim::cli {

std::unique_ptr<Command> make_check_command();

// The check's result in words, for "check" and before a question of "run".
std::string describe(CheckResult result, const std::string& job);

}  // namespace brim::cli
