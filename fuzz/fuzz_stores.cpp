// The store files of the data directory read from arbitrary bytes: the job
// file and its password file, the log, a report file, the logon store. The
// first input byte chooses the file.
#include "basekit/convertion.h"
#include "basekit/exception.h"
#include "core/jobs/backup_item_manager.h"
#include "core/jobs/backup_item_report_coll.h"
#include "core/jobs/log_manager.h"
#include "core/jobs/password_manager.h"
#include "core/jobs/system_info.h"
#include "fuzz/fuzz_support.h"

namespace {

void reset() {
    brim::BackupItemManager::del_instance();
    brim::LogManager::del_instance();
    brim::PasswordManager::del_instance();
    brim::SystemInfo::del_instance();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const auto data_dir = brim_fuzz::home() / "data";
    std::filesystem::remove_all(data_dir);
    reset();
    const std::uint8_t choice = data[0] % 5;
    ++data;
    --size;
    try {
        switch (choice) {
            case 0:
                brim_fuzz::write_input(data_dir / "config" / "brimkeep.config", data, size);
                try {
                    brim::BackupItemManager::instance()->load();
                } catch (const bk::Exception&) {
                    brim::BackupItemManager::instance()->reload();
                }
                break;
            case 1:
                brim_fuzz::write_input(data_dir / "config" / "brimkeep.dat", data, size);
                brim_fuzz::write_input(data_dir / "config" / "brimkeep.config", reinterpret_cast<const std::uint8_t*>(""), 0);
                brim::BackupItemManager::instance()->load();
                break;
            case 2: {
                brim_fuzz::write_input(data_dir / "logs" / "brimkeep.log", data, size);
                brim::LogItemList entries;
                brim::LogManager::instance()->load(entries);
                brim::LogManager::instance()->log(brim::LogType::information, u"after the input");
                break;
            }
            case 3: {
                brim::SystemInfo::instance();
                brim::BackupItemReportColl reports(u"fuzz");
                brim_fuzz::write_input(bk::to_native_path(reports.log_file()), data, size);
                reports.load();
                reports.create_report(brim::ReportType::normal);
                reports.save();
                break;
            }
            default:
                brim_fuzz::write_input(data_dir / "config" / "secdata1.db", data, size);
                brim::PasswordManager::instance();
                break;
        }
    } catch (const bk::Exception&) {
        // A documented failure is a fine outcome; only crashes, leaks and hangs are not.
    }
    reset();
    return 0;
}
