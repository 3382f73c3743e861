// brimvault: the desktop program. Without a display, a scheduled start runs
// its job headless; every other start needs one.
#include <iostream>
#include <string>
#include <vector>

#include <QApplication>

#include "app/command_line.h"
#include "app/headless_backup.h"
#include "app/program.h"

namespace {

void name_the_application() {
    QCoreApplication::setOrganizationName(QStringLiteral("Orvex Software"));
    QCoreApplication::setApplicationName(QStringLiteral("Brimvault"));
    QCoreApplication::setApplicationVersion(QStringLiteral(BRIM_VERSION));
}

}  // namespace

int main(int argc, char** argv) {
    const bk::String line = app::command_line_of(std::vector<std::string>(argv + 1, argv + argc));
    const app::CommandLine command = app::parse_command_line(line);
    if (app::display_missing() && command.form == app::CommandLine::Form::scheduled_backup) {
        QCoreApplication core(argc, argv);
        name_the_application();
        return app::run_headless_backup(command.job_id);
    }
    if (app::display_missing() && qEnvironmentVariable("QT_QPA_PLATFORM") != QStringLiteral("offscreen")) {
        std::cerr << "brimvault: no display to show a window on; brimvault-cli runs jobs without one\n";
        return 64;
    }
    QApplication application(argc, argv);
    name_the_application();
    return app::run_program(line);
}
