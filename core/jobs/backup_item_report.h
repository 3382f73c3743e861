#pragma once
// The report of one run of a job: what kind of run, when, how much was found
// and done, how it ended, and the log entries the run produced; with its
// block in the report file and in report exports.
#include <cstdint>
#include <memory>
#include <vector>

#include "basekit/data_stream.h"
#include "basekit/types.h"
#include "core/jobs/log_item.h"

namespace brim {

enum class ReportType : std::int32_t {
    copy = 0,
    normal = 1,
    increment = 2,
    increment_copy = 3,
    merge_copy = 4,
    dir_copy = 5,
    restore = 6,
    burner = 7,
    none = 8,  // not yet given a type
};

enum class RunResult : std::int32_t {
    successful = 0,
    having_warnings = 1,
    stopped = 2,
    stopped_with_warnings = 3,
    aborted = 4,
    failed = 5,
};

// The names the files store; "" for none or a value out of range.
bk::StringView report_type_name(ReportType type);
bk::StringView run_result_name(std::int32_t result);

class BackupItemReport final {
public:
    BackupItemReport(ReportType type, std::int64_t execution_time);
    // Copies the entries.
    BackupItemReport(const BackupItemReport& other);
    BackupItemReport& operator=(const BackupItemReport&) = delete;

    std::int64_t execution_time;  // when the report was made
    std::int64_t begin_time = 0;
    std::int64_t end_time = 0;
    std::uint64_t original_size = 0;
    std::uint32_t original_files = 0;
    std::uint32_t original_dirs = 0;
    std::uint64_t completed_size = 0;
    std::uint32_t completed_files = 0;
    std::uint32_t completed_dirs = 0;
    std::int32_t result = static_cast<std::int32_t>(RunResult::failed);
    ReportType type;

    // Appends a copy of the entry (the caller keeps its own); null does nothing.
    void add_log(const LogItem* item);
    // The entries, owned by the report.
    std::vector<const LogItem*> log_items() const;

    // The report's block: decimal times in the store form, date and time
    // texts in the export form.
    void write(bk::DataOutputStream& out, bool export_form) const;
    // Reads a block in the store form. Throws BackupException(120) for any
    // deviation from it, including the end of the data.
    static std::unique_ptr<BackupItemReport> read(bk::DataInputStream& in);

private:
    std::vector<std::unique_ptr<LogItem>> logs_;
};

}  // namespace brim
