#pragma once
#include <memory>
#include <vector>

#include "cli/command.h"

namespace brim::cli {

// "open ARCHIVE", "list JOB|ARCHIVE" and "restore JOB|ARCHIVE [items...]".
std::vector<std::unique_ptr<Command>> restore_commands();

}  // namespace brim::cli
