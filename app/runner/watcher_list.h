#pragma once
// The task monitor's rows, one per job name, in the order their jobs first
// ran. A new run of a job replaces its old row. Lookup and insertion are
// guarded; a row's contents belong to the GUI thread.
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "app/runner/watcher_row.h"

namespace app {

class WatcherList {
public:
    // A fresh row for the job's new run, in the old row's place if any.
    WatcherRow& replace(const bk::String& job_name, brim::SessionDirection direction);
    // The job's row, or null.
    WatcherRow* find(const bk::String& job_name);
    const WatcherRow* find(const bk::String& job_name) const;
    // Removes the job's row.
    void remove(const bk::String& job_name);
    std::size_t size() const;
    // The rows in order (the pointers stay valid until the row is replaced
    // or removed).
    std::vector<WatcherRow*> rows();

private:
    mutable std::mutex mutex_;
    std::vector<std::unique_ptr<WatcherRow>> rows_;
    std::uint64_t next_serial_ = 1;
};

}  // namespace app
