#include "app/catch_up.h"

#include "app/app_strings.h"
#include "app/main_window.h"
#include "app/runner/runner_controller.h"
#include "basekit/date.h"
#include "basekit/exception.h"
#include "core/jobs/backup_item_manager.h"
#include "taskplan/catch_up.h"
#include "uictl/notify_window.h"
#include "uictl/qt_text.h"

namespace app {

void catch_up_schedule(CMainFrame& window) {
    const std::int64_t now = bk::Date::now_time();
    try {
        for (const auto& missed : taskplan::take_catch_up_starts(now)) {
            // A request to end came during a start's question.
            if (window.end_requested()) return;
            if (brim::BackupItem* job = brim::BackupItemManager::instance()->backup_item(missed.job_id))
                window.runner().start_backup(*job, true);
        }
    } catch (const bk::Exception&) {
        // The schedule cannot be read now: the next start makes up for it.
    }
    if (window.end_requested()) return;
    for (const auto& late : taskplan::log_overdue_jobs(now)) {
        uictl::send_desktop_notification(uictl::to_qstring(app_strings().text(app_text::overdue_title)),
                                         uictl::to_qstring(app_strings().format(app_text::overdue_text,
                                                                                {late.job->name, late.days})));
    }
    window.refresh_jobs();
}

}  // namespace app
