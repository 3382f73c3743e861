#include "app/runner/watcher_list.h"

#include <algorithm>

namespace app {

WatcherRow& WatcherList::replace(const bk::String& job_name, brim::SessionDirection direction) {
    std::lock_guard lock(mutex_);
    auto row = std::make_unique<WatcherRow>(job_name, direction, next_serial_++);
    WatcherRow& fresh = *row;
    const auto old = std::find_if(rows_.begin(), rows_.end(), [&](const auto& r) { return r->job_name() == job_name; });
    if (old != rows_.end()) *old = std::move(row);
    else rows_.push_back(std::move(row));
    return fresh;
}

WatcherRow* WatcherList::find(const bk::String& job_name) {
    std::lock_guard lock(mutex_);
    for (const auto& row : rows_)
        if (row->job_name() == job_name) return row.get();
    return nullptr;
}

const WatcherRow* WatcherList::find(const bk::String& job_name) const {
    return const_cast<WatcherList*>(this)->find(job_name);
}

void WatcherList::remove(const bk::String& job_name) {
    std::lock_guard lock(mutex_);
    std::erase_if(rows_, [&](const auto& r) { return r->job_name() == job_name; });
}

std::size_t WatcherList::size() const {
    std::lock_guard lock(mutex_);
    return rows_.size();
}

std::vector<WatcherRow*> WatcherList::rows() {
    std::lock_guard lock(mutex_);
    std::vector<WatcherRow*> all;
    for (const auto& row : rows_) all.push_back(row.get());
    return all;
}

}  // namespace app
