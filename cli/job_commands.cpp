// "job list", "job show", "job remove", "job export", "job import".
#include "cli/job_commands.h"

#include <iomanip>
#include <iostream>

#include "basekit/date.h"
#include "cli/console.h"
#include "core/jobs/backup_item_manager.h"
#include "core/jobs/job_file_codec.h"
#include "core/security/cipher_selection.h"

namespace brim::cli {

std::unique_ptr<Command> make_job_add_command();

namespace {

std::string when(std::int64_t time) { return time == 0 ? "never" : out(bk::Date(time).to_string()); }

std::string source_type_name(SourceType type) {
    switch (type) {
        case SourceType::directory: return "directory";
        case SourceType::file: return "file";
        case SourceType::ftp_server: return "ftp-server";
        case SourceType::ftp_directory: return "ftp-directory";
        case SourceType::ftp_file: return "ftp-file";
    }
    return "?";
}

std::string trigger_text(const BackupItem& job) {
    if (!job.trigger || (job.kind != BackupKind::increment && job.kind != BackupKind::increment_copy)) return "none";
    const TriggerData& trigger = *job.trigger;
    switch (trigger.kind) {
        case TriggerData::Kind::count: return "a full run when the set holds " + std::to_string(trigger.value) + " runs";
        case TriggerData::Kind::monthly: return "a full run on day " + std::to_string(trigger.value) + " of the month";
        case TriggerData::Kind::weekly: {
            static constexpr const char* days[] = {"sun", "mon", "tue", "wed", "thu", "fri", "sat"};
            std::string on;
            for (int day = 0; day < 7; ++day)
                if (trigger.days_of_week & (1u << day)) on += (on.empty() ? "" : ",") + std::string(days[day]);
            return "a full run every " + std::to_string(trigger.interval) + " weeks" + (on.empty() ? "" : " on " + on);
        }
    }
    return "none";
}

// What happens to a file that exists where a restore or a mirror writes it.
std::string existing_text(std::uint32_t policy) {
    switch (policy) {
        case job_option::restore_keep: return "keep";
        case job_option::restore_ask: return "ask";
        case job_option::restore_by_time: return "by-time";
        default: return "replace";
    }
}

std::string filter_text(const BackupItem& job) {
    if (!job.has_option(job_option::aware_ext | job_option::ignore_ext) || job.extensions.empty()) return "none";
    std::string list;
    for (const auto& extension : job.extensions) list += (list.empty() ? "" : ",") + printable(extension);
    return (job.has_option(job_option::aware_ext) ? "only " : "never ") + list;
}

JobFileFormat format_of(const std::string& text) { return text == "text" ? JobFileFormat::text : JobFileFormat::xml; }

class JobListCommand final : public Command {
public:
    CLI::App* attach(CLI::App& parent) override { return parent.add_subcommand("list", "List the jobs"); }
    int execute() override {
        Store store(false);
        for (BackupItem* job : BackupItemManager::instance()->items())
            say() << std::setw(4) << job->id << "  " << std::left << std::setw(16) << out(backup_kind_name(job->kind))
                      << std::right << printable(job->name) << "  (last run: " << when(job->last_backup_time()) << ")\n";
        return 0;
    }
};

class JobShowCommand final : public Command {
public:
    CLI::App* attach(CLI::App& parent) override {
        CLI::App* app = parent.add_subcommand("show", "Show a job");
        app->add_option("job", name_, "Name or id")->required();
        return app;
    }
    int execute() override {
        Store store(false);
        const BackupItem* job = store.find(name_);
        if (job == nullptr) return job_not_found(name_);
        auto yes_no = [&](std::uint32_t bit) { return job->has_option(bit) ? "yes" : "no"; };
        say() << "id:          " << job->id << "\nname:        " << printable(job->name)
                  << "\nkind:        " << out(backup_kind_name(job->kind)) << "\ndestination: " << printable(job->destination)
                  << "\narchive:     " << printable(job->archive_file()) << "\ncipher:      "
                  << (algorithm_name(job->options).empty() ? "none" : out(algorithm_name(job->options)))
                  << "\npassword:    " << yes_no(job_option::password)
                  << "\nverify:      " << yes_no(job_option::verify)
                  << "\nnotify:      " << yes_no(job_option::notify)
                  << "\nappend:      " << yes_no(job_option::keep_set)
                  << (job->is_append_mode() ? ", a new archive every run, keeping " + std::to_string(job->rotation_times) : "")
                  << "\ntrigger:     " << trigger_text(*job)
                  << "\nretry:       " << (job->need_retry() ? std::to_string(job->retry_count) + " times, every " +
                                                                   std::to_string(job->retry_interval) + " s"
                                                             : "no")
                  << "\nopen files:  " << yes_no(job_option::open_file)
                  << "\nunattended:  " << yes_no(job_option::unattended)
                  << "\nexisting:    " << existing_text(job->restore_policy())
                  << "\nfilter:      " << filter_text(*job);
        if (!job->task_name.empty()) say() << "\ntask:        " << printable(job->task_name);
        for (const auto& server : job->ftp_servers)
            say() << "\nftp server:  " << printable(server.server) << ':' << server.port << ", user \""
                      << printable(server.user) << '"' << (server.passive ? ", passive" : "");
        say() << "\ncreated:     " << when(job->creation_time) << "\nsources:\n";
        for (const auto& source : job->sources)
            say() << "  " << source_type_name(source.type) << (source.recursive ? " (recursive) " : " ")
                      << printable(source.path) << '\n';
        return 0;
    }

private:
    std::string name_;
};

class JobRemoveCommand final : public Command {
public:
    CLI::App* attach(CLI::App& parent) override {
        CLI::App* app = parent.add_subcommand("remove", "Remove a job (its archive set stays)");
        app->add_option("job", name_, "Name or id")->required();
        return app;
    }
    int execute() override {
        Store store(true);
        if (const auto ended = store.refuse_changes()) return *ended;
        BackupItem* job = store.find(name_);
        if (job == nullptr) return job_not_found(name_);
        const std::string name = printable(job->name);
        if (job_in_use(*job)) {
            print_error("job \"" + name + "\" is running; remove it when its run has ended");
            return exit_store_busy;
        }
        BackupItemManager::instance()->remove(job, true);
        store.save();
        say() << "Removed job \"" << name << "\"\n";
        return 0;
    }

private:
    std::string name_;
};

class JobExportCommand final : public Command {
public:
    CLI::App* attach(CLI::App& parent) override {
        CLI::App* app = parent.add_subcommand("export", "Export jobs to a file");
        app->add_option("file", file_, "The file to write")->required();
        app->add_option("jobs", names_, "Names or ids (default: every job)");
        app->add_option("--format", format_, "xml or text")->check(CLI::IsMember({"xml", "text"}));
        return app;
    }
    int execute() override {
        Store store(false);
        std::vector<BackupItem*> jobs = names_.empty() ? BackupItemManager::instance()->items() : std::vector<BackupItem*>{};
        for (const auto& name : names_) {
            BackupItem* job = store.find(name);
            if (job == nullptr) return job_not_found(name);
            jobs.push_back(job);
        }
        for (const BackupItem* job : jobs) {
            if (format_ == "text" && !fits_text_form(*job)) {
                print_error("job \"" + printable(job->name) + "\" holds a line break, a TAB or a separator (; or |) " +
                            "in a value, which the text form cannot keep: export it with --format xml");
                return exit_usage;
            }
        }
        BackupItemManager::instance()->export_jobs(jobs, in(file_), format_of(format_));
        say() << "Exported " << jobs.size() << " jobs to " << file_ << '\n';
        return 0;
    }

private:
    std::string file_, format_ = "xml";
    std::vector<std::string> names_;
};

class JobImportCommand final : public Command {
public:
    CLI::App* attach(CLI::App& parent) override {
        CLI::App* app = parent.add_subcommand("import", "Import jobs from a file");
        app->add_option("file", file_, "The file to read")->required();
        app->add_option("--format", format_, "xml or text")->check(CLI::IsMember({"xml", "text"}));
        return app;
    }
    int execute() override {
        Store store(true);
        if (const auto ended = store.refuse_changes()) return *ended;
        auto jobs = BackupItemManager::instance()->import_jobs(in(file_), format_of(format_));
        // Nothing is imported when one name cannot be a job's.
        for (const auto& job : jobs)
            if (const int refused = refuse_job_name(job->name)) return refused;
        const std::size_t count = jobs.size();
        for (auto& job : jobs) {
            const bk::String wanted = job->name;
            job->name = free_name(wanted);
            if (job->name != wanted)
                say() << "A job named \"" << printable(wanted) << "\" exists: imported as \"" << printable(job->name)
                          << "\"\n";
            BackupItemManager::instance()->add(std::move(job));
        }
        store.save();
        say() << "Imported " << count << " jobs\n";
        return 0;
    }

private:
    // The name itself when no job has it, else the first of name1, name2, ...
    // that is free and still a job's name.
    static bk::String free_name(const bk::String& name) {
        if (job_named(name) == nullptr) return name;
        bk::String stem = name;
        for (std::uint32_t counter = 1;; ++counter) {
            const bk::String suffix = in(std::to_string(counter));
            while (job_name_fault(stem + suffix) == JobNameFault::too_long && !stem.empty()) stem.pop_back();
            const bk::String numbered = stem + suffix;
            if (job_named(numbered) == nullptr) return numbered;
        }
    }

