#pragma once
// The program's own string table (start-up, command line, quitting) in both
// languages. The task monitor's texts live in the runner's table.
#include <cstdint>

#include "uictl/localized_strings.h"

namespace app {

const uictl::LocalizedStrings& app_strings();

namespace app_text {
inline constexpr std::uint32_t wrong_archive_password = 131;
inline constexpr std::uint32_t started = 205;
inline constexpr std::uint32_t stop_jobs_title = 316;
inline constexpr std::uint32_t stop_one_job = 318;
inline constexpr std::uint32_t stop_jobs = 319;
inline constexpr std::uint32_t store_damaged_repair = 320;
inline constexpr std::uint32_t started_by_schedule = 361;
inline constexpr std::uint32_t store_damaged_load_copy = 366;
inline constexpr std::uint32_t tour_failed = 375;
inline constexpr std::uint32_t cannot_open_archive = 436;
// Texts of this system's own.
inline constexpr std::uint32_t program_title = 800;
inline constexpr std::uint32_t welcome_title = 801;
inline constexpr std::uint32_t held_elsewhere = 802;
inline constexpr std::uint32_t splash_line = 803;
inline constexpr std::uint32_t overdue_title = 805;
inline constexpr std::uint32_t overdue_text = 806;
inline constexpr std::uint32_t no_wizard_yet = 807;
inline constexpr std::uint32_t jobs_title = 808;
inline constexpr std::uint32_t column_job = 809;
inline constexpr std::uint32_t column_kind = 810;
inline constexpr std::uint32_t column_destination = 811;
inline constexpr std::uint32_t column_state = 812;
inline constexpr std::uint32_t column_last_run = 813;
inline constexpr std::uint32_t column_next_run = 814;
inline constexpr std::uint32_t action_backup = 815;
inline constexpr std::uint32_t action_exit = 816;
inline constexpr std::uint32_t action_show = 817;
inline constexpr std::uint32_t name_taken = 818;
inline constexpr std::uint32_t close_button = 819;
}  // namespace app_text

}  // namespace app
