#include "cli/history_commands.h"

#include <iostream>

#include "basekit/date.h"
#include "cli/console.h"
#include "core/jobs/backup_item_manager.h"
#include "core/jobs/backup_item_report_coll.h"
#include "core/jobs/log_manager.h"

namespace brim::cli {
namespace {

void print_entry(const LogItem& item) {
    std::cout << out(bk::Date(item.time).to_string(bk::FullDatePattern::Long)) << "  " << out(log_type_name(item.type))
              << "  " << out(item.source_text()) << "  " << out(item.description) << '\n';
}

class LogCommand final : public Command {
public:
    CLI::App* attach(CLI::App& parent) override {
        CLI::App* app = parent.add_subcommand("log", "Show or export the system log");
        app->add_option("--last", last_, "How many recent entries to show (default 20)");
        app->add_option("--export", export_file_, "Write the whole log to this file");
        app->add_option("--format", format_, "xml or text")->check(CLI::IsMember({"xml", "text"}));
        return app;
    }
    int execute() override {
        LogManager* log = LogManager::instance();
        if (!export_file_.empty()) {
            log->export_log(in(export_file_), format_ == "text" ? LogFileFormat::text : LogFileFormat::xml);
            std::cout << "Exported the log to " << export_file_ << '\n';
            return 0;
        }
        LogItemList entries;
        log->load(entries);
        const std::size_t from = entries.size() > last_ ? entries.size() - last_ : 0;
        for (std::size_t i = from; i < entries.size(); ++i) print_entry(*entries[i]);
        return 0;
    }

private:
    std::size_t last_ = 20;
    std::string export_file_, format_ = "xml";
};

class ReportCommand final : public Command {
public:
    CLI::App* attach(CLI::App& parent) override {
        CLI::App* app = parent.add_subcommand("report", "Show a job's run reports");
        app->add_option("job", name_, "Name or id")->required();
        app->add_option("--last", last_, "How many recent runs to show (default 5)");
        return app;
    }
    int execute() override {
        Store store(false);
        BackupItem* job = store.find(name_);
        if (job == nullptr) return job_not_found(name_);
        BackupItemReportColl* reports = job->get_reports();
        const auto all = reports != nullptr ? reports->reports() : std::vector<BackupItemReport*>{};
        const std::size_t from = all.size() > last_ ? all.size() - last_ : 0;
        for (std::size_t i = from; i < all.size(); ++i) {
            const BackupItemReport& report = *all[i];
            std::cout << out(bk::Date(report.execution_time).to_string()) << "  " << out(report_type_name(report.type))
                      << "  " << out(run_result_name(report.result)) << "  " << report.completed_files << "/"
                      << report.original_files << " files  " << report.completed_size << "/" << report.original_size
                      << " bytes\n";
            for (const LogItem* entry : report.log_items()) {
                std::cout << "    ";
                print_entry(*entry);
            }
        }
        return 0;
    }

private:
    std::string name_;
    std::size_t last_ = 5;
};

}  // namespace

std::vector<std::unique_ptr<Command>> history_commands() {
    std::vector<std::unique_ptr<Command>> commands;
    commands.push_back(std::make_unique<LogCommand>());
    commands.push_back(std::make_unique<ReportCommand>());
    return commands;
}

}  // namespace brim::cli
