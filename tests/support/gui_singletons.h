#pragma once
// The process-wide services a GUI suite uses, ended between tests so that
// each test's isolated home starts them afresh.
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

}  // namespace brim_test
