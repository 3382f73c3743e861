#pragma once
// One subcommand of brimvault-cli: it declares its options on the parser
// and, when chosen, runs and returns the program's exit status.
#include <CLI/CLI.hpp>

namespace brim::cli {

// Exit statuses besides a run's result (0 successful ... 5 failed).
inline constexpr int exit_usage = 64;
inline constexpr int exit_not_found = 65;
inline constexpr int exit_store_busy = 75;
inline constexpr int exit_failure = 70;
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
