#include "cli/console.h"

#include <fstream>
#include <iostream>
#include <stdexcept>

#include "basekit/convertion.h"
#include "basekit/exception.h"
#include "basekit/platform/os_console.h"
#include "cli/command.h"
#include "core/jobs/backup_item_manager.h"

namespace brim::cli {

std::string out(bk::StringView text) { return bk::to_utf8(text); }

bk::String in(const std::string& text) { return bk::from_utf8(text); }

void print_error(const std::string& text) { std::cerr << "brimvault-cli: " << text << '\n'; }

int store_busy() {
    print_error("another Brimvault program is using the job store; try again when it has finished");
    return 75;
}

bk::String read_password(const std::string& file, const std::string& prompt, bool confirm) {
    std::string line;
    if (!file.empty()) {
        std::ifstream source(file);
        if (!source) throw std::runtime_error("cannot read the password file " + file);
        std::getline(source, line);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        return in(line);
    }
    if (!bk::os::is_terminal_input()) throw std::runtime_error("a password is needed: give --password-file");
    std::cerr << prompt << ": " << std::flush;
    if (!bk::os::read_hidden_line(line)) throw std::runtime_error("no password given");
    if (confirm) {
        std::string again;
        std::cerr << "Again: " << std::flush;
        if (!bk::os::read_hidden_line(again) || again != line) throw std::runtime_error("the passwords differ");
    }
    return in(line);
}

int job_not_found(const std::string& name) {
    print_error("no job named \"" + name + "\"");
    return exit_not_found;
}

std::unique_ptr<BackupSession> backup_session_for(BackupItem& job) {
    auto session = BackupSession::create_session(&job, SessionDirection::backup);
    if (!session) print_error("the job has no kind of backup that can run");
    return session;
}

bool prove_password(BackupItem& job, const std::string& password_file) {
    const bool given = !password_file.empty() && job.has_option(job_option::password);
    if (!job.need_password(false) && !given) return true;
    try {
        const bk::String password = read_password(password_file, "Password of \"" + out(job.name) + "\"", false);
        if (job.check_password(password)) return true;
        print_error("the password is not right");
    } catch (const std::runtime_error& failure) {
        print_error(failure.what());
    }
    return false;
}

Store::Store(bool change) : change_(change) {
    if (change_) {
        lock_ = StoreLock::try_acquire();
        if (!lock_) return;
    }
    try {
        BackupItemManager::instance()->load();
    } catch (const bk::Exception& failure) {
        // A damaged job file: work with the jobs that can still be read.
        print_error("the job store could not be read whole (" + out(failure.message()) + "); using the jobs that could");
        BackupItemManager::instance()->reload();
    }
}

BackupItem* Store::find(const std::string& name_or_id) const {
    const bk::String name = in(name_or_id);
    for (BackupItem* job : BackupItemManager::instance()->items())
        if (job->name == name) return job;
    if (!name_or_id.empty() && name_or_id.find_first_not_of("0123456789") == std::string::npos)
        return BackupItemManager::instance()->backup_item(static_cast<std::uint32_t>(std::stoul(name_or_id)));
    return nullptr;
}

void Store::save() const { BackupItemManager::instance()->save(); }

}  // namespace brim::cli
