#pragma once
#include <memory>

#include "cli/command.h"

namespace brim::cli {

// "run JOB": the job's backup with its progress; the exit status is the
// run's result (0 successful, 1 having warnings, 2 stopped, 3 stopped with
// warnings, 4 aborted, 5 failed). Ctrl-C stops the run cleanly.
std::unique_ptr<Command> make_run_command();

}  // namespace brim::cli
