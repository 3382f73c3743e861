#include "cli/schedule_commands.h"

#include <algorithm>
#include <cstdio>
#include <iomanip>
#include <sstream>

#include "basekit/date.h"
#include "basekit/text_format.h"
#include "cli/console.h"
#include "cli/program.h"
#include "core/jobs/backup_item_manager.h"
#include "taskplan/catch_up.h"
#include "taskplan/crontab_scheduler.h"
#include "taskplan/schedule_gate.h"

namespace brim::cli {
namespace {

using taskplan::ScheduleTrigger;
using taskplan::TriggerType;

std::string when(std::int64_t time) { return time == 0 ? "none" : out(bk::Date(time).to_string()); }

// "21:00" into hour and minute.
bool read_time(const std::string& text, ScheduleTrigger& trigger) {
    int hour = -1, minute = -1;
    char rest = 0;
    if (std::sscanf(text.c_str(), "%d:%d%c", &hour, &minute, &rest) != 2) return false;
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59) return false;
    trigger.hour = hour;
    trigger.minute = minute;
    return true;
}

bool read_weekdays(const std::string& text, ScheduleTrigger& trigger) {
    std::stringstream list(text);
    for (std::string day; std::getline(list, day, ',');) {
        const auto found = weekday_bits().find(day);
        if (found == weekday_bits().end()) return false;
        trigger.weekdays |= found->second;
    }
    return trigger.weekdays != 0;
}

bool read_month_days(const std::string& text, ScheduleTrigger& trigger) {
    std::stringstream list(text);
    for (std::string day; std::getline(list, day, ',');) {
        if (day.empty() || day.size() > 2 || day.find_first_not_of("0123456789") != std::string::npos) return false;
        const int number = std::stoi(day);
        if (number < 1 || number > 31) return false;
        trigger.month_days |= 1u << (number - 1);
    }
    return trigger.month_days != 0;
}

bool read_date(const std::string& text, ScheduleTrigger& trigger) {
    taskplan::LocalDay day;
    char rest = 0;
    if (std::sscanf(text.c_str(), "%d-%d-%d%c", &day.year, &day.month, &day.day, &rest) != 3) return false;
    if (day.month < 1 || day.month > 12 || day.day < 1 || day.day > bk::Date::days_in_month(day.year, day.month))
        return false;
    trigger.begin = day;
    return true;
}

class ScheduleCommand final : public Command {
public:
    CLI::App* attach(CLI::App& parent) override {
        app_ = parent.add_subcommand("schedule", "Run a job on a schedule (the user's crontab), or list the schedules");
        app_->add_option("job", job_, "Name or id");
        app_->add_option("--daily", daily_, "Every day at HH:MM")->type_name("HH:MM");
        app_->add_option("--weekly", weekly_, "On these days at HH:MM, e.g. mon,thu 21:00")->expected(2);
        app_->add_option("--monthly", monthly_, "On these days of the month at HH:MM, e.g. 1,15 21:00")->expected(2);
        app_->add_option("--once", once_, "Once, on YYYY-MM-DD at HH:MM")->expected(2);
        app_->add_flag("--at-start", at_start_, "Whenever the computer starts");
        app_->add_option("--every", every_, "Every N days (--daily) or weeks (--weekly)")->check(CLI::Range(1, 5000));
        app_->add_flag("--no-catch-up", no_catch_up_, "Do not make up a run missed while the computer was off");
        app_->add_flag("--list", list_, "The jobs on a schedule and their next runs");
        due_ = app_->add_subcommand("due", "Whether a scheduled start of a work item is due (what cron starts)");
        due_->add_option("item", item_, "The work item")->required();
        due_->add_flag("--at-start", due_at_start_, "The start at boot");
        due_->group("");
        catch_up_ = app_->add_subcommand("catch-up", "Make up the scheduled runs missed while the computer was off");
        return app_;
    }

    int execute() override {
        if (due_->parsed()) return gate();
        if (catch_up_->parsed()) return catch_up();
        if (list_ || job_.empty()) return list();
        return schedule();
    }

private:
    // The one trigger the options describe; nullopt (said why) when they
    // describe none or more than one.
    std::optional<ScheduleTrigger> trigger() const {
        const int given = !daily_.empty() + !weekly_.empty() + !monthly_.empty() + !once_.empty() + at_start_;
        if (given != 1) {
            print_error("say when: one of --daily, --weekly, --monthly, --once or --at-start");
            return std::nullopt;
        }
        ScheduleTrigger t;
        t.begin = taskplan::local_day_of(bk::Date::now_time());
        t.interval = every_;
        bool read = true;
        if (!daily_.empty()) t.type = TriggerType::daily, read = read_time(daily_, t);
        if (!weekly_.empty())
            t.type = TriggerType::weekly, read = read_weekdays(weekly_[0], t) && read_time(weekly_[1], t);
        if (!monthly_.empty())
            t.type = TriggerType::monthly_date, read = read_month_days(monthly_[0], t) && read_time(monthly_[1], t);
        if (!once_.empty()) t.type = TriggerType::once, read = read_date(once_[0], t) && read_time(once_[1], t);
        if (at_start_) t.type = TriggerType::at_system_start;
        if (!read) {
            print_error("cannot read the time: write days as mon,thu or 1,15, dates as YYYY-MM-DD, times as HH:MM");
            return std::nullopt;
        }
        return t;
    }

