// "job add": a new job with every field a user sets.
#include <cctype>
#include <iostream>
#include <map>
#include <optional>

#include "basekit/date.h"
#include "basekit/path.h"
#include "basekit/string_helpers.h"
#include "cli/console.h"
#include "cli/job_commands.h"
#include "core/engine/ftp_destination.h"
#include "core/jobs/backup_item_manager.h"

namespace brim::cli {
namespace {

const std::map<std::string, std::uint32_t> cipher_bits = {
    {"none", 0}, {"xor", job_option::cipher_xor}, {"panama", job_option::cipher_panama},
    {"rijndael", job_option::cipher_rijndael}};

// The job's policy for each word of --existing (restore takes the same words).
std::uint32_t policy_bits(ExistingPolicy policy) {
    switch (policy) {
        case ExistingPolicy::keep: return job_option::restore_keep;
        case ExistingPolicy::ask: return job_option::restore_ask;
        case ExistingPolicy::by_time: return job_option::restore_by_time;
        case ExistingPolicy::replace: return 0x8000000;
    }
    return job_option::restore_ask;
}

// A local path as an absolute one; FTP addresses and drive-letter paths of
// jobs carried over from other systems stay as they are.
bk::String absolute_local(const std::string& text) {
    const bk::String path = in(text);
    const bool remote = text.find("://") != std::string::npos;
    const bool drive = text.size() >= 2 && std::isalpha(static_cast<unsigned char>(text[0])) && text[1] == ':';
    return remote || drive || path.empty() ? path : bk::Path::make_full_path(path);
}

std::vector<bk::String> extension_list(const std::string& text) {
    std::vector<bk::String> parts;
    bk::split_string(in(text), parts, u",");
    std::vector<bk::String> extensions;
    for (auto& part : parts)
        if (!part.empty()) extensions.push_back(part[0] == u'.' ? part : u"." + part);
    return extensions;
}

class JobAddCommand final : public Command {
public:
    CLI::App* attach(CLI::App& parent) override {
        CLI::App* app = parent.add_subcommand("add", "Add a backup job");
        app->footer(
            "Triggers (increment and increment_copy jobs): --full-every N, --full-weekly N --days LIST or\n"
            "--full-monthly DAY make the next run a full backup when they come due.\n"
            "Relative --dest, --dir, --dir-only and --file paths are stored as absolute paths.");
        app->add_option("name", name_, "The job's name")->required();
        app->add_option("--kind", kind_, "The kind of backup")
            ->required()
            ->check(CLI::IsMember({"copy", "normal", "increment", "difference", "increment_copy", "merge_copy",
                                   "directory_copy", "burner"}));
        app->add_option("--dest", destination_, "Where the archive set goes")->required();
        app->add_option("--dir", dirs_, "A directory to back up with its subdirectories");
        app->add_option("--dir-only", flat_dirs_, "A directory to back up without its subdirectories");
        app->add_option("--file", files_, "A single file to back up");
        app->add_option("--ftp-server", ftp_servers_, "A whole FTP server (ftp://host)");
        app->add_option("--ftp-dir", ftp_dirs_, "An FTP directory with its subdirectories");
        app->add_option("--ftp-file", ftp_files_, "A single file on an FTP server");
        app->add_option("--ftp", ftp_hosts_, "An FTP server to log on to: host or host:port");
        app->add_option("--ftp-user", ftp_user_, "The user name for the FTP servers");
        app->add_option("--ftp-password-file", ftp_password_file_, "A file whose first line is the FTP password");
        app->add_flag("--ftp-passive", ftp_passive_, "Use passive FTP transfers");
        app->add_option("--cipher", cipher_, "none, xor, panama or rijndael")->check(CLI::IsMember(cipher_bits));
        app->add_option("--password-file", password_file_, "Protect the set with the password in this file");
        app->add_flag("--password", ask_password_, "Protect the set with a password asked on the terminal");
        app->add_option("--include-ext", include_ext_, "Back up only files with these extensions (.a,.b)");
        app->add_option("--exclude-ext", exclude_ext_, "Leave out files with these extensions (.a,.b)");
        app->add_flag("--verify", verify_, "Verify what was written");
        app->add_flag("--notify", notify_, "Notify at the end of a run");
        app->add_flag("--append", append_, "Append runs to the set instead of replacing it");
        app->add_option("--new-archive-every-run", rotation_, "Each run in a volume of its own, keeping this many (2-256)")
            ->check(CLI::Range(2, 256));
        app->add_option("--full-every", full_every_, "Trigger: a full run when the set holds this many runs")
            ->check(CLI::Range(1, 32767));
        app->add_option("--full-weekly", full_weekly_, "Trigger: a full run every this many weeks ...")
            ->check(CLI::Range(1, 32767));
        app->add_option("--days", days_, "... on these days (sun,mon,...)");
        app->add_option("--full-monthly", full_monthly_, "Trigger: a full run on this day of the month")
            ->check(CLI::Range(1, 31));
        app->add_option("--retry", retry_count_, "Tries for files on a network that drops (0: no retry)")
            ->check(CLI::Range(0, 32767));
        app->add_option("--retry-interval", retry_interval_, "Seconds between tries")->check(CLI::Range(1, 32767));
        app->add_flag("--no-open-files", no_open_files_, "Do not read files held open by other programs");
        app->add_flag("--unattended", unattended_, "Never ask questions when run by the scheduler");
        app->add_option("--existing", existing_, "At a restore: " + existing_words_help() + " existing files")
            ->check(CLI::IsMember(existing_word_list()));
        return app;
    }

