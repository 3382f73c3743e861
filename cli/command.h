#pragma once
// One subcommand of brimvault-cli: it declares its options on the parser
// and, when chosen, runs and returns the program's exit status.
#include <CLI/CLI.hpp>

namespace brim::cli {

// Exit statuses besides a run's result (0 successful ... 5 failed); the
// README's table lists them.
inline constexpr int exit_usage = 64;       // a wrong option or value, or input refused
inline constexpr int exit_not_found = 65;   // no such job, archive file or item
inline constexpr int exit_failure = 70;     // the work failed (the message says why)
inline constexpr int exit_store_damaged = 74;  // the job store was read only in part: "job repair"
inline constexpr int exit_store_busy = 75;
inline constexpr int exit_password = 77;    // the password is missing or not right
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
