#pragma once
// The installer's helper: registers or removes the archive file association
// for the user, prepares the data directories, prints its version or its
// usage. It has no window; its one dialog is the warning that the program
// runs while it is installed. Run as the administrator (the package's
// scripts), it registers the installation's association for every user.
#include <ostream>
#include <string>

#include "basekit/types.h"

namespace util {

enum class Command { install, uninstall, help, version };

// For whom install and uninstall work: the user who runs the helper, or
// every user of the installation (the package's scripts, run as the
// administrator). Every user's own association overrides the installation's.
enum class Scope { user, installation };

// The scope of this process: the installation's when it runs as the
// administrator.
Scope scope_of_process();

// The command the text after the program's name asks for (leading blanks
// skipped, words compared as they are); anything else is help.
Command read_command(bk::StringView line);

// Carries out the command for `scope`, printing to `out`. Always 0: no
// failure changes the installer's course.
int run_command(Command command, std::ostream& out, Scope scope = Scope::user);

}  // namespace util
