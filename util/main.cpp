// brimvault-util: the helper the package's installer runs for the user
// (the archive file association, the data directories).
#include <iostream>

#include <QApplication>

#include "basekit/convertion.h"
#include "util/util_command.h"

namespace {

bool display_present() {
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
           qEnvironmentVariable("QT_QPA_PLATFORM") == QLatin1String("offscreen");
}

}  // namespace

int main(int argc, char** argv) {
    std::string line;
    for (int i = 1; i < argc; ++i) line += (i > 1 ? " " : "") + std::string(argv[i]);
    const util::Command command = util::read_command(bk::from_ansi(line));
    const util::Scope scope = util::scope_of_process();
    // Only a user's own install may show a box, and only where there is a
    // display: the package's scripts run where nobody would see it.
    if (command == util::Command::install && scope == util::Scope::user && display_present()) {
        QApplication application(argc, argv);
        return util::run_command(command, std::cout, scope);
    }
    QCoreApplication application(argc, argv);
    return util::run_command(command, std::cout, scope);
}
