#include "app/report_runs.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

#include "basekit/convertion.h"
#include "basekit/date.h"

namespace app {

RunTone tone_of(std::int32_t result) {
    switch (static_cast<brim::RunResult>(result)) {
        case brim::RunResult::successful: return RunTone::good;
        case brim::RunResult::having_warnings: return RunTone::warnings;
        case brim::RunResult::stopped:
        case brim::RunResult::stopped_with_warnings: return RunTone::stopped;
        case brim::RunResult::aborted:
        case brim::RunResult::failed: break;
    }
    return RunTone::failed;
}

brim::BackupKind kind_of(brim::ReportType type) {
    switch (type) {
        case brim::ReportType::copy: return brim::BackupKind::copy;
        case brim::ReportType::normal: return brim::BackupKind::normal;
        case brim::ReportType::increment: return brim::BackupKind::increment;
        case brim::ReportType::increment_copy: return brim::BackupKind::increment_copy;
        case brim::ReportType::merge_copy: return brim::BackupKind::merge_copy;
        case brim::ReportType::dir_copy: return brim::BackupKind::directory_copy;
        case brim::ReportType::burner: return brim::BackupKind::burner;
        case brim::ReportType::restore:
        case brim::ReportType::none: break;
    }
    return brim::BackupKind::none;
}

std::int64_t run_length(const brim::BackupItemReport& report) {
    if (report.begin_time == 0 || report.end_time <= report.begin_time) return 0;
    return report.end_time - report.begin_time;
}

bk::String duration_text(std::int64_t microseconds) {
    const std::int64_t seconds = std::max<std::int64_t>(microseconds, 0) / bk::microseconds_per_second;
    char text[32];
    std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", static_cast<long long>(seconds / 3600),
                  static_cast<long long>(seconds / 60 % 60), static_cast<long long>(seconds % 60));
    return bk::from_ansi(text);
}

std::vector<RunPoint> chart_points(const std::vector<brim::BackupItemReport>& reports, std::size_t limit) {
    std::vector<RunPoint> points;
    for (const auto& report : reports) {
        if (report.type == brim::ReportType::restore) continue;
        RunPoint point;
        point.execution_time = report.execution_time;
        point.stored_size = report.completed_size;
        point.duration = run_length(report);
        point.tone = tone_of(report.result);
        points.push_back(point);
    }
    std::stable_sort(points.begin(), points.end(),
                     [](const RunPoint& a, const RunPoint& b) { return a.execution_time < b.execution_time; });
    if (points.size() > limit) points.erase(points.begin(), points.end() - static_cast<std::ptrdiff_t>(limit));
    return points;
}

AxisScale axis_scale(std::uint64_t largest, int max_marks) {
    if (largest == 0) return {};
    const auto marks = static_cast<std::uint64_t>(std::max(max_marks, 1));
    for (std::uint64_t power = 1;; power *= 10) {
        for (const std::uint64_t factor : {1u, 2u, 5u}) {
            const std::uint64_t step = factor * power;
            const std::uint64_t count = largest / step + (largest % step != 0 ? 1 : 0);
            // A top past the largest 64-bit value is no top.
            if (count <= marks && count <= UINT64_MAX / step) return {step, count * step};
        }
        // The next power would pass the largest 64-bit value.
        if (power > UINT64_MAX / 100) return {largest, largest};
    }
}

AxisScale size_axis(std::uint64_t largest, int max_marks) {
    std::uint64_t unit = 1;
    while (largest / unit >= 1024 && unit <= UINT64_MAX / 1024 / 1024) unit *= 1024;
    const std::uint64_t in_units = largest / unit + (largest % unit != 0 ? 1 : 0);
    const AxisScale scale = axis_scale(in_units, max_marks);
    if (scale.top > UINT64_MAX / unit) return axis_scale(largest, max_marks);
    return {scale.step * unit, scale.top * unit};
}

}  // namespace app
