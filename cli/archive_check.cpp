#include "cli/archive_check.h"

#include <iostream>
#include <string>

#include "cli/console.h"
#include "core/core_strings.h"
#include "core/engine/backup_session.h"
#include "core/jobs/version.h"

namespace brim::cli {

namespace {

constexpr std::uint32_t msg_not_authenticated = 163;
constexpr std::uint32_t msg_password_mismatch = 416;

}  // namespace

std::string describe(CheckResult result, const std::string& job) {
    const std::string quoted = "(job \"" + job + "\")";
    switch (result) {
        case CheckResult::go_on: return "The destination is ready for the backup.";
        case CheckResult::go_on_logged: return "The destination is ready for the backup; what was found is in the log.";
        case CheckResult::go_on_floppy:
            return "Warning: backing up to a floppy disk may lead to data loss. " + quoted;
        case CheckResult::clears_foreign:
        case CheckResult::clears_foreign_floppy:
            return "The backup set on the destination is not blank and was created by another application. "
                   "Brimvault will clear the entire contents of the backup set. " + quoted;
        case CheckResult::replaces_set:
        case CheckResult::replaces_set_floppy:
            return "The job is set to replace its backup set: the entire contents of the backup set will be "
                   "replaced. " + quoted;
        case CheckResult::replaces_incomplete:
        case CheckResult::replaces_incomplete_floppy:
            return "The backup set on the destination is incomplete. Brimvault will clear the entire contents of "
                   "the backup set. " + quoted;
        case CheckResult::newer_version: return out(Version::version_exception_string());
        case CheckResult::password_needed:
            return out(core_string(msg_not_authenticated)) + ", Brimvault cannot run the backup. " + quoted;
        case CheckResult::password_mismatch:
            return out(core_string(msg_password_mismatch)) + ", Brimvault cannot run the backup. " + quoted;
        case CheckResult::failed: return "The backup cannot run; the reason is in the log. " + quoted;
    }
    return {};
}

namespace {

class CheckCommand final : public Command {
public:
    CLI::App* attach(CLI::App& parent) override {
        CLI::App* app = parent.add_subcommand(
            "check", "What a backup run would find at the job's destination (exit 0: it can go on)");
        app->add_option("job", name_, "Name or id")->required();
        app->add_option("--password-file", password_file_, "The job's password, when it is not stored");
        return app;
    }

    int execute() override {
        Store store(false);
        BackupItem* job = store.find(name_);
        if (job == nullptr) return job_not_found(name_);
        if (!prove_password(*job, password_file_)) return exit_password;
        auto session = backup_session_for(*job);
        if (!session) return exit_failure;
        const CheckResult result = session->check_archive();
        std::cout << describe(result, name_) << '\n';
        const auto value = static_cast<int>(result);
        return result == CheckResult::go_on || result == CheckResult::go_on_logged ? 0 : value;
    }

private:
    std::string name_, password_file_;
};

}  // namespace

std::unique_ptr<Command> make_check_command() { return std::make_unique<CheckCommand>(); }

}  // namespace brim::cli

