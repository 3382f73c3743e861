#pragma once
#include <memory>

#include "cli/command.h"

namespace brim::cli {

// "burner devices": the destinations a burner job can write to.
std::unique_ptr<Command> make_burner_command();

}  // namespace brim::cli
