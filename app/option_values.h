#pragma once
// What the options dialog edits, read from and written to the user's
// options: the general page (deletions confirmed, tray, hidden scheduled
// runs, safety copies, volume size), the defaults of new backup jobs and
// of restores, and the reports kept per job. Written values the job store
// uses reach it at once.
#include <cstdint>
#include <optional>

namespace job {
class CSystemOption;
}

namespace app {

// The volume sizes offered, by position: 640, 4400, 4802, then 256 ... 3840
// in steps of 256, then no limit.
inline constexpr int volume_size_positions = 19;
inline constexpr std::uint32_t no_volume_limit = 0xFFFFFFFF;
std::uint32_t volume_size_at(int position);
// The position a stored size shows at; 13 for a size not offered.
int volume_size_position(std::uint32_t megabytes);

// Restore defaults: what happens to an existing file, and the folders.
inline constexpr std::uint32_t restore_policy_mask = 0x70;  // 0x10 skip, 0x20 ask, 0x30 replace, 0x40 older
inline constexpr std::uint32_t restore_keep_folders = 0x04;
inline constexpr std::uint32_t restore_drive_folder = 0x08;  // only with the folders kept

struct OptionValues {
    bool confirm_deletions = true;
    bool minimize_to_tray = false;
    bool scheduled_runs_hidden = false;
    bool safety_copies = true;
    std::uint32_t safety_copy_days = 15;
    int volume_position = 13;
    int backup_kind = 2;
    bool append = false;
    bool notify = false;
    bool verify = false;
    std::uint32_t restore_policy = 0x20;
    bool keep_folders = true;
    bool drive_folder = false;
    std::uint32_t reports_per_job = 60;
};

// The values as the options hold them now.
OptionValues read_option_values(const job::CSystemOption& options);
// The values the defaults button gives every page: `current` with the
// safety copies, volume size, confirmations, default kind, restore choice
// and report limit set back.
OptionValues default_option_values(const OptionValues& current);

enum class OptionError { safety_copy_days };

// Writes the values (the never-show marks and the report limit at once,
// the rest when the options are saved) and hands the volume size and the
// report limit to the job store and its open report collections. Nothing
// is written when a value is out of range.
std::optional<OptionError> apply_option_values(const OptionValues& values, job::CSystemOption& options);

}  // namespace app
