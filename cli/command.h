#pragma once
// One subcommand of brimvault-cli: it declares its options on the parser
// and, when chosen, runs and returns the program's exit status.
#include <CLI/CLI.hpp>

#include "core/runner/exit_status.h"

namespace brim::cli {

// Exit statuses besides a run's result (0 successful ... 5 failed).
inline constexpr int exit_usage = exit_status::usage;
inline constexpr int exit_not_found = exit_status::not_found;
inline constexpr int exit_failure = exit_status::failure;
inline constexpr int exit_store_damaged = exit_status::store_damaged;
inline constexpr int exit_store_busy = exit_status::store_busy;
inline constexpr int exit_password = exit_status::password;
// "run" refused by the check of its destination (the status of a failed run).
inline constexpr int exit_refused = 5;

class Command {
public:
    virtual ~Command() = default;
    // Adds the subcommand and its options under `parent`.
    virtual CLI::App* attach(CLI::App& parent) = 0;
    virtual int execute() = 0;
};

}  // namespace brim::cli