    std::string file_, format_ = "xml";
};

class JobRepairCommand final : public Command {
public:
    CLI::App* attach(CLI::App& parent) override {
        CLI::App* app = parent.add_subcommand(
            "repair", "Repair a job store that was read only in part: keep the damaged files aside, then save the jobs "
                      "that could be read (or put the last safety copy back)");
        app->add_flag("--from-copy", from_copy_,
                      "Put back the safety copies brimkeep.configbak and brimkeep.datbak instead");
        return app;
    }
    int execute() override {
        Store store(true);
        if (store.locked_out()) return store_busy();
        BackupItemManager& jobs = *BackupItemManager::instance();
        const std::int64_t copy_time = jobs.last_config_backup_time();
        if (from_copy_) return put_copy_back(jobs, copy_time);
        if (store.damage().empty()) {
            say() << "The job store was read whole: nothing to repair\n";
            return 0;
        }
        std::vector<bk::String> dropped = jobs.left_out();
        for (const bk::String& kept : jobs.repair()) say() << "Kept the damaged file as " << printable(kept) << '\n';
        say() << "Saved " << jobs.item_count() << " jobs that could be read\n";
        for (const bk::String& name : dropped)
            say() << "Dropped job " << (name.empty() ? std::string("(no name)") : "\"" + printable(name) + "\"") << '\n';
        if (dropped.empty()) say() << "Dropped what could not be read of the job file\n";
        if (copy_time != 0)
            say() << "The safety copy of " << when(copy_time) << " may hold them: \"brimvault-cli job repair "
                      << "--from-copy\" puts it back\n";
        return 0;
    }

private:
    static int put_copy_back(BackupItemManager& jobs, std::int64_t copy_time) {
        if (copy_time == 0) {
            print_error("there is no safety copy (brimkeep.configbak) to put back");
            return exit_not_found;
        }
        for (const bk::String& kept : jobs.keep_aside())
            say() << "Kept the current file as " << printable(kept) << '\n';
        jobs.load_copy();
        if (jobs.partly_read()) {
            print_error("the safety copy could not be read whole either; \"brimvault-cli job repair\" keeps what can be read");
            return exit_store_damaged;
        }
        say() << "Put back the safety copy of " << when(copy_time) << " with " << jobs.item_count() << " jobs:\n";
        for (const BackupItem* job : jobs.items()) say() << std::setw(4) << job->id << "  " << printable(job->name) << '\n';
        return 0;
    }

    bool from_copy_ = false;
};

}  // namespace

std::vector<std::unique_ptr<Command>> job_commands() {
    std::vector<std::unique_ptr<Command>> commands;
    commands.push_back(make_job_add_command());
    commands.push_back(std::make_unique<JobListCommand>());
    commands.push_back(std::make_unique<JobShowCommand>());
    commands.push_back(std::make_unique<JobRemoveCommand>());
    commands.push_back(std::make_unique<JobExportCommand>());
    commands.push_back(std::make_unique<JobImportCommand>());
    commands.push_back(std::make_unique<JobRepairCommand>());
    return commands;
}

}  // namespace brim::cli
