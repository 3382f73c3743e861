#include "taskplan/dialogs/gui_task_dialogs.h"

#include "basekit/error_code.h"
#include "taskplan/dialogs/schedule_dialog.h"
#include "taskplan/dialogs/taskplan_strings.h"
#include "taskplan/work_item.h"
#include "uictl/brim_message_box.h"
#include "uictl/qt_text.h"
#include "uictl/system_messages.h"

namespace taskplan {
namespace {

int show(const bk::String& message, int flags, int help_context = no_help_context) {
    const bk::String title = taskplan_strings().text(text_id::scheduling_error);
    return BrimMessageBox(message.c_str(), title.c_str(), flags, nullptr, help_context);
}

}  // namespace

bool CGuiTaskDialogs::ask_to_start_scheduler() {
    return show(taskplan_strings().text(text_id::start_scheduler), mb::yes_no | mb::icon_information) ==
           button_id::yes;
}

void CGuiTaskDialogs::scheduler_start_failed(int error) {
    const auto& strings = taskplan_strings();
    show(error == bk::error::access_denied ? strings.text(text_id::start_refused)
                                           : strings.format(text_id::start_failed, {ErrorToString(error)}),
         mb::ok | mb::icon_error);
}

bool CGuiTaskDialogs::confirm_account(const bk::String& user) {
    const bk::String message = taskplan_strings().format(text_id::account, {user});
    return BrimMessageBox(message.c_str(), nullptr, mb::ok_cancel | mb::icon_information) == button_id::ok;
}

bool CGuiTaskDialogs::edit_schedule(WorkItem& item, const bk::String& caption) {
    ScheduleTrigger first;
    first.type = TriggerType::daily;
    if (!item.triggers.empty()) first = item.triggers.front();
    CScheduleDialog dialog(nullptr, ScheduleForm::of(first, item.catch_up), uictl::to_qstring(caption));
    if (dialog.exec() != QDialog::Accepted) return false;
    const ScheduleForm form = dialog.form();
    item.triggers = {form.trigger()};
    item.catch_up = form.catch_up;
    return true;
}

bool CGuiTaskDialogs::ask_for_later_start() {
    return show(taskplan_strings().text(text_id::start_in_the_past), mb::yes_no | mb::icon_question) ==
           button_id::yes;
}

void CGuiTaskDialogs::show_scheduler_error(const bk::String& reason) {
    show(taskplan_strings().format(text_id::cannot_set_schedule, {reason}), mb::ok | mb::icon_error | mb::help, 1036);
}

void InstallTaskDialogs() {
    CTaskPlanner::SetDialogs(std::make_shared<CGuiTaskDialogs>());
}

}  // namespace taskplan