    int schedule() {
        const auto wanted = trigger();
        if (!wanted) return exit_usage;
        Store store(true);
        if (const auto ended = store.refuse_changes()) return *ended;
        BackupItem* job = store.find(job_);
        if (job == nullptr) return job_not_found(job_);
        const auto scheduler = taskplan::CrontabScheduler::of_user();
        const std::int64_t now = bk::Date::now_time();
        std::optional<taskplan::WorkItem> item;
        if (!job->task_name.empty()) item = scheduler.find(job->task_name);
        if (!item) item = scheduler.create(job->name, 0, job->id, now);
        item->triggers = {*wanted};
        item->catch_up = !no_catch_up_;
        scheduler.save(*item);
        job->task_name = item->name;
        store.save();
        const std::int64_t next = taskplan::next_execution_time(*item, now);
        say() << "Scheduled \"" << printable(job->name) << "\": "
              << (wanted->type == TriggerType::at_system_start ? "whenever the computer starts"
                                                                  : "next run " + when(next))
              << '\n';
        if (wanted->type == TriggerType::once && next == 0) warn() << "brimvault-cli: that time has passed: the job will not run\n";
        warn_when_cron_is_off();
        return 0;
    }

    int list() const {
        Store store(false);
        const auto scheduler = taskplan::CrontabScheduler::of_user();
        const std::int64_t now = bk::Date::now_time();
        for (BackupItem* job : BackupItemManager::instance()->items()) {
            if (job->task_name.empty()) continue;
            const auto item = scheduler.find(job->task_name);
            say() << std::setw(4) << job->id << "  " << printable(job->name) << "  ";
            if (!item) say() << "(its work item \"" << printable(job->task_name) << "\" is missing)\n";
            else if (taskplan::is_spent(*item, now)) say() << "next run: none (spent)\n";
            else say() << "next run: " << describe_next(*item, now) << '\n';
        }
        warn_when_cron_is_off();
        return 0;
    }

    static std::string describe_next(const taskplan::WorkItem& item, std::int64_t now) {
        const std::int64_t next = taskplan::next_execution_time(item, now);
        if (next != 0) return when(next);
        return "at the next start of the computer";
    }

    int gate() const {
        const auto scheduler = taskplan::CrontabScheduler::of_user();
        const auto answer =
            taskplan::take_scheduled_start(scheduler.store(), in(item_), bk::Date::now_time(), due_at_start_);
        return answer == taskplan::GateAnswer::due ? 0 : 1;
    }

    int catch_up() const {
        const std::int64_t now = bk::Date::now_time();
        Store store(false);
        int status = 0;
        for (const auto& missed : taskplan::take_catch_up_starts(now)) {
            say() << "Making up the run scheduled for " << when(missed.scheduled) << '\n';
            status = std::max(status, run_program({"run", std::to_string(missed.job_id), "--quiet"}));
        }
        // Scheduled jobs without a successful run for a week go to the log.
        for (const auto& late : taskplan::log_overdue_jobs(now)) {
            warn() << "brimvault-cli: \"" << printable(late.job->name) << "\" has not run successfully for "
                   << late.days << " days\n";
        }
        return status;
    }

    static void warn_when_cron_is_off() {
        if (taskplan::CrontabScheduler::daemon_running()) return;
        warn() << "brimvault-cli: the cron daemon does not run, so scheduled runs do not start; the schedule is kept. "
                  "Start it as root: systemctl enable --now cron (or: service cron start)\n";
    }

    CLI::App* app_ = nullptr;
    CLI::App* due_ = nullptr;
    CLI::App* catch_up_ = nullptr;
    std::string job_, daily_, item_;
    std::vector<std::string> weekly_, monthly_, once_;
    bool at_start_ = false, no_catch_up_ = false, list_ = false, due_at_start_ = false;
    int every_ = 1;
};

// "backup ID": the command line a scheduled start gives the program, taken
// here too, so that a machine without the GUI program runs its schedules
// headless through brimvault-cli.
class ScheduledBackupCommand final : public Command {
public:
    CLI::App* attach(CLI::App& parent) override {
        CLI::App* app = parent.add_subcommand("backup", "Run a job's backup as a scheduled start does");
        app->add_option("job", job_, "Id")->required();
        app->group("");
        return app;
    }
    int execute() override { return run_program({"run", job_, "--quiet"}); }

private:
    std::string job_;
};

class UnscheduleCommand final : public Command {
public:
    CLI::App* attach(CLI::App& parent) override {
        CLI::App* app = parent.add_subcommand("unschedule", "Take a job off its schedule");
        app->add_option("job", job_, "Name or id")->required();
        return app;
    }
    int execute() override {
        Store store(true);
        if (const auto ended = store.refuse_changes()) return *ended;
        BackupItem* job = store.find(job_);
        if (job == nullptr) return job_not_found(job_);
        if (!job->task_name.empty()) taskplan::CrontabScheduler::of_user().remove(job->task_name);
        job->task_name.clear();
        store.save();
        say() << "\"" << printable(job->name) << "\" runs only when started\n";
        return 0;
    }

private:
    std::string job_;
};

}  // namespace

std::vector<std::unique_ptr<Command>> schedule_commands() {
    std::vector<std::unique_ptr<Command>> commands;
    commands.push_back(std::make_unique<ScheduleCommand>());
    commands.push_back(std::make_unique<UnscheduleCommand>());
    commands.push_back(std::make_unique<ScheduledBackupCommand>());
    return commands;
}

}  // namespace brim::cli
