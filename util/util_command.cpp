#include "util/util_command.h"

#include <iostream>

#include <QApplication>

#include "basekit/convertion.h"
#include "basekit/exception.h"
#include "core/jobs/store_lock.h"
#include "core/jobs/system_info.h"
#include "job/system_option.h"
#include "uictl/brim_message_box.h"
#include "uictl/message_box_flags.h"
#include "util/util_strings.h"

namespace util {
namespace {

constexpr char program_name[] = "util";
constexpr char version_text[] = "1.7.0";

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

// The warning box, or standard error where there is no display to show it on.
void warn_program_runs() {
    const bk::String text = util_strings().text(text_id::program_running);
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr) {
        BrimMessageBox(text.c_str(), u"", mb::ok | mb::icon_warning);
    } else {
        std::cerr << bk::to_ansi(text) << '\n';
    }
}

void install() {
    const bool running = program_runs();
    if (running) warn_program_runs();
    job::CSystemOption::GetInstance()->RegisterShellAssociation();
    if (running) return;
    try {
        brim::SystemInfo::instance();  // makes the data directories
    } catch (const bk::Exception&) {
        // The program makes them at its first start as well.
    }
}

}  // namespace

Command read_command(bk::StringView line) {
    while (!line.empty() && (line.front() == u' ' || line.front() == u'\t')) line.remove_prefix(1);
    if (line == u"--install") return Command::install;
    if (line == u"--uninstall") return Command::uninstall;
    if (line == u"--version") return Command::version;
    return Command::help;
}

int run_command(Command command, std::ostream& out) {
    switch (command) {
        case Command::install: install(); break;
        case Command::uninstall:
            job::CSystemOption::GetInstance()->UnregisterShellAssociation();
            job::CSystemOption::GetInstance()->RemoveStartupInfo();
            break;
        case Command::version: out << "Orvex Brimvault version is " << version_text << "\n\n"; break;
        case Command::help: print_usage(out); break;
    }
    return 0;
}

}  // namespace util
