#include "core/jobs/backup_item.h"

#include <chrono>
#include <thread>

#include "basekit/convertion.h"
#include "basekit/exception.h"
#include "basekit/path.h"
#include "core/jobs/backup_item_report_coll.h"
#include "core/jobs/store_settings.h"

namespace brim {

JobNameFault job_name_fault(bk::StringView name) {
    if (name.empty()) return JobNameFault::empty;
    if (name == u"." || name == u"..") return JobNameFault::dots;
    for (char16_t c : name) {
        if (c == bk::Path::separator || c == bk::Path::alt_separator) return JobNameFault::separator;
        if (c < 0x20 || c == 0x7F) return JobNameFault::control;
    }
    if (bk::to_ansi(name).size() > max_job_name_bytes) return JobNameFault::too_long;
    return JobNameFault::none;
}

BackupItem::BackupItem() = default;
BackupItem::~BackupItem() = default;

bk::String BackupItem::archive_file() const {
    bk::String path = bk::Path::combine(destination, name);
    bk::Path::change_extension(path, is_copy_kind(kind) ? u".bvd" : u".bvf");
    return path;
}

bk::String BackupItem::source_to_string() const {
    bk::String text;
    for (const auto& source : sources) {
        if (!text.empty()) text += u';';
        text += source.path;
    }
    return text;
}

bool BackupItem::is_append_mode() const {
    return kind == BackupKind::normal && has_option(job_option::keep_set) && append_mode == 1;
}

BackupItemReportColl* BackupItem::get_reports() {
    if (name.empty()) return nullptr;
    std::lock_guard guard(reports_mutex_);
    if (!reports) {
        reports = std::make_unique<BackupItemReportColl>(name, report_limit());
        reports->load();
    }
    return reports.get();
}

BackupItemReportColl* BackupItem::opened_reports() {
    std::lock_guard guard(reports_mutex_);
    return reports.get();
}

void BackupItem::rename_report(bk::StringView new_name) {
    if (!new_name.empty()) get_reports()->rename(new_name);
}

std::int64_t BackupItem::last_backup_time() {
    try {
        BackupItemReportColl* coll = get_reports();
        if (coll == nullptr) return 0;
        const auto all = coll->reports();
        for (auto it = all.rbegin(); it != all.rend(); ++it)
            // The instant the run's report was made as it began; the report's
            // begin time holds the time of day only.
            if ((*it)->type != ReportType::restore) return (*it)->execution_time;
    } catch (const bk::Exception&) {
    }
    return 0;
}

void BackupItem::wait_to_retry() const { std::this_thread::sleep_for(std::chrono::seconds(retry_interval)); }

}  // namespace brim
