#pragma once
// The "job" subcommands: add, list, show, remove, export, import.
#include <memory>
#include <vector>

#include "cli/command.h"

namespace brim::cli {

std::vector<std::unique_ptr<Command>> job_commands();

}  // namespace brim::cli
