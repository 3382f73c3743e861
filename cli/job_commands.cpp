// "job list", "job show", "job remove", "job export", "job import".
#include "cli/job_commands.h"

#include <iomanip>
#include <iostream>

#include "basekit/date.h"
#include "cli/console.h"
#include "core/jobs/backup_item_manager.h"
#include "core/security/cipher_selection.h"

namespace brim::cli {

std::unique_ptr<Command> make_job_add_command();

namespace {

// What happens to a file that exists where a restore or a mirror writes it.
std::string existing_policy_name(std::uint32_t policy) {
    switch (policy) {
        case job_option::restore_keep: return "keep";
        case job_option::restore_ask: return "ask";
        case job_option::restore_by_time: return "by-time";
        default: return "replace";
    }
}

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

JobFileFormat format_of(const std::string& text) { return text == "text" ? JobFileFormat::text : JobFileFormat::xml; }

class JobListCommand final : public Command {
public:
    CLI::App* attach(CLI::App& parent) override { return parent.add_subcommand("list", "List the jobs"); }
    int execute() override {
        Store store(false);
        for (BackupItem* job : BackupItemManager::instance()->items())
            std::cout << std::setw(4) << job->id << "  " << std::left << std::setw(16) << out(backup_kind_name(job->kind))
                      << std::right << out(job->name) << "  (last run: " << when(job->last_backup_time()) << ")\n";
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
        std::cout << "id:          " << job->id << "\nname:        " << out(job->name)
                  << "\nkind:        " << out(backup_kind_name(job->kind)) << "\ndestination: " << out(job->destination)
                  << "\narchive:     " << out(job->archive_file()) << "\ncipher:      "
                  << (algorithm_name(job->options).empty() ? "none" : out(algorithm_name(job->options)))
                  << "\npassword:    " << (job->has_option(job_option::password) ? "yes" : "no")
                  << "\nverify:      " << (job->has_option(job_option::verify) ? "yes" : "no")
                  << "\nappend:      " << (job->has_option(job_option::keep_set) ? "yes" : "no")
                  << "\nexisting:    " << existing_policy_name(job->restore_policy())
                  << "\nretry:       " << (job->need_retry() ? std::to_string(job->retry_count) + " times, every " +
                                                                   std::to_string(job->retry_interval) + " s"
                                                             : "no")
                  << "\ncreated:     " << when(job->creation_time) << "\nsources:\n";
        for (const auto& source : job->sources)
            std::cout << "  " << source_type_name(source.type) << (source.recursive ? " (recursive) " : " ")
                      << out(source.path) << '\n';
        for (const auto& extension : job->extensions)
            std::cout << (job->has_option(job_option::aware_ext) ? "only " : "never ") << out(extension) << '\n';
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
        if (store.locked_out()) return store_busy();
        BackupItem* job = store.find(name_);
        if (job == nullptr) return job_not_found(name_);
        BackupItemManager::instance()->remove(job, true);
        store.save();
        std::cout << "Removed job \"" << name_ << "\"\n";
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
        BackupItemManager::instance()->export_jobs(jobs, in(file_), format_of(format_));
        std::cout << "Exported " << jobs.size() << " jobs to " << file_ << '\n';
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
        if (store.locked_out()) return store_busy();
        auto jobs = BackupItemManager::instance()->import_jobs(in(file_), format_of(format_));
        const std::size_t count = jobs.size();
        for (auto& job : jobs) BackupItemManager::instance()->add(std::move(job));
        store.save();
        std::cout << "Imported " << count << " jobs\n";
        return 0;
    }

private:
    std::string file_, format_ = "xml";
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
    return commands;
}

}  // namespace brim::cli
