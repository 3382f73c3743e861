#include "core/jobs/backup_item_report_coll.h"

#include "basekit/buffered_stream.h"
#include "basekit/date.h"
#include "basekit/error_code.h"
#include "basekit/file_ops.h"
#include "basekit/file_stream.h"
#include "basekit/path.h"
#include "basekit/platform/os_fs.h"
#include "basekit/system_file.h"
#include "basekit/text_format.h"
#include "core/backup_exception.h"
#include "core/core_strings.h"
#include "core/jobs/locked_text_file.h"
#include "core/jobs/log_manager.h"
#include "core/jobs/store_copy.h"
#include "core/jobs/store_streams.h"
#include "core/jobs/store_text.h"
#include "core/jobs/system_info.h"

namespace brim {
namespace {

constexpr char16_t file_comment[] = u"<!-- This file represents Orvex Brimvault job reports -->";
constexpr std::uint32_t damaged_report = 120;

constexpr std::uint32_t msg_kept_aside = 521;

void log_failure(std::uint32_t id, bk::StringView job_name, std::initializer_list<bk::FormatArg> args,
                 LogType type = LogType::error) {
    try {
        LogManager::instance()->log(type, bk::format_text(core_string(id), args), job_name);
    } catch (const bk::Exception&) {
    }
}

// A report that does not read, or a frame that does not (a cut or foreign file).
bool is_damaged(const bk::Exception& error) {
    return error.message() == core_string(damaged_report) || error.message() == core_string(104);
}

}  // namespace

BackupItemReportColl::BackupItemReportColl(bk::StringView job_name, std::uint32_t limit)
    : job_name_(job_name), limit_(limit) {
    try {
        path_ = path_for(job_name_);
    } catch (const bk::Exception& error) {
        log_failure(119, job_name_, {error.message()});
        throw BackupException(error.message());
    }
}

bk::String BackupItemReportColl::path_for(bk::StringView job_name) {
    return bk::Path::combine(SystemInfo::report_path(), bk::String(job_name) + u".log");
}

void BackupItemReportColl::read_file() {
    StoreReader reader(path_, true);
    bk::DataInputStream& in = reader.in();
    store_text::check_header(in);
    while (in.peek() == '\t') reports_.push_back(BackupItemReport::read(in));
    store_text::read_line(in);
}

void BackupItemReportColl::load() {
    std::lock_guard guard(mutex_);
    const bk::File file(path_);
    if (!file.exists()) {
        if (bk::SystemFile::file_attrs(path_) != bk::file_attribute::not_found)
            bk::SystemFile::throw_io_exception(2, true, path_);
        return;
    }
    if (file.length() == 0) return;
    try {
        read_file();
    } catch (const bk::Exception& error) {
        if (is_damaged(error)) {
            // A damaged file must not stop the job's runs: it is kept aside,
            // as the log keeps its own, and a new file holds what was read.
            const bk::String kept = path_ + damaged_suffix;
            try {
                copy_private(path_, kept);
            } catch (const bk::Exception&) {
            }
            repair();
            log_failure(damaged_report, job_name_, {}, LogType::warning);
            log_failure(msg_kept_aside, job_name_, {kept}, LogType::warning);
            return;
        }
        repair();
        log_failure(121, job_name_, {error.message()});
        throw BackupException(error.message());
    }
    if (reports_.size() > limit_) {
        while (reports_.size() > limit_) reports_.pop_front();
        new_count_ = reports_.size();
    }
}

std::vector<std::uint8_t> BackupItemReportColl::whole_file(bool export_form, bool closed_only) const {
    store_text::LineBuffer buffer;
    store_text::write_header(buffer.out(), file_comment);
    for (const auto& report : reports_)
        if (!closed_only || report.get() != open_) report->write(buffer.out(), export_form);
    store_text::write_closing(buffer.out());
    return buffer.bytes();
}

void BackupItemReportColl::repair() {
    std::lock_guard guard(mutex_);
    try {
        bk::os::remove_file(path_);
        LockedTextFile(path_).rewrite(whole_file(false));
    } catch (const bk::Exception&) {
    }
    new_count_ = 0;
}

BackupItemReport* BackupItemReportColl::create_report(ReportType type, bool open) {
    std::lock_guard guard(mutex_);
    reports_.push_back(std::make_unique<BackupItemReport>(type, bk::Date::now_time()));
    if (reports_.size() <= limit_) {
        ++new_count_;
    } else {
        trim();
    }
    if (open) open_ = reports_.back().get();
    return reports_.back().get();
}

void BackupItemReportColl::close(const BackupItemReport* report) {
    std::lock_guard guard(mutex_);
    if (report == open_) open_ = nullptr;
}

std::size_t BackupItemReportColl::report_size() const {
    std::lock_guard guard(mutex_);
    return reports_.size();
}

std::vector<BackupItemReport> BackupItemReportColl::copies() const {
    std::lock_guard guard(mutex_);
    std::vector<BackupItemReport> out;
    for (const auto& report : reports_)
        if (report.get() != open_) out.push_back(*report);
    return out;
}

void BackupItemReportColl::trim() {
    std::lock_guard guard(mutex_);
    while (reports_.size() > limit_ && !reports_.empty()) reports_.pop_front();
    new_count_ = reports_.size();
}

void BackupItemReportColl::save() {
    std::lock_guard guard(mutex_);
    // An open report is always the last one: it waits for a later save.
    const std::size_t held = open_ != nullptr && !reports_.empty() && reports_.back().get() == open_ ? 1 : 0;
    if (new_count_ <= held) return;
    try {
        LockedTextFile file(path_);
        if (new_count_ >= reports_.size() || !file.is_complete()) {
            file.rewrite(whole_file(false, true));
        } else {
            store_text::LineBuffer buffer;
            for (std::size_t i = reports_.size() - new_count_; i < reports_.size() - held; ++i)
                reports_[i]->write(buffer.out(), false);
            store_text::write_closing(buffer.out());
            file.append(buffer.bytes());
        }
        new_count_ = held;
    } catch (const bk::Exception& error) {
        log_failure(122, job_name_, {error.message()});
        throw BackupException(error.message());
    }
}

std::vector<BackupItemReport*> BackupItemReportColl::new_reports() {
    std::lock_guard guard(mutex_);
    std::vector<BackupItemReport*> out;
    for (std::size_t i = reports_.size() - std::min(new_count_, reports_.size()); i < reports_.size(); ++i)
        out.push_back(reports_[i].get());
    new_count_ = 0;
    return out;
}

std::vector<BackupItemReport*> BackupItemReportColl::reports() const {
    std::lock_guard guard(mutex_);
    std::vector<BackupItemReport*> out;
    for (const auto& report : reports_) out.push_back(report.get());
    return out;
}

void BackupItemReportColl::rename(bk::StringView new_job_name) {
    std::lock_guard guard(mutex_);
    const bk::String new_path = path_for(new_job_name);
    if (bk::File(path_).exists()) {
        try {
            bk::os::rename_entry(path_, new_path);
        } catch (const bk::IOException& error) {
            throw BackupException(bk::system_error(u"", error.error_code()));
        }
    }
    job_name_ = new_job_name;
    path_ = new_path;
}

void BackupItemReportColl::remove() {
    std::lock_guard guard(mutex_);
    reports_.clear();
    open_ = nullptr;
    new_count_ = 0;
    try {
        bk::os::remove_file(path_);
    } catch (const bk::Exception&) {
    }
}

void BackupItemReportColl::export_reports(bk::StringView path) const {
    std::lock_guard guard(mutex_);
    try {
        const std::vector<std::uint8_t> bytes = whole_file(true);
        bk::FileOutputStream out(path, bk::FileMode::Create, bk::FileShare::Read);
        out.write(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
        out.close();
    } catch (const bk::Exception& error) {
        log_failure(123, job_name_, {path, error.message()});
        throw BackupException(error.message());
    }
}

}  // namespace brim
