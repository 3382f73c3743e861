#pragma once
// One entry of the system log, and its line in the log file, the report
// files and the log's export files.
#include <cstdint>

#include "basekit/types.h"

namespace brim {

enum class LogType : std::int32_t { debug = 0, information = 1, warning = 2, error = 3, fatal_error = 4, none = 5 };

// "Debug", "Information", "Warning", "Error", "Fatal error"; "" for none.
bk::StringView log_type_name(LogType type);
// The type whose name matches `text` in all but the name's last character;
// none when no name does.
LogType log_type_from_name(bk::StringView text);

// The export formats of the log (the job store numbers its own the other way round).
enum class LogFileFormat : std::int32_t { xml = 0, text = 1 };

struct LogItem {
    LogType type = LogType::none;
    bool from_system = false;  // true: the source is the system; false: a job
    bk::String source;         // "System", or the job's name
    std::int64_t time = 0;     // microseconds since 1970 UTC
    bk::String description;
    bk::String user;

    // "System", or "Job '" + name + "'": the source as files show it.
    bk::String source_text() const;
    friend bool operator==(const LogItem&, const LogItem&) = default;
};

// The text without its CR and LF characters.
bk::String strip_line_breaks(bk::StringView text);

// How an entry's time is written: the decimal microsecond count (log and
// report files) or the date text of the current locale (exports).
enum class TimeForm { decimal, date_text };

// The entry's line: `indent` TABs, then <log> with its five elements. Values
// are escaped; the description loses its line breaks.
bk::String log_line(const LogItem& item, int indent, TimeForm form);
// Reads a line written by log_line. Throws BackupException(104) when the
// tags are not the expected ones in order or the time cannot be read.
LogItem parse_log_line(bk::StringView line, TimeForm form);
// The source field as files hold it, back into source and from-system.
void set_source_from_text(LogItem& item, bk::StringView text);
// The time field back into microseconds; BackupException(104) when unreadable.
std::int64_t parse_log_time(bk::StringView text, TimeForm form);

}  // namespace brim
