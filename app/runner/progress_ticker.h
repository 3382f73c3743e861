#pragma once
// The arithmetic of a running row's once-a-second progress: the elapsed
// time, the files and bytes counted since the last tick moved into the done
// totals, the percent of the total bytes (never above 100), the rate and
// the time left. Plain data; the row's timer calls tick().
#include <cstdint>

#include "basekit/types.h"

namespace app {

class ProgressTicker {
public:
    // The totals the scan found.
    void set_totals(std::uint32_t files, std::uint64_t bytes);
    // What the run reports between ticks.
    void count_file() { ++pending_files_; }
    void count_bytes(std::uint64_t bytes) { pending_bytes_ += bytes; }

    // One second more, and the counted work into the done totals.
    void tick();
    // The counted work into the done totals without a second more (the
    // last update when the run ends).
    void settle();

    std::uint32_t seconds() const { return seconds_; }
    std::uint32_t files_done() const { return files_done_; }
    std::uint64_t bytes_done() const { return bytes_done_; }
    std::uint64_t bytes_total() const { return bytes_total_; }
    std::uint32_t files_total() const { return files_total_; }

    // "00:00:00" before the first tick; then hours unpadded, minutes and
    // seconds of two digits: "1:02:05".
    bk::String elapsed_text() const;
    // The whole percent of the bytes done, capped at 100: "42%".
    int percent() const;
    bk::String percent_text() const;
    // Bytes per second over the elapsed time; 0 before the first tick.
    std::uint64_t rate() const;
    // Seconds left at the rate so far; -1 while unknown (no rate yet).
    std::int64_t seconds_left() const;

    // A number of seconds as "h:mm:ss".
    static bk::String clock_text(std::uint32_t seconds);

private:
    std::uint32_t seconds_ = 0;
    std::uint32_t files_total_ = 0;
    std::uint64_t bytes_total_ = 0;
    std::uint32_t files_done_ = 0;
    std::uint64_t bytes_done_ = 0;
    std::uint32_t pending_files_ = 0;
    std::uint64_t pending_bytes_ = 0;
};

}  // namespace app
