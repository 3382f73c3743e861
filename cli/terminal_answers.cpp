#include "cli/terminal_answers.h"

#include <iostream>
#include <stdexcept>

#include "basekit/platform/os_console.h"
#include "cli/archive_check.h"
#include "cli/console.h"

namespace brim::cli {
namespace {

bool ask_yes_no(const std::string& question) {
    std::cout << question << " [y/N]: " << std::flush;
    std::string answer;
    return std::getline(std::cin, answer) && !answer.empty() && (answer[0] == 'y' || answer[0] == 'Y');
}

}  // namespace

bool TerminalAnswers::can_ask(const BackupItem&) const {
    return bk::os::is_terminal_input() && bk::os::is_terminal_output();
}

// A password file given for a job with a password is checked even when the
// job's password is known.
RunAnswers::Password TerminalAnswers::password(const BackupItem& job, bool needed) {
    const bool given = !password_file_.empty() && job.has_option(job_option::password);
    if (!needed && !given) return {};
    try {
        return {Password::Kind::given, read_password(password_file_, "Password of \"" + out(job.name) + "\"", false)};
    } catch (const std::runtime_error& failure) {
        print_error(failure.what());
        return {Password::Kind::failed, {}};
    }
}

void TerminalAnswers::wrong_password(const BackupItem&) { print_error("the password is not right"); }

void TerminalAnswers::refused(CheckResult result, const BackupItem& job) {
    if (result != CheckResult::failed) print_error(describe(result, out(job.name)));
}

void TerminalAnswers::floppy(const BackupItem& job) {
    std::cout << describe(CheckResult::go_on_floppy, out(job.name)) << '\n';
}

bool TerminalAnswers::confirm(CheckResult result, const BackupItem& job) {
    const bool replacing = result == CheckResult::replaces_set || result == CheckResult::replaces_set_floppy;
    return ask_yes_no(describe(result, out(job.name)) +
                      (replacing ? "\nDo you really want to clear the entire contents?" : "\nDo you want to continue?"));
}

void TerminalAnswers::appending(const BackupItem& job) {
    std::cout << "Brimvault sets the job to append mode, which keeps the contents of the backup set. (job \""
              << out(job.name) << "\")\n";
}

}  // namespace brim::cli
