#pragma once
// "serve": a small owner of the job store for tests and machines without a
// window: it holds the store, runs what later starts hand over and ends on
// SIGTERM or Ctrl-C after stopping its runs.
#include <memory>

#include "cli/command.h"

namespace brim::cli {

std::unique_ptr<Command> make_serve_command();

}  // namespace brim::cli
