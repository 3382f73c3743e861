#pragma once
// The process-wide services a GUI suite uses, ended between tests so that
// each test's isolated home starts them afresh.
#include <QApplication>
#include <QWidget>

#include "core/jobs/backup_item_manager.h"
#include "core/jobs/log_manager.h"
#include "core/jobs/password_manager.h"
#include "core/jobs/system_info.h"
#include "core/jobs/version.h"
#include "job/system_option.h"

namespace brim_test {

inline void reset_gui_singletons() {
    brim::BackupItemManager::del_instance();
    brim::PasswordManager::del_instance();
    brim::LogManager::del_instance();
    brim::SystemInfo::del_instance();
    brim::Version::del_instance();
    job::CSystemOption::DelInstance();
}

// Deletes the windows a test left open, such as the completion pop-ups of
// runs that ended just before it did, which close themselves only later.
inline void close_windows_left_open() {
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) return;
    const auto windows = QApplication::topLevelWidgets();
    for (QWidget* window : windows) delete window;
}

}  // namespace brim_test
