#include "util/util_command.h"

#include <iostream>

#include <QApplication>

#include "basekit/convertion.h"
#include "basekit/exception.h"
#include "basekit/platform/os_process.h"
#include "basekit/platform/os_system.h"
#include "core/jobs/store_lock.h"
#include "core/jobs/system_info.h"
#include "job/shell_association.h"
#include "job/system_option.h"
#include "uictl/brim_message_box.h"
#include "uictl/message_box_flags.h"
#include "util/util_strings.h"

namespace util {
namespace {

constexpr char program_name[] = "util";
constexpr char version_text[] = "1.7.0";
// The program whose running the installation's install warns of.
constexpr char program_file_name[] = "brimvault";

void print_usage(std::ostream& out) {
    out << "Usage: " << program_name << " [--options] \n"
        << "   --install\tInstall Orvex Brimvault\n"
        << "   --uninstall\tUnInstall Orvex Brimvault\n"
        << "   --help /?\tprint this help message\n"
        << "   --version\tprint the utility version message\n";
}

// Whether the program owns the user's data now: it holds the store's lock.
bool program_runs() {
    try {
        return brim::StoreLock::try_acquire() == nullptr;
    } catch (const bk::Exception&) {
        return false;  // no data directory yet: nothing runs on it
    }
}

// The installation's program runs for some user (a package being upgraded).
bool installed_program_runs() { return bk::os::process_running(program_file_name); }

// The warning box, or standard error where there is no display to show it
// on or no one to see it (the package's scripts).
void warn_program_runs(Scope scope) {
    const bk::String text = util_strings().text(text_id::program_running);
    if (scope == Scope::user && qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr) {
        BrimMessageBox(text.c_str(), u"", mb::ok | mb::icon_warning);
    } else {
        std::cerr << bk::to_ansi(text) << '\n';
    }
}

void install_for_user() {
    const bool running = program_runs();
    if (running) warn_program_runs(Scope::user);
    job::CSystemOption::GetInstance()->RegisterShellAssociation();
    if (running) return;
    try {
        brim::SystemInfo::instance();  // makes the data directories
    } catch (const bk::Exception&) {
        // The program makes them at its first start as well.
    }
}

// Each user's data directories are made by the program's first start: the
// administrator's own would serve nobody.
void install_for_installation() {
    if (installed_program_runs()) warn_program_runs(Scope::installation);
    job::register_system_association();
}

void uninstall(Scope scope) {
    if (scope == Scope::installation) {
        job::unregister_system_association();
        return;
    }
    job::CSystemOption::GetInstance()->UnregisterShellAssociation();
    job::CSystemOption::GetInstance()->RemoveStartupInfo();
}

}  // namespace

Command read_command(bk::StringView line) {
    while (!line.empty() && (line.front() == u' ' || line.front() == u'\t')) line.remove_prefix(1);
    if (line == u"--install") return Command::install;
    if (line == u"--uninstall") return Command::uninstall;
    if (line == u"--version") return Command::version;
    return Command::help;
}

Scope scope_of_process() { return bk::os::runs_as_administrator() ? Scope::installation : Scope::user; }

int run_command(Command command, std::ostream& out, Scope scope) {
    switch (command) {
        case Command::install: scope == Scope::installation ? install_for_installation() : install_for_user(); break;
        case Command::uninstall: uninstall(scope); break;
        case Command::version: out << "Orvex Brimvault version is " << version_text << "\n\n"; break;
        case Command::help: print_usage(out); break;
    }
    return 0;
}

}  // namespace util
