#include "cli/restore_commands.h"

#include <iostream>
#include <map>
#include <set>

#include "basekit/date.h"
#include "basekit/path.h"
#include "basekit/platform/os_console.h"
#include "basekit/system_file.h"
#include "cli/console.h"
#include "cli/interruption.h"
#include "cli/restore_printer.h"
#include "cli/store_owner.h"
#include "core/archive/catalogue.h"
#include "core/archive/set_layout.h"
#include "core/engine/backup_session.h"
#include "core/jobs/backup_item_manager.h"
#include "core/jobs/backup_item_report.h"
#include "core/media/ftp_path.h"
#include "core/restore/copy_location.h"
#include "core/restore/item_pick.h"
#include "core/restore/plain_length.h"
#include "core/runner/job_runner.h"
#include "core/security/cipher_selection.h"

namespace brim::cli {
namespace {

// The job a command works on: one of the store, or one made from an
// archive file for this command alone.
struct Subject {
    BackupItem* job = nullptr;
    std::unique_ptr<BackupItem> owned;
    bk::String archive;  // the archive file named on the command line, if any
};

bool resolve(const Store& store, const std::string& name, Subject& subject) {
    if ((subject.job = store.find(name)) != nullptr) return true;
    const bk::String path = in(name);
    if (!bk::SystemFile::is_file(path)) {
        print_error("no job and no archive file named \"" + name + "\"");
        return false;
    }
    subject.owned = BackupSession::open(bk::Path::make_full_path(path));
    subject.job = subject.owned.get();
    subject.archive = bk::Path::make_full_path(path);
    return true;
}

// Finds a missing volume in the folder given with --volume-dir, or asks for
// its folder on a terminal.
class VolumeLocator final : public OpenArchiveEvent {
public:
    explicit VolumeLocator(std::string folder) : folder_(std::move(folder)) {}
    bool locate_volume(bk::String& path) override {
        const bk::String name = bk::Path::file_name(path);
        if (!folder_.empty() && tried_.insert(name).second) {
            path = bk::Path::combine(in(folder_), name);
            return true;
        }
        if (!bk::os::is_terminal_input()) return false;
        std::cerr << "The volume \"" << out(name) << "\" is missing. Its folder (Enter gives up): " << std::flush;
        std::string folder;
        if (!std::getline(std::cin, folder) || folder.empty()) return false;
        path = bk::Path::combine(in(folder), name);
        return true;
    }

private:
    std::string folder_;
    std::set<bk::String> tried_;
};

// A directory_copy job writes no set to list or restore from: says so and
// returns exit_usage; 0 for every other kind.
int refuse_mirror(const BackupItem& job) {
    if (job.kind != BackupKind::directory_copy) return 0;
    print_error("a directory_copy job keeps no archive set: its mirror is \"" + printable(job.destination) +
                "\", and its files are restored by copying them from there");
    return exit_usage;
}

// Opens the subject's set into `runs`; `listener`, when given, hears of the
// files fetched for it. Ctrl-C or SIGTERM (an Interruption must live) stops
// the session, also while it fetches a set from an FTP server: then the
// session comes back stopped and nothing is said of the runs.
std::unique_ptr<BackupSession> open_runs(Subject& subject, const std::string& volume_dir,
                                         std::vector<const archive::RunLayout*>& runs,
                                         RestoreEvent* listener = nullptr) {
    auto session = BackupSession::create_session(subject.job, SessionDirection::restore);
    if (!session) throw std::runtime_error("the job has no kind of backup that can be restored");
    session->stop_when([] { return Interruption::requested(); });
    if (listener != nullptr) session->install(listener);
    VolumeLocator locator(volume_dir);
    const OpenArchiveResult result = session->open(runs, &locator, subject.archive);
    if (result != OpenArchiveResult::all_read && !session->has_stopped())
        std::cerr << "brimvault-cli: only part of the set could be read; what follows is what was read\n";
    return session;
}

// A command stopped by Ctrl-C or SIGTERM says so: exit status 2.
int say_stopped() {
    std::cout << "Stopped.\n";
    return static_cast<int>(RunResult::stopped);
}

std::string when(std::int64_t time) { return out(bk::Date(time).to_string(bk::FullDatePattern::Short)); }

class OpenCommand final : public Command {
public:
    CLI::App* attach(CLI::App& parent) override {
        CLI::App* app = parent.add_subcommand("open", "Add a job made from an archive file to the store");
        app->add_option("archive", archive_,
                        "A .bvf, .bvd or .bvs file, or ftp://host[:port]/path/NAME.bvf (or .bvd) on an FTP server")
            ->required();
        app->add_option("--ftp-user", ftp_user_, "The user name on the FTP server (none: anonymous)");
        app->add_option("--ftp-password-file", ftp_password_file_, "A file whose first line is the FTP password");
        app->add_flag("--ftp-passive", ftp_passive_, "Use passive FTP transfers");
        return app;
    }
    int execute() override {
        Store store(true);
        if (const auto ended = store.refuse_changes()) return *ended;
        const bk::String archive = in(archive_);
        const bool remote = is_ftp_path(archive);
        if (!remote && (!ftp_user_.empty() || !ftp_password_file_.empty() || ftp_passive_)) {
            print_error("--ftp-user, --ftp-password-file and --ftp-passive go with an ftp:// archive");
            return exit_usage;
        }
        const bk::String extension = bk::Path::extension_name(archive);
        if (remote && extension != u".bvf" && extension != u".bvd") {
            print_error("on an FTP server, open the set's main archive (.bvf or .bvd)");
            return exit_usage;
        }
        auto job = remote ? BackupSession::open(archive, ftp_logon(archive))
                          : BackupSession::open(bk::Path::make_full_path(archive));
        if (const int refused = refuse_job_name(job->name)) return refused;
        if (const BackupItem* same = job_named(job->name)) {
            print_error("job " + std::to_string(same->id) + " is named \"" + printable(job->name) +
                        "\" already; its set would be this one's name too");
            return exit_usage;
        }
        const std::string name = printable(job->name);
        BackupItemManager::instance()->add(std::move(job));
        store.save();
        say() << "Added job \"" << name << "\" for " << archive_ << '\n';
        return 0;
    }

private:
    // The log-on entry for the server of `archive`.
    FtpConnectInfo ftp_logon(const bk::String& archive) const {
        FtpConnectInfo server;
        const FtpEndpoint endpoint = ftp_endpoint(archive);
        server.server = endpoint.host;
        if (endpoint.port != 0) server.port = endpoint.port;
        server.user = in(ftp_user_);
        if (!ftp_password_file_.empty()) server.password = read_password(ftp_password_file_, "", false);
        server.passive = ftp_passive_;
        return server;
    }