    int execute() override {
        if (const int refused = refuse_job_name(in(name_))) return refused;
        if (kind_ == "difference") return refuse_difference_job();
        if (destination_.empty()) {
            print_error("the destination (--dest) is empty");
            return exit_usage;
        }
        if (!days_.empty() && full_weekly_ == 0) {
            print_error("--days goes with --full-weekly");
            return exit_usage;
        }
        std::vector<bk::String> day_names;
        bk::split_string(in(days_), day_names, u",");
        for (const auto& day : day_names) {
            if (!day.empty() && !weekday_bits().contains(out(day))) {
                print_error("--days: \"" + out(day) + "\" is not a day (sun, mon, tue, wed, thu, fri, sat)");
                return exit_usage;
            }
        }
        for (const auto& host : ftp_hosts_) {
            if (!ftp_port(host)) {
                print_error("--ftp: \"" + host + "\" is not host or host:port (port 1 to 65535)");
                return exit_usage;
            }
        }
        if (const auto fault = destination_fault()) {
            print_error(out(*fault));
            return exit_usage;
        }
        if (dirs_.empty() && flat_dirs_.empty() && files_.empty() && ftp_servers_.empty() && ftp_dirs_.empty() &&
            ftp_files_.empty()) {
            print_error("a job needs at least one source (--dir, --dir-only, --file, --ftp-server, --ftp-dir, --ftp-file)");
            return exit_usage;
        }
        bk::String password;
        try {
            if (!password_file_.empty() || ask_password_) password = read_password(password_file_, "Job password", true);
        } catch (const std::exception& e) {
            print_error(e.what());
            return exit_usage;
        }
        Store store(true);
        if (const auto ended = store.refuse_changes()) return *ended;
        if (job_named(in(name_)) != nullptr) {
            print_error("a job named \"" + name_ + "\" exists already");
            return exit_usage;
        }
        BackupItem& job = *BackupItemManager::instance()->create_item();
        fill(job, password);
        store.save();
        say() << "Added job " << job.id << " \"" << printable(job.name) << "\"\n";
        return 0;
    }

private:
    void fill(BackupItem& job, const bk::String& password) {
        job.name = in(name_);
        job.destination = absolute_local(destination_);
        job.kind = backup_kind_from_name(in(kind_));
        job.creation_time = bk::Date::now_time();
        for (const auto& d : dirs_) job.sources.push_back({absolute_local(d), SourceType::directory, true});
        for (const auto& d : flat_dirs_) job.sources.push_back({absolute_local(d), SourceType::directory, false});
        for (const auto& f : files_) job.sources.push_back({absolute_local(f), SourceType::file, false});
        for (const auto& s : ftp_servers_) job.sources.push_back({in(s), SourceType::ftp_server, true});
        for (const auto& d : ftp_dirs_) job.sources.push_back({in(d), SourceType::ftp_directory, true});
        for (const auto& f : ftp_files_) job.sources.push_back({in(f), SourceType::ftp_file, false});
        fill_ftp(job);
        job.options |= cipher_bits.at(cipher_);
        if (!password.empty()) {
            job.options |= job_option::password;
            job.password = password;
            job.password_state = PasswordState::proved;
        }
        if (!include_ext_.empty()) {
            job.options |= job_option::aware_ext;
            job.extensions = extension_list(include_ext_);
        } else if (!exclude_ext_.empty()) {
            job.options |= job_option::ignore_ext;
            job.extensions = extension_list(exclude_ext_);
        }
        if (verify_) job.options |= job_option::verify;
        if (notify_) job.options |= job_option::notify;
        if (append_ || rotation_ > 0) job.options |= job_option::keep_set;
        if (rotation_ > 0) {
            job.append_mode = 1;
            job.rotation_times = rotation_;
        }
        fill_trigger(job);
        if (retry_count_ >= 0) {
            job.retry_count = static_cast<std::uint16_t>(retry_count_);
            if (retry_count_ == 0) job.options &= ~job_option::retry;
        }
        if (retry_interval_ >= 0) job.retry_interval = static_cast<std::uint16_t>(retry_interval_);
        if (no_open_files_) job.options &= ~job_option::open_file;
        if (unattended_) job.options |= job_option::unattended;
        // A mirror nobody watches must still take changed sources: by time
        // unless the user chose otherwise.
        if (existing_.empty() && job.kind == BackupKind::directory_copy)
            job.options = (job.options & ~job_option::restore_policy_mask) | job_option::restore_by_time;
        if (!existing_.empty())
            job.options = (job.options & ~job_option::restore_policy_mask) | policy_bits(existing_policy(existing_));
    }

