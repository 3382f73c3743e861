#pragma once
// The reports of one job, in memory and in its report file (the job's name
// + ".log" in the reports directory), trimmed to the store's limit. The job
// owns its collection. Any thread may use it: a mutex guards the reports
// and the file within the process, and each change of the file holds an
// advisory lock on it against other processes. The report of a run in
// progress is open: its run alone writes it, and it is neither saved nor
// copied out until the run closes it.
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

#include "basekit/types.h"
#include "core/jobs/backup_item_report.h"

namespace brim {

class BackupItemReportColl final {
public:
    static constexpr std::uint32_t default_limit = 60;

    // Names the report file; nothing is read. A failure (the reports
    // directory cannot be made) logs message 119 for the job and throws
    // BackupException with the failure's message.
    explicit BackupItemReportColl(bk::StringView job_name, std::uint32_t limit = default_limit);
    BackupItemReportColl(const BackupItemReportColl&) = delete;
    BackupItemReportColl& operator=(const BackupItemReportColl&) = delete;

    // The name + this suffix is where a damaged report file is kept.
    static constexpr char16_t damaged_suffix[] = u"bak";

    // Reads the report file, when it exists and is not empty, keeping the
    // newest `limit` reports. A damaged file (a report or the frame that
    // does not read): it is copied aside to its name + "bak", rewritten from
    // the reports read before the damage, and messages 120 and 521 are
    // logged as warnings; the load goes on. Any other failure: the same
    // rewrite, message 121 logged, BackupException with the failure's message.
    void load();
    // A new report of that type, made now with the result "Failed", appended;
    // at the limit the oldest report goes and the next save rewrites the file.
    // With `open` it is the report of a run in progress until close().
    BackupItemReport* create_report(ReportType type, bool open = false);
    // The run of an open report has ended: the next save writes it.
    void close(const BackupItemReport* report);
    // Writes the reports not yet in the file (rewriting the file when all are
    // new or the file is not complete), all but an open report, which a later
    // save writes. Logs message 122 and throws BackupException on failure.
    void save();
    void save(BackupItemReport*) {}
    // The reports not yet handed out here, oldest first; the count becomes 0.
    std::vector<BackupItemReport*> new_reports();
    // The reports themselves, for the thread that owns the job while no run
    // of it goes on.
    std::vector<BackupItemReport*> reports() const;
    // Copies of the reports whose runs have ended, oldest first: what
    // another thread reads while runs go on.
    std::vector<BackupItemReport> copies() const;
    std::size_t report_size() const;
    bool empty() const { return report_size() == 0; }
    const bk::String& log_file() const { return path_; }
    const bk::String& job_name() const { return job_name_; }
    void limit(std::uint32_t limit) { limit_ = limit; }
    std::uint32_t limit() const { return limit_; }
    // The file is moved to the new name's path when it exists. Throws
    // BackupException with the platform's message when the move fails.
    void rename(bk::StringView new_job_name);
    // Destroys all reports and deletes the file; never throws.
    void remove();
    // Writes every report in the export form to `path`. Logs message 123
    // and throws BackupException on failure.
    void export_reports(bk::StringView path) const;

private:
    static bk::String path_for(bk::StringView job_name);
    std::vector<std::uint8_t> whole_file(bool export_form, bool closed_only = false) const;
    void read_file();
    void repair();
    void trim();

    bk::String job_name_;
    bk::String path_;
    std::deque<std::unique_ptr<BackupItemReport>> reports_;
    std::size_t new_count_ = 0;
    std::uint32_t limit_;
    const BackupItemReport* open_ = nullptr;  // the last report while its run goes on
    mutable std::recursive_mutex mutex_;
};

}  // namespace brim
