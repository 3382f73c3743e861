#pragma once
// The planner's questions as the GUI asks them: message boxes and the
// schedule editor. The program installs them at start.
#include "taskplan/task_planner.h"

namespace taskplan {

class CGuiTaskDialogs final : public TaskDialogs {
public:
    bool ask_to_start_scheduler() override;
    void scheduler_start_failed(int error) override;
    bool confirm_account(const bk::String& user) override;
    bool edit_schedule(WorkItem& item, const bk::String& caption) override;
    bool ask_for_later_start() override;
    void show_scheduler_error(const bk::String& reason) override;
};

// Installs CGuiTaskDialogs as the planner's dialogs.
void InstallTaskDialogs();

}  // namespace taskplan
