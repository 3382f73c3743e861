#pragma once
// The desktop program from start to end: the single instance, the splash,
// the services in their order, the job store's load with its questions, the
// main window, the first log entry, the command line and the welcome page.
#include "basekit/types.h"

namespace app {

// Runs the program for `command_line` in the QApplication that exists and
// returns the process's exit status. A later start hands its command line
// to the owner of the data and returns the owner's answer's status.
int run_program(const bk::String& command_line);

}  // namespace app
