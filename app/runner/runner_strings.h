#pragma once
// The job runner's string table in both languages: the states and texts of
// the task monitor, the refusals before a run and the questions about the
// destination's set.
#include <cstdint>

#include "uictl/localized_strings.h"

namespace app {

const uictl::LocalizedStrings& runner_strings();

namespace text_id {
// Output lines of a run.
inline constexpr std::uint32_t parse_totals = 108;
inline constexpr std::uint32_t warning_line = 175;
inline constexpr std::uint32_t error_line = 176;
inline constexpr std::uint32_t analysing_sources = 178;
inline constexpr std::uint32_t analysing_catalogue = 183;
inline constexpr std::uint32_t run_header = 187;
inline constexpr std::uint32_t verified_line = 188;
inline constexpr std::uint32_t backed_up_line = 373;
inline constexpr std::uint32_t restored_line = 374;
inline constexpr std::uint32_t old_data_deleted_line = 380;
inline constexpr std::uint32_t message_line = 582;
inline constexpr std::uint32_t backup_word = 283;
inline constexpr std::uint32_t restore_word = 140;
// States of a row.
inline constexpr std::uint32_t state_backing_up = 153;
inline constexpr std::uint32_t state_restoring = 158;
inline constexpr std::uint32_t state_stopped = 159;
inline constexpr std::uint32_t state_verifying = 218;
inline constexpr std::uint32_t state_running = 307;
inline constexpr std::uint32_t state_ready = 310;
inline constexpr std::uint32_t state_deleting = 341;
inline constexpr std::uint32_t state_paused = 342;
inline constexpr std::uint32_t state_analysing = 379;
inline constexpr std::uint32_t state_terminated = 414;
inline constexpr std::uint32_t state_finished = 431;
// Refusals before a run.
inline constexpr std::uint32_t job_being_modified = 117;
inline constexpr std::uint32_t wrong_password = 118;
inline constexpr std::uint32_t job_running = 297;
inline constexpr std::uint32_t too_many_runs = 343;
inline constexpr std::uint32_t message_with_job = 356;
// The destination's set.
inline constexpr std::uint32_t cannot_back_up = 256;
inline constexpr std::uint32_t floppy_title = 298;
inline constexpr std::uint32_t floppy_warning = 299;
inline constexpr std::uint32_t clears_foreign = 300;
inline constexpr std::uint32_t replaces_incomplete = 301;
inline constexpr std::uint32_t replace_set_title = 302;
inline constexpr std::uint32_t replaces_set = 303;
inline constexpr std::uint32_t append_title = 429;
inline constexpr std::uint32_t append_mode = 430;
// The replace dialog.
inline constexpr std::uint32_t folder_holds_file = 348;
inline constexpr std::uint32_t file_details = 349;
// Texts of this system's own: the monitor's columns, buttons and progress,
// the password dialog and the replace dialog's words.
inline constexpr std::uint32_t column_job = 700;
inline constexpr std::uint32_t column_state = 701;
inline constexpr std::uint32_t column_total_files = 702;
inline constexpr std::uint32_t column_total_size = 703;
inline constexpr std::uint32_t column_files_done = 704;
inline constexpr std::uint32_t column_size_done = 705;
inline constexpr std::uint32_t column_percent = 706;
inline constexpr std::uint32_t column_elapsed = 707;
inline constexpr std::uint32_t stop_button = 708;
inline constexpr std::uint32_t pause_button = 709;
inline constexpr std::uint32_t resume_button = 710;
inline constexpr std::uint32_t rate = 711;
inline constexpr std::uint32_t time_left = 712;
inline constexpr std::uint32_t time_left_unknown = 713;
inline constexpr std::uint32_t password_title = 714;
inline constexpr std::uint32_t password_prompt = 715;
inline constexpr std::uint32_t replace_title = 716;
inline constexpr std::uint32_t replace_existing = 717;
inline constexpr std::uint32_t replace_apply_to_all = 718;
inline constexpr std::uint32_t replace_with = 719;
}  // namespace text_id

}  // namespace app
