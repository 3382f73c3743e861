#include "cli/archive_check.h"

#include <iostream>
#include <optional>
#include <string>

#include "cli/console.h"
#include "cli/interruption.h"
#include "basekit/date.h"
#include "basekit/text_format.h"
#include "core/core_strings.h"
#include "core/engine/backup_session.h"
#include "core/jobs/backup_item_report.h"
#include "core/jobs/log_manager.h"
#include "core/jobs/version.h"
#include "core/media/ftp_path.h"
#include "core/restore/data_check.h"

namespace brim::cli {

namespace {

constexpr std::uint32_t msg_not_authenticated = 163;
constexpr std::uint32_t msg_password_mismatch = 416;
constexpr std::uint32_t msg_file_damaged = 560;
constexpr std::uint32_t msg_data_checked = 562;
constexpr std::uint32_t msg_check_stopped = 566;
constexpr std::uint32_t msg_digests_damaged = 563;

// "N%" or "N", 1 to 100.
std::optional<std::uint32_t> parse_share(std::string text) {
    if (!text.empty() && text.back() == '%') text.pop_back();
    if (text.empty() || text.size() > 3 || text.find_first_not_of("0123456789") != std::string::npos) return std::nullopt;
    const auto value = static_cast<std::uint32_t>(std::stoul(text));
    if (value < 1 || value > 100) return std::nullopt;
    return value;
}

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
        app->add_flag("--read-data", read_data_,
                      "Instead: read every stored file back and compare it with the digests kept beside the set "
                      "(exit 1 when any is damaged)");
        app->add_option("--read-data-subset", subset_, "As --read-data, for a share of the files drawn at random (N%)");
        return app;
    }

    int execute() override {
        Store store(false);
        BackupItem* job = store.find(name_);
        if (job == nullptr) return job_not_found(name_);
        if (!prove_password(*job, password_file_)) return exit_password;
        if (read_data_ || !subset_.empty()) return read_data(*job);
        auto session = backup_session_for(*job);
        if (!session) return exit_failure;
        const CheckResult result = session->check_archive();
        std::cout << describe(result, name_) << '\n';
        const auto value = static_cast<int>(result);
        return result == CheckResult::go_on || result == CheckResult::go_on_logged ? 0 : value;
    }

private:
    int read_data(BackupItem& job) {
        restore::DataCheckOptions options;
        if (!subset_.empty()) {
            const auto share = parse_share(subset_);
            if (!share) {
                print_error("--read-data-subset takes a share from 1% to 100%, not \"" + subset_ + "\"");
                return exit_usage;
            }
            options.percent = *share;
        }
        if (job.kind == BackupKind::directory_copy || job.kind == BackupKind::burner) {
            print_error("a " + out(backup_kind_name(job.kind)) + " job keeps no archive set whose data could be read back");
            return exit_usage;
        }
        auto session = BackupSession::create_session(&job, SessionDirection::restore);
        if (!session) return exit_failure;
        // Ctrl-C or SIGTERM ends a long check, also while a set on an FTP
        // server is fetched for it; what was read is reported.
        const Interruption interruption;
        options.stopped = [] { return Interruption::requested(); };
        session->stop_when(options.stopped);
        std::vector<const archive::RunLayout*> runs;
        restore::DataCheckReport report;
        try {
            if (session->open(runs, nullptr) != OpenArchiveResult::all_read && !session->has_stopped())
                std::cerr << "brimvault-cli: only part of the set could be read; its other runs are checked\n";
            // The volumes of a set on an FTP server are fetched as its files are read.
            if (!session->has_stopped()) report = restore::check_set_data(*session->opened_set(), job.kind, options);
        } catch (const bk::Exception& failure) {
            print_error(out(failure.message()));
            return exit_failure;
        }
        report.stopped = report.stopped || session->has_stopped();
        const restore::OpenedSet& set = *session->opened_set();
        LogManager& log = *LogManager::instance();
        // A set on an FTP server was read from a staged copy, gone by now:
        // the user knows it by its address.
        const bk::String set_path = set.layout.files.empty() || is_ftp_path(job.destination)
                                        ? job.archive_file()
                                        : set.layout.files.front().path;
        if (report.digests_damaged_after) {
            const bk::String text = bk::format_text(core_string(msg_digests_damaged),
                                                    {archive::digest_path(set_path), *report.digests_damaged_after});
            std::cout << out(text) << '\n';
            log.log(LogType::warning, text, job.name);
        }
        for (const auto& damaged : report.damaged) {
            const bk::String when = bk::Date(damaged.run_time).to_string(bk::FullDatePattern::Short);
            std::cout << "damaged: " << printable(damaged.path) << "  (run " << damaged.run + 1 << " of " << out(when)
                      << ")\n";
            log.log(LogType::warning, bk::format_text(core_string(msg_file_damaged), {damaged.path, when}), job.name);
        }
        const bk::String summary =
            bk::format_text(core_string(msg_data_checked),
                            {report.checked, set_path, static_cast<std::uint32_t>(report.damaged.size()),
                             report.without_digest});
        std::cout << out(summary) << '\n';
        const bool sound = report.damaged.empty() && !report.digests_damaged_after;
        log.log(sound ? LogType::information : LogType::warning, summary, job.name);
        if (report.stopped) {
            std::cout << out(core_string(msg_check_stopped)) << '\n';
            log.log(LogType::warning, msg_check_stopped, job.name);
            return static_cast<int>(sound ? RunResult::stopped : RunResult::stopped_with_warnings);
        }
        return sound ? 0 : static_cast<int>(RunResult::having_warnings);
    }

    std::string name_, password_file_, subset_;
    bool read_data_ = false;
};

}  // namespace

std::unique_ptr<Command> make_check_command() { return std::make_unique<CheckCommand>(); }

}  // namespace brim::cli

