#pragma once
// The installer's helper: registers or removes the archive file association
// for the user, prepares the data directories, prints its version or its
// usage. It has no window; its one dialog is the warning that the program
// runs while it is installed.
#include <ostream>
#include <string>

#include "basekit/types.h"

namespace util {

enum class Command { install, uninstall, help, version };

// The command the text after the program's name asks for (leading blanks
// skipped, words compared as they are); anything else is help.
Command read_command(bk::StringView line);

// Carries out the command, printing to `out`. Always 0: no failure changes
// the installer's course.
int run_command(Command command, std::ostream& out);

}  // namespace util