    std::string archive_, ftp_user_, ftp_password_file_;
    bool ftp_passive_ = false;
};

class ListCommand final : public Command {
public:
    CLI::App* attach(CLI::App& parent) override {
        CLI::App* app = parent.add_subcommand("list", "List the runs and items of a set");
        app->add_option("source", name_, "A job's name or id, or an archive file")->required();
        app->add_option("--filter", filter_, "Only items whose path starts with this");
        app->add_flag("--runs-only", runs_only_, "Only the runs");
        app->add_option("--password-file", password_file_, "The set's password");
        app->add_option("--volume-dir", volume_dir_, "Where to look for missing volumes");
        return app;
    }
    int execute() override {
        Store store(false);
        Subject subject;
        if (!resolve(store, name_, subject)) return exit_not_found;
        if (const int refused = refuse_mirror(*subject.job)) return refused;
        if (!prove_password(*subject.job, password_file_)) return exit_password;
        std::vector<const archive::RunLayout*> runs;
        const Interruption interruption;
        auto session = open_runs(subject, volume_dir_, runs);
        if (session->has_stopped()) return say_stopped();
        opened_ = session != nullptr ? session->opened_set() : nullptr;
        subject_kind_ = subject.job->kind;
        const bk::String filter = in(filter_);
        const bk::String set_folder =
            bk::Path::directory_name(subject.archive.empty() ? subject.job->archive_file() : subject.archive);
        for (std::size_t i = 0; i < runs.size(); ++i) {
            const auto& header = runs[i]->header;
            std::cout << "run " << i + 1 << "  " << when(header.backup_time) << "  "
                      << header.directory_count << " directories, "
                      << header.file_count << " files, " << header.total_size << " bytes"
                      << (header.cipher == CipherId::none ? "" : ", enciphered") << '\n';
            if (runs_only_ || !runs[i]->root) continue;
            archive::for_each_file(*runs[i]->root, [&](const DataHeader& item) {
                const bk::String path = item.full_path();
                if (!filter.empty() && !path.starts_with(filter)) return;
                std::cout << "    " << when(item.modified) << "  " << own_size(item, *runs[i], set_folder) << "  "
                          << printable(path) << state_mark(restore::copy_state(item, header)) << '\n';
            });
        }
        // Stopped while a volume was fetched for the sizes of enciphered files.
        if (session->has_stopped()) return say_stopped();
        return 0;
    }

private:
    static const char* state_mark(restore::CopyState state) {
        switch (state) {
            case restore::CopyState::partial: return "  (partial: stored only in part)";
            case restore::CopyState::failed: return "  (failed: no data)";
            default: return "";
        }
    }

