#include "taskplan/user_crontab.h"

#include <cstdlib>

#include "basekit/convertion.h"
#include "basekit/exception.h"
#include "basekit/platform/os_process.h"

namespace taskplan {
namespace {

[[noreturn]] void fail(const std::string& program, const bk::os::ProcessResult& result) {
    std::string reason = result.errors;
    while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r')) reason.pop_back();
    if (!result.started) reason = "cannot run " + program;
    throw bk::IOException(bk::from_utf8("The crontab could not be changed (" + reason + ")"));
}

}  // namespace

UserCrontab::UserCrontab() {
    const char* program = std::getenv("BRIMVAULT_CRONTAB");
    program_ = program != nullptr && *program != '\0' ? program : "crontab";
}

std::string UserCrontab::read() const {
    const bk::os::ProcessResult result = bk::os::run_process({program_, "-l"});
    if (result.started && result.exit_code == 0) return result.output;
    // crontab says so, and fails, when the user has no table yet.
    if (result.started && result.errors.find("no crontab") != std::string::npos) return {};
    fail(program_, result);
}

void UserCrontab::write(const std::string& table) const {
    const bk::os::ProcessResult result = bk::os::run_process({program_, "-"}, table);
    if (!result.started || result.exit_code != 0) fail(program_, result);
}

}  // namespace taskplan
