#pragma once
// The check of a job's destination before a backup: "check JOB", and the
// questions "run" asks before it starts.
#include <memory>

#include "cli/command.h"
#include "core/jobs/backup_item.h"
#include "core/restore/restore_option.h"

namespace brim::cli {

std::unique_ptr<Command> make_check_command();

// What "run" does with a check's result: asks its question on the
// terminal (`can_ask`) or takes the refusal. True when the run goes on; a
// replace question answered no turns the job to appending.
bool settle_check(CheckResult result, BackupItem& job, bool can_ask);

}  // namespace brim::cli
