#pragma once
// The whole of brimvault-cli for one command line: main() runs it for the
// process's own arguments, and an owner of the job store for a command line
// handed over to it.
#include <string>
#include <vector>

namespace brim::cli {

// Parses `args` (without the program's name), runs the chosen command and
// returns the exit status.
int run_program(const std::vector<std::string>& args);

// The arguments of the command the calling thread runs.
const std::vector<std::string>& current_args();

}  // namespace brim::cli
