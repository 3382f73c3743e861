// The planner of the dialogs over the crontab scheduler: making a job's
// task, the account, the schedule editor and its question about a start in
// the past, reading and deleting tasks.
#include "taskplan/task_planner.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "basekit/convertion.h"
#include "basekit/date.h"
#include "core/jobs/tests/store_home.h"
#include "taskplan/crontab_scheduler.h"
#include "taskplan/work_item.h"

namespace taskplan {
namespace {

// Answers the planner's questions as the test says and records them.
struct ScriptedDialogs final : TaskDialogs {
    bool start_scheduler = false;
    bool account = true;
    std::vector<ScheduleTrigger> edits;  // each editor call takes the next; none left: no change
    bool later_start = false;
    int editor_calls = 0, later_questions = 0, errors = 0;
    bk::String account_shown;

    bool ask_to_start_scheduler() override { return start_scheduler; }
    void scheduler_start_failed(int) override { ++errors; }
    bool confirm_account(const bk::String& user) override {
        account_shown = user;
        return account;
    }
    bool edit_schedule(WorkItem& item, const bk::String&) override {
        ++editor_calls;
        if (edits.empty()) return false;
        item.triggers = {edits.front()};
        edits.erase(edits.begin());
        return true;
    }
    bool ask_for_later_start() override {
        ++later_questions;
        return later_start;
    }
    void show_scheduler_error(const bk::String&) override { ++errors; }
};

class Planner : public brim_test::StoreHome {
protected:
    Planner() {
        const auto root = home.dir().path();
        std::ofstream script(root / "crontab");
        script << "#!/bin/sh\ncase \"$1\" in -l) cat '" << (root / "table").string() << "' 2>/dev/null || "
               << "{ echo 'no crontab for ann' >&2; exit 1; } ;; -) cat > '" << (root / "table").string()
               << "' ;; esac\n";
        script.close();
        std::filesystem::permissions(root / "crontab", std::filesystem::perms::owner_all);
        home.set("BRIMVAULT_CRONTAB", (root / "crontab").string());
        CTaskPlanner::Install(crontab_task_planner());
        CTaskPlanner::SetDialogs(dialogs_);
    }
    ~Planner() override {
        CTaskPlanner::Install(nullptr);
        CTaskPlanner::SetDialogs(nullptr);
    }
    CTaskPlanner& planner() { return *CTaskPlanner::GetInstance(1); }

    std::shared_ptr<ScriptedDialogs> dialogs_ = std::make_shared<ScriptedDialogs>();
};

ScheduleTrigger daily_at(int hour, int minute) {
    ScheduleTrigger t;
    t.type = TriggerType::daily;
    t.begin = {2026, 1, 1};
    t.hour = hour;
    t.minute = minute;
    return t;
}

TEST_F(Planner, MakesATaskPerJobWithItsCommandLineAndAccount) {
    auto first = planner().CreateNewTask(u"Daily", 0, 4);
    auto second = planner().CreateNewTask(u"Daily", 0, 5);
    ASSERT_TRUE(first && second);
    EXPECT_EQ(second->GetTaskName(), u"Daily1");
    bk::String parameters;
    EXPECT_EQ(second->GetParameters(parameters), 1);
    EXPECT_EQ(parameters, u"backup 5");
    EXPECT_EQ(second->GetTrigger(), TriggerType::once);
    EXPECT_GT(second->GetNextExecutionTime(), bk::Date::now_time());
    EXPECT_FALSE(dialogs_->account_shown.empty());

    auto found = planner().GetTask(u"Daily1");
    ASSERT_TRUE(found);
    EXPECT_EQ(found->GetTaskName(), u"Daily1");
    planner().DeleteTask(u"Daily1");
    EXPECT_FALSE(planner().GetTask(u"Daily1"));
    planner().DeleteTask(u"never there");
}

TEST_F(Planner, ACancelledAccountLeavesNoTask) {
    dialogs_->account = false;
    EXPECT_FALSE(planner().CreateNewTask(u"Daily", 0, 4));
    EXPECT_FALSE(planner().GetTask(u"Daily"));
}

TEST_F(Planner, TheEditorSavesTheScheduleAndAsksAboutAStartInThePast) {
    auto task = planner().CreateNewTask(u"Photos", 0, 1);
    ASSERT_TRUE(task);
    // Unchanged: success, nothing asked.
    EXPECT_EQ(task->ShowProperty(u""), 1);
    EXPECT_EQ(dialogs_->later_questions, 0);

    // A one-time start in the past: asked once; yes opens the editor again,
    // where a daily start is chosen.
    ScheduleTrigger past;
    past.begin = {2020, 1, 1};
    dialogs_->edits = {past, daily_at(21, 0)};
    dialogs_->later_start = true;
    EXPECT_EQ(task->ShowProperty(u"Photos"), 1);
    EXPECT_EQ(dialogs_->later_questions, 1);
    EXPECT_EQ(dialogs_->editor_calls, 3);
    EXPECT_EQ(planner().GetTask(u"Photos")->GetTrigger(), TriggerType::daily);

    // No keeps the past start.
    dialogs_->edits = {past};
    dialogs_->later_start = false;
    EXPECT_EQ(task->ShowProperty(u"Photos"), 1);
    EXPECT_EQ(planner().GetTask(u"Photos")->GetNextExecutionTime(), 0);
}

TEST_F(Planner, WithoutARunningSchedulerAndNoConsentThereIsNoPlanner) {
    if (CrontabScheduler::daemon_running()) GTEST_SKIP() << "a cron daemon runs on this machine";
    CTaskPlanner::Install(nullptr);
    dialogs_->start_scheduler = true;
    EXPECT_EQ(CTaskPlanner::GetInstance(1), nullptr);  // silent: the service is never started unasked
    dialogs_->start_scheduler = false;
    EXPECT_EQ(CTaskPlanner::GetInstance(0), nullptr);
    EXPECT_EQ(dialogs_->errors, 0);
    EXPECT_FALSE(CrontabScheduler::daemon_running());
}

}  // namespace
}  // namespace taskplan
