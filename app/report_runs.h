#pragma once
// What the report view shows of one job: its runs, newest first, and the
// bars of its chart (stored size and duration per backup run, coloured by
// how the run ended), with the axis marks that fit them. Plain values, so
// that the view only paints them.
#include <cstdint>
#include <vector>

#include "basekit/types.h"
#include "core/jobs/backup_item_report.h"
#include "core/jobs/backup_kind.h"

namespace app {

// How a run ended, as the chart colours it.
enum class RunTone : std::uint8_t { good, warnings, stopped, failed };

// Successful → good; having warnings → warnings; stopped and stopped with
// warnings → stopped; aborted, failed and any unknown value → failed.
RunTone tone_of(std::int32_t result);

// The kind of backup a report's run made; none for a restore or a report
// without a type.
brim::BackupKind kind_of(brim::ReportType type);

// How long the run took, in microseconds; 0 for a run cut off before its
// end (or timed by a clock set back).
std::int64_t run_length(const brim::BackupItemReport& report);

// A run's length as "h:mm:ss" (hours grow past 99); a negative length is 0.
bk::String duration_text(std::int64_t microseconds);

struct RunPoint {
    std::int64_t execution_time = 0;
    std::uint64_t stored_size = 0;  // what the run wrote
    std::int64_t duration = 0;      // microseconds, 0 when the run has no end
    RunTone tone = RunTone::failed;
};

// The chart's bars, oldest first: the backup runs only (a restore stores
// nothing), at most `limit` of the newest.
std::vector<RunPoint> chart_points(const std::vector<brim::BackupItemReport>& reports, std::size_t limit = 30);

// The marks of a value axis from 0: `step` is 1, 2 or 5 times a power of
// ten, `top` the smallest multiple of it at or above the largest value, so
// that at most `max_marks` steps reach it. A largest value of 0 gives the
// axis 0..1 in one step.
struct AxisScale {
    std::uint64_t step = 1;
    std::uint64_t top = 1;
};
AxisScale axis_scale(std::uint64_t largest, int max_marks = 5);
// The same for a byte count, in steps of whole KB, MB, GB or TB (the unit
// of the largest value), so that the marks read as round sizes.
AxisScale size_axis(std::uint64_t largest, int max_marks = 5);

}  // namespace app
