#pragma once
// Running another program and talking to it over its standard streams, and
// asking whether a daemon runs: what the scheduler binding needs of the
// platform (the user's crontab program, the cron daemon).
#include <cstdint>
#include <string>
#include <vector>

namespace bk::os {

struct ProcessResult {
    bool started = false;  // false: the program could not be run at all
    int exit_code = -1;    // -1 when it ended by a signal
    std::string output;    // its standard output
    std::string errors;    // its standard error
};

// Runs `argv` (argv[0] looked up on PATH), gives it `input` on its standard
// input and waits for it to end. Never throws; `started` tells whether the
// program ran.
ProcessResult run_process(const std::vector<std::string>& argv, const std::string& input = {});

// Whether a process whose command name is `name` runs on this machine (as
// any user), as /proc tells.
bool process_running(const std::string& name);

// Whether a process with the id `pid` exists on this machine (any user's).
bool process_alive(std::uint32_t pid);

}  // namespace bk::os
