#include "app/job_commands.h"

#include <QApplication>

#include "app/app_strings.h"
#include "app/file_chooser.h"
#include "app/runner/gui_run_answers.h"
#include "app/runner/runner_controller.h"
#include "core/backup_exception.h"
#include "core/jobs/backup_item_report_coll.h"
#include "job/backup_kinds.h"
#include "job/system_option.h"
#include "taskplan/task_planner.h"
#include "uictl/brim_message_box.h"
#include "uictl/message_box_flags.h"
#include "uictl/qt_text.h"
#include "uictl/wait_cursor.h"

namespace app {
namespace {

constexpr int export_failure_help = 1011;
constexpr int import_failure_help = 1012;
constexpr int name_taken_help = 1017;
constexpr int security_help = 1018;


int ask(std::uint32_t id, std::initializer_list<bk::FormatArg> args, int flags, int* check = nullptr,
        std::uint32_t title = 0, int help = no_help_context) {
    const bk::String text = app_strings().format(id, args);
    const bk::String caption = title != 0 ? app_strings().text(title) : bk::String();
    return BrimMessageBox(text.c_str(), caption.c_str(), flags, check, help);
}

const char* extension_of(brim::JobFileFormat format) { return format == brim::JobFileFormat::text ? "txt" : "xml"; }

}  // namespace

brim::BackupItem& JobCommands::add_job(std::unique_ptr<brim::BackupItem> job) {
    brim::BackupItem& added = *job;
    brim::BackupItemManager::instance()->add(std::move(job));
    try {
        if (brim::BackupItemReportColl* reports = added.get_reports()) reports->remove();
    } catch (const brim::BackupException&) {
        // Reports that cannot be read are reports no longer.
    }
    save_store();
    return added;
}

void JobCommands::save_store() {
    try {
        brim::BackupItemManager::instance()->save();
    } catch (const brim::BackupException& failure) {
        BrimMessageBox(failure.message().c_str(), u"", mb::ok | mb::icon_error);
    }
}

bool JobCommands::proves_password(brim::BackupItem& job, std::uint32_t wrong_text, bool protected_job) {
    const bool asked = protected_job ? job.has_option(brim::job_option::password) : job.need_password(false);
    if (!asked) return true;
    const auto given = ask_job_password(job.name);
    if (!given) return false;
    if (job.check_password(*given)) return true;
    ask(wrong_text, {job.name}, mb::ok | mb::icon_error);
    return false;
}

bool JobCommands::unschedule_before_delete(brim::BackupItem& job, AllJobs& all) {
    if (job.task_name.empty()) return true;
    taskplan::CTaskPlanner* planner = taskplan::CTaskPlanner::GetInstance(1);
    bk::String next_text;
    if (job::GetTriggerTime(&job, next_text) != 0 && !all.unschedule) {
        int for_all = 0;
        const bool yes = ask(app_text::delete_scheduled, {job.name},
                             mb::ok_cancel | mb::icon_warning | mb::apply_to_all_check, &for_all) == button_id::ok;
        if (for_all != 0) all.unschedule = yes;
        if (!yes) return false;
    } else if (all.unschedule && !*all.unschedule) {
        return false;
    }
    if (planner != nullptr) planner->DeleteTask(job.task_name);
    return true;
}

bool JobCommands::delete_one(brim::BackupItem& job, bool confirm, AllJobs& all) {
    const JobState state = runner_.job_state(job);
    if (state != JobState::idle) {
        ask(state == JobState::running ? app_text::delete_running : app_text::delete_modified, {job.name},
            mb::ok | mb::icon_warning);
        return false;
    }
    runner_.set_modifying(job, true);
    auto* options = job::CSystemOption::GetInstance();
    // Only who knows a protected job's password deletes it.
    bool goes_on = proves_password(job, app_text::delete_wrong_password, true);
    if (goes_on && confirm && options->GetNeverShowValue(job::never_show::delete_job) != 0) {
        int never = 0;
        goes_on = ask(app_text::delete_confirm, {job.name}, mb::ok_cancel | mb::icon_information | mb::never_show_check,
                      &never, app_text::delete_confirm_title) == button_id::ok;
        if (never != 0) options->SetNeverShowValue(job::never_show::delete_job, 0);
    }
    goes_on = goes_on && unschedule_before_delete(job, all);
    runner_.set_modifying(job, false);
    if (!goes_on || !runner_.forget(job)) return false;
    brim::BackupItemManager::instance()->remove(&job, true);
    return true;
}

bool JobCommands::delete_job(brim::BackupItem& job) {
    AllJobs all;
    const bool deleted = delete_one(job, true, all);
    if (deleted) save_store();
    return deleted;
}

int JobCommands::delete_all_jobs() {
    auto* store = brim::BackupItemManager::instance();
    const std::vector<brim::BackupItem*> jobs = store->items();
    if (jobs.empty()) return 0;
    auto* options = job::CSystemOption::GetInstance();
    if (options->GetNeverShowValue(job::never_show::delete_all_jobs) != 0) {
        int never = 0;
        const int answer = ask(app_text::delete_all_confirm, {}, mb::ok_cancel | mb::icon_warning | mb::never_show_check,
                               &never);
        if (never != 0) options->SetNeverShowValue(job::never_show::delete_all_jobs, 0);
        if (answer != button_id::ok) return 0;
    }
    const uictl::WaitCursor wait;
    AllJobs all;
    int deleted = 0;
    for (auto job = jobs.rbegin(); job != jobs.rend(); ++job) deleted += delete_one(**job, false, all) ? 1 : 0;
    if (deleted > 0) save_store();
    return deleted;
}

bool JobCommands::unschedule(brim::BackupItem& job) {
    if (job.task_name.empty()) return false;
    if (ask(app_text::unschedule_confirm, {job.name}, mb::yes_no | mb::icon_question | mb::default_button2) ==
        button_id::no)
        return false;
    if (taskplan::CTaskPlanner* planner = taskplan::CTaskPlanner::GetInstance(0)) planner->DeleteTask(job.task_name);
    job.task_name.clear();
    save_store();
    return true;
}

bool JobCommands::reschedule(brim::BackupItem& job) {
    taskplan::CTaskPlanner* planner = taskplan::CTaskPlanner::GetInstance(0);
    if (planner == nullptr) return false;
    std::unique_ptr<taskplan::CTask> task = job.task_name.empty() ? nullptr : planner->GetTask(job.task_name);
    if (task) {
        if (task->SetAccountInfo(1) == 0) return false;
    } else {
        task = planner->CreateNewTask(job.name, 0, job.id);
        if (!task) return false;
    }
    const uictl::WaitCursor wait;
    if (task->ShowProperty(u"") == 0) return false;
    job.task_name = task->GetTaskName();
    save_store();
    return true;
}

int JobCommands::import_jobs(brim::JobFileFormat format) {
    const QString extension = QLatin1String(extension_of(format));
    const QString path = choose_file(false, QStringLiteral("*.") + extension,
                                     uictl::to_qstring(app_strings().text(format == brim::JobFileFormat::text
                                                                              ? app_text::text_open_filter
                                                                              : app_text::xml_open_filter)));
    if (path.isEmpty()) return 0;
    auto* store = brim::BackupItemManager::instance();
    std::vector<std::unique_ptr<brim::BackupItem>> jobs;
    try {
        const uictl::WaitCursor wait;
        jobs = store->import_jobs(uictl::from_qstring(path), format);
    } catch (const brim::BackupException& failure) {
        ask(app_text::import_jobs_failed, {failure.message(), uictl::from_qstring(path)},
            mb::ok | mb::icon_error | mb::help, nullptr, 0, import_failure_help);
        return 0;
    }
    int added = 0;
    for (auto& job : jobs) {
        bool taken = false;
        for (const brim::BackupItem* known : store->items()) taken = taken || known->name == job->name;
        if (taken) {
            ask(app_text::import_name_taken, {job->name}, mb::ok | mb::icon_error | mb::help, nullptr, 0,
                name_taken_help);
            continue;
        }
        added += store->add(std::move(job)) ? 1 : 0;
    }
    if (added > 0) save_store();
    return added;
}

bool JobCommands::export_jobs(const std::vector<brim::BackupItem*>& jobs, brim::JobFileFormat format) {
    std::vector<brim::BackupItem*> chosen;
    std::optional<bool> for_all;
    for (brim::BackupItem* job : jobs) {
        if ((job->options & brim::job_option::security_mask) != 0) {
            bool yes = for_all.value_or(false);
            if (!for_all) {
                int all = 0;
                yes = ask(app_text::export_security, {job->name, job->name},
                          mb::yes_no | mb::icon_information | mb::help | mb::apply_to_all_check, &all,
                          app_text::export_security_title, security_help) == button_id::yes;
                if (all != 0) for_all = yes;
            }
            if (!yes || !proves_password(*job, app_text::export_wrong_password, false)) continue;
        }
        chosen.push_back(job);
    }
    if (chosen.empty()) return false;
    const QString extension = QLatin1String(extension_of(format));
    const QString picked = choose_file(true, QStringLiteral("jobs.") + extension,
                                       uictl::to_qstring(app_strings().text(format == brim::JobFileFormat::text
                                                                                ? app_text::text_filter
                                                                                : app_text::xml_filter)));
    if (picked.isEmpty()) return false;
    const QString path = with_extension(picked, extension);
    try {
        const uictl::WaitCursor wait;
        brim::BackupItemManager::instance()->export_jobs(chosen, uictl::from_qstring(path), format);
        return true;
    } catch (const brim::BackupException& failure) {
        ask(app_text::export_jobs_failed, {failure.message(), uictl::from_qstring(path)},
            mb::ok | mb::icon_error | mb::help, nullptr, 0, export_failure_help);
        return false;
    }
}

}  // namespace app
