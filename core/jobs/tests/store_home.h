#pragma once
// The fixture of every store test: a temporary home and data directory, and
// the core's singletons dropped before and after, so that each test starts
// from nothing and none sees the real user's files.
#include <gtest/gtest.h>

#include "basekit/convertion.h"
#include "core/backup_exception.h"
#include "core/jobs/backup_item_manager.h"
#include "core/jobs/log_manager.h"
#include "core/jobs/password_manager.h"
#include "core/jobs/system_info.h"
#include "core/jobs/version.h"
#include "tests/support/isolated_home.h"

namespace brim_test {

inline void reset_core_singletons() {
    brim::BackupItemManager::del_instance();
    brim::PasswordManager::del_instance();
    brim::LogManager::del_instance();
    brim::SystemInfo::del_instance();
    brim::Version::del_instance();
}

class StoreHome : public ::testing::Test {
protected:
    IsolatedHome home{reset_core_singletons};

    static std::string narrow(const bk::String& text) { return bk::to_ansi(text); }
    static bk::String wide(const std::string& text) { return bk::from_ansi(text); }
    static bk::String wide(const std::filesystem::path& path) { return bk::from_ansi(path.string()); }
    // The message of the job store's strict load, empty when it succeeds.
    static std::string load_error() {
        try {
            brim::BackupItemManager::instance()->load();
        } catch (const brim::BackupException& error) {
            return narrow(error.message());
        }
        return {};
    }
    std::filesystem::path config_dir() const { return home.data_dir() / "config"; }
    std::filesystem::path log_dir() const { return home.data_dir() / "logs"; }
    std::filesystem::path report_dir() const { return home.data_dir() / "reports"; }
};

}  // namespace brim_test
