#pragma once
// A scheduled start on a machine without a display: the job runs with no
// window, under the unattended rules, writing the same report and log as
// in the window; the process ends with the status brimvault-cli run gives.
#include <cstdint>

namespace app {

// No display to show a window on: neither DISPLAY nor WAYLAND_DISPLAY is
// set, or Qt is told to draw off screen.
bool display_missing();

// Runs the backup of job `job_id` and returns the exit status: the run's
// result (0 successful ... 5 failed; 5 also when the destination's check
// refused it), 65 for a job that does not exist or is no longer scheduled,
// 70 when the run cannot start, 75 when another process holds the data and
// does not take the job. Needs a QCoreApplication.
int run_headless_backup(std::int32_t job_id);

}  // namespace app