    void fill_ftp(BackupItem& job) {
        bk::String ftp_password;
        if (!ftp_password_file_.empty()) ftp_password = read_password(ftp_password_file_, "", false);
        job.ftp_servers = ftp_entries(ftp_password);
    }

    // The log-on entries of --ftp (valid host:port values only).
    std::vector<FtpConnectInfo> ftp_entries(const bk::String& password) const {
        std::vector<FtpConnectInfo> servers;
        for (const auto& host : ftp_hosts_) {
            FtpConnectInfo server;
            const auto colon = host.rfind(':');
            server.server = in(host.substr(0, colon));
            server.port = *ftp_port(host);
            server.user = in(ftp_user_);
            server.password = password;
            server.passive = ftp_passive_;
            servers.push_back(server);
        }
        return servers;
    }

    // Why an "ftp://" destination cannot take this job's runs: its kind, or
    // no --ftp entry for its server.
    std::optional<bk::String> destination_fault() const {
        BackupItem probe;
        probe.destination = in(destination_);
        probe.kind = backup_kind_from_name(in(kind_));
        probe.ftp_servers = ftp_entries(u"");
        return ftp_destination_fault(probe);
    }

    // The port of "host" (21) or "host:port"; nothing when it is not one.
    static std::optional<std::uint16_t> ftp_port(const std::string& host) {
        const auto colon = host.rfind(':');
        if (colon == 0) return std::nullopt;
        if (colon == std::string::npos) return std::uint16_t{21};
        const std::string digits = host.substr(colon + 1);
        if (digits.empty() || digits.size() > 5 || digits.find_first_not_of("0123456789") != std::string::npos)
            return std::nullopt;
        const int port = std::stoi(digits);
        if (port < 1 || port > 65535) return std::nullopt;
        return static_cast<std::uint16_t>(port);
    }

    void fill_trigger(BackupItem& job) {
        auto trigger = std::make_unique<TriggerData>();
        if (full_every_ > 0) {
            trigger->kind = TriggerData::Kind::count;
            trigger->value = full_every_;
        } else if (full_weekly_ > 0) {
            trigger->kind = TriggerData::Kind::weekly;
            trigger->interval = static_cast<std::int16_t>(full_weekly_);
            std::vector<bk::String> names;
            bk::split_string(in(days_), names, u",");
            for (const auto& day : names)
                if (auto found = weekday_bits().find(out(day)); found != weekday_bits().end()) trigger->days_of_week |= found->second;
        } else if (full_monthly_ > 0) {
            trigger->kind = TriggerData::Kind::monthly;
            trigger->value = full_monthly_;
        } else {
            return;
        }
        job.trigger = std::move(trigger);
    }

    std::string name_, kind_, destination_, ftp_user_, ftp_password_file_, cipher_ = "none", password_file_;
    std::string include_ext_, exclude_ext_, days_, existing_;
    std::vector<std::string> dirs_, flat_dirs_, files_, ftp_servers_, ftp_dirs_, ftp_files_, ftp_hosts_;
    bool ftp_passive_ = false, ask_password_ = false, verify_ = false, notify_ = false, append_ = false;
    bool no_open_files_ = false, unattended_ = false;
    std::uint32_t rotation_ = 0;
    int full_every_ = 0, full_weekly_ = 0, full_monthly_ = 0, retry_count_ = -1, retry_interval_ = -1;
};

}  // namespace

std::unique_ptr<Command> make_job_add_command() { return std::make_unique<JobAddCommand>(); }

}  // namespace brim::cli