    // The size of the file itself: for the copy kinds that of its copy, as
    // their catalogues hold no data; for an enciphered set without the
    // cipher's padding. What cannot be read shows the catalogue's size.
    std::uint64_t own_size(const DataHeader& item, const archive::RunLayout& run, const bk::String& set_folder) const {
        try {
            if (!run.header.has_copy_root)
                return opened_ != nullptr ? restore::plain_length(*opened_, run, item) : item.size;
            const auto copy = restore::copy_location(item, subject_kind_, set_folder, run.header.copy_root);
            if (copy && bk::SystemFile::is_file(*copy)) return static_cast<std::uint64_t>(bk::File(*copy).length());
        } catch (const bk::Exception&) {
        }
        return item.size;
    }

    std::string name_, filter_, password_file_, volume_dir_;
    BackupKind subject_kind_ = BackupKind::none;
    const restore::OpenedSet* opened_ = nullptr;
    bool runs_only_ = false;
};

class RestoreCommand final : public Command {
public:
    CLI::App* attach(CLI::App& parent) override {
        CLI::App* app = parent.add_subcommand("restore", "Restore a set, or chosen items of it");
        app->add_option("source", name_, "A job's name or id, or an archive file")->required();
        app->add_option("items", items_,
                        "Paths of items to restore (default: everything; each file from the newest run that holds "
                        "it whole)");
        app->add_option("--run", run_, "Take the items from this run (1 is the oldest)")->check(CLI::Range(1, 1 << 30));
        app->add_option("--to", target_, "Restore under this folder instead of where the items came from");
        app->add_option("--existing", existing_,
                        "What to do with a file that exists: " + existing_words_help() +
                            " (default: ask on a terminal, else keep it when it is newer than the set's copy)")
            ->check(CLI::IsMember(existing_word_list()));
        app->add_flag("--touch", touch_, "Give restored files the current time");
        app->add_flag("--keep-structure", keep_structure_, "Under --to, keep each item's whole original path");
        app->add_flag("--flatten", flatten_, "Under --to, put every file directly in the folder");
        app->add_option("--password-file", password_file_, "The set's password");
        app->add_option("--volume-dir", volume_dir_, "Where to look for missing volumes");
        app->add_flag("--quiet", quiet_, "No progress line: only warnings, errors and the result");
        app->add_flag("--verbose", verbose_, "Without a terminal: a line for every file restored");
        return app;
    }

