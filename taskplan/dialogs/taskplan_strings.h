#pragma once
// The scheduling library's texts in both languages. The scheduler's own
// messages are those of the system, told the Linux way (the cron service).
#include <cstdint>

#include "uictl/localized_strings.h"

namespace taskplan {

const uictl::LocalizedStrings& taskplan_strings();

namespace text_id {
inline constexpr std::uint32_t scheduling_error = 2000;
inline constexpr std::uint32_t start_scheduler = 2001;
inline constexpr std::uint32_t set_task_failed = 2007;
inline constexpr std::uint32_t start_in_the_past = 2009;
inline constexpr std::uint32_t cannot_set_schedule = 2012;
inline constexpr std::uint32_t start_refused = 2014;
inline constexpr std::uint32_t start_failed = 340;
// The account and the schedule editor.
inline constexpr std::uint32_t account = 2100;
inline constexpr std::uint32_t editor_title = 2110;
inline constexpr std::uint32_t kind_label = 2111;
inline constexpr std::uint32_t kind_once = 2112;  // .. 2116 in the list's order
inline constexpr std::uint32_t date_label = 2117;
inline constexpr std::uint32_t time_label = 2118;
inline constexpr std::uint32_t every_label = 2119;
inline constexpr std::uint32_t days_unit = 2120;
inline constexpr std::uint32_t weeks_unit = 2121;
inline constexpr std::uint32_t weekdays_label = 2122;
inline constexpr std::uint32_t weekday_sunday = 2123;  // .. 2129 Saturday
inline constexpr std::uint32_t month_days_label = 2130;
inline constexpr std::uint32_t catch_up = 2131;
inline constexpr std::uint32_t no_weekday = 2132;
inline constexpr std::uint32_t bad_month_days = 2133;
inline constexpr std::uint32_t bad_interval = 2134;
inline constexpr std::uint32_t ok_button = 2135;
inline constexpr std::uint32_t cancel_button = 2136;
}  // namespace text_id

}  // namespace taskplan
