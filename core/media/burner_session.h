#pragma once
// What a burner run needs of the backup session that drives it: the job,
// the stop flag, the scan of the sources, the listener events and the
// report's counters. The backup session implements it; tests implement it
// with a recording fake.
#include <cstdint>
#include <vector>

#include "basekit/types.h"
#include "core/archive/data_header.h"
#include "core/jobs/backup_item.h"

namespace brim {

class BurnerSession {
public:
    virtual ~BurnerSession() = default;

    virtual const BackupItem& job() const = 0;
    [[nodiscard]] virtual bool has_stopped() const = 0;

    // Scans the job's sources into a tree and gives its top items (directory
    // and file sources, carrying their full paths); the session owns them
    // for the rest of the run. Returns false when the session was stopped
    // during the scan; throws when the scan fails.
    virtual bool scan_sources(std::vector<const DataHeader*>& roots) = 0;

    // Listener events (the session also keeps the report and the log).
    virtual void end_parse(std::uint32_t files, std::uint32_t directories, std::uint64_t size) = 0;
    virtual void on_message(const bk::String& text) = 0;
    // The session's warning helper: listener, log, report, result 1.
    virtual void warning(const bk::String& text) = 0;
    // The session's error helper with the finished text: log, report, on_error.
    virtual void error(const bk::String& text) = 0;
    virtual void on_file(const bk::String& path) = 0;
    virtual void on_size(std::uint32_t bytes) = 0;
    virtual void verify_file(const bk::String& path) = 0;

    // The report's completed files and size.
    virtual void add_completed(std::uint32_t files, std::uint64_t bytes) = 0;
};

}  // namespace brim