    int execute() override {
        Store store(true);
        if (store.locked_out()) return store_busy();
        Subject subject;
        if (!resolve(store, name_, subject)) return exit_not_found;
        if (const int refused = refuse_mirror(*subject.job)) return refused;
        if (!prove_password(*subject.job, password_file_)) return exit_password;
        std::vector<const archive::RunLayout*> runs;
        // Ctrl-C or SIGTERM stops the restore (and the fetching of a set on
        // an FTP server) between blocks; the files written so far stay whole.
        const Interruption interruption;
        RestorePrinter printer(bk::os::is_terminal_output() && !quiet_, verbose_ && !quiet_, existing_.empty());
        auto session = open_runs(subject, volume_dir_, runs, &printer);
        if (session->has_stopped()) return say_stopped();
        if (run_ > 0 && static_cast<std::size_t>(run_) > runs.size()) {
            print_error("the set has " + std::to_string(runs.size()) + " runs");
            return exit_usage;
        }
        int status = 0;
        std::size_t missing = 0;
        const std::vector<const DataHeader*> chosen = selection(runs, missing);
        if (!items_.empty() && missing == items_.size()) {
            print_error("none of the items named is in the set; nothing was restored");
            return exit_not_found;
        }
        if (!chosen.empty()) {
            RunRequest request;
            request.restore_events = &printer;
            request.save_store = subject.owned == nullptr;
            // While it holds the store for the restore, later starts hand
            // their backups to this process, which ends once they have too.
            StoreOwner owner;
            // A full path: a command handed over to this process meanwhile
            // works in the folder of the process that sent it.
            const bk::String target = target_.empty() ? bk::String() : bk::Path::make_full_path(in(target_));
            const RunOutcome outcome =
                owner.runner().start_restore(std::move(session), chosen, target, option_word(), std::move(request))->wait();
            owner.finish_handed_runs([] { return Interruption::requested(); });
            status = outcome.result;
            if (!outcome.save_failure.empty()) throw BackupException(outcome.save_failure);
        } else if (subject.owned == nullptr) {
            store.save();
        }
        // An item named that is not in the set is a warning of the restore.
        if (missing > 0 && status == 0) status = 1;
        return status;
    }

private:
    std::uint32_t option_word() const {
        std::uint32_t option = 0;
        if (touch_) option |= restore_option::touch;
        if (keep_structure_) option |= restore_option::keep_structure;
        if (flatten_) option |= restore_option::flatten;
        // Without --existing the printer asks on a terminal and otherwise
        // keeps an existing file that is newer than the set's copy.
        if (existing_.empty()) return option | restore_option::existing_ask;
        switch (existing_policy(existing_)) {
            case ExistingPolicy::keep: return option | restore_option::existing_skip;
            case ExistingPolicy::ask: return option | restore_option::existing_ask;
            case ExistingPolicy::by_time: return option | restore_option::existing_newer;
            case ExistingPolicy::replace: return option;
        }
        return option;
    }

    // What to restore: without items every run (or the one asked for),
    // with items each item from every run that holds it (or the one asked
    // for); `missing` counts the items no run holds. The session writes each
    // file once, from the newest run that holds it whole.
    std::vector<const DataHeader*> selection(const std::vector<const archive::RunLayout*>& runs,
                                             std::size_t& missing) const {
        std::vector<const DataHeader*> chosen;
        const auto taken = [&](std::size_t i) {
            return (run_ == 0 || static_cast<std::size_t>(run_) == i + 1) && runs[i]->root != nullptr;
        };
        if (items_.empty()) {
            for (std::size_t i = 0; i < runs.size(); ++i)
                if (taken(i)) chosen.push_back(runs[i]->root.get());
            return chosen;
        }
        for (const auto& item : items_) {
            bool found = false;
            for (std::size_t i = 0; i < runs.size(); ++i) {
                if (!taken(i)) continue;
                if (const DataHeader* match = find(*runs[i]->root, in(item))) {
                    chosen.push_back(match);
                    found = true;
                }
            }
            if (!found) {
                print_error("\"" + item + "\" is not in the set");
                ++missing;
            }
        }
        return chosen;
    }

    static const DataHeader* find(const DataHeader& directory, const bk::String& path) {
        for (const auto& file : directory.files())
            if (file->full_path() == path) return file.get();
        for (const auto& sub : directory.directories()) {
            if (sub->full_path() == path) return sub.get();
            if (const DataHeader* found = find(*sub, path)) return found;
        }
        return nullptr;
    }

    std::string name_, target_, existing_, password_file_, volume_dir_;
    std::vector<std::string> items_;
    int run_ = 0;
    bool touch_ = false, keep_structure_ = false, flatten_ = false, quiet_ = false, verbose_ = false;
};

}  // namespace

std::vector<std::unique_ptr<Command>> restore_commands() {
    std::vector<std::unique_ptr<Command>> commands;
    commands.push_back(std::make_unique<OpenCommand>());
    commands.push_back(std::make_unique<ListCommand>());
    commands.push_back(std::make_unique<RestoreCommand>());
    return commands;
}

}  // namespace brim::cli
