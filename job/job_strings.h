#pragma once
// The job dialogs library's string table in both languages.
#include <cstdint>

#include <QString>

#include "uictl/localized_strings.h"

namespace job {

const uictl::LocalizedStrings& job_strings();
// An entry in the GUI's current language, for a widget.
QString job_text(std::uint32_t id);

namespace text_id {
// Messages of the checks of a new job.
inline constexpr std::uint32_t nothing_to_restore = 133;
inline constexpr std::uint32_t bad_job_name = 164;
// The security kinds (228 and 3085 with 3010, 3014, 3016 below).
inline constexpr std::uint32_t security_none = 228;
inline constexpr std::uint32_t bad_destination = 192;
inline constexpr std::uint32_t relative_destination = 193;
inline constexpr std::uint32_t no_next_run = 236;
inline constexpr std::uint32_t set_path_too_long = 242;
inline constexpr std::uint32_t job_name_too_long = 390;
// Descriptions of the backup kinds.
inline constexpr std::uint32_t copy_description = 288;
inline constexpr std::uint32_t normal_description = 289;
inline constexpr std::uint32_t increment_description = 416;
inline constexpr std::uint32_t increment_copy_description = 3088;
inline constexpr std::uint32_t merge_copy_description = 3089;
// Next-run texts of tasks that start on an event.
inline constexpr std::uint32_t when_idle = 321;
inline constexpr std::uint32_t at_system_start = 322;
inline constexpr std::uint32_t at_logon = 438;
// The option sheets' titles.
inline constexpr std::uint32_t new_job_options_title = 3005;
inline constexpr std::uint32_t job_options_title = 3007;
inline constexpr std::uint32_t security_xor = 3010;
inline constexpr std::uint32_t security_panama = 3014;
inline constexpr std::uint32_t security_rijndael = 3016;
// A typed password and its confirmation: the faults and their box's title.
inline constexpr std::uint32_t password_length = 3019;
inline constexpr std::uint32_t password_mismatch = 3025;
inline constexpr std::uint32_t password_fault_title = 3030;
// Names of the backup kinds.
inline constexpr std::uint32_t copy_name = 3049;
inline constexpr std::uint32_t normal_name = 3050;
inline constexpr std::uint32_t increment_name = 3051;
inline constexpr std::uint32_t merge_copy_name = 3086;
inline constexpr std::uint32_t increment_copy_name = 3087;
// Descriptions of the archive file types.
inline constexpr std::uint32_t set_file_type = 3078;
inline constexpr std::uint32_t volume_file_type = 3079;
inline constexpr std::uint32_t catalogue_file_type = 3080;
// Failures of a job's password operations.
inline constexpr std::uint32_t cannot_add_password = 3082;
inline constexpr std::uint32_t cannot_change_password = 3083;
inline constexpr std::uint32_t cannot_remove_password = 3084;
inline constexpr std::uint32_t security_password_only = 3085;
// The combination rule: its types, labels, hints, errors and sentences.
inline constexpr std::uint32_t rule_fixed_interval = 3090;
inline constexpr std::uint32_t rule_weekly = 3091;
inline constexpr std::uint32_t rule_monthly = 3092;
inline constexpr std::uint32_t rule_combined_with = 3093;
inline constexpr std::uint32_t rule_run_to_replace = 3094;
inline constexpr std::uint32_t rule_count_hint = 3095;
inline constexpr std::uint32_t rule_day_hint = 3096;
inline constexpr std::uint32_t rule_count_range = 3097;
inline constexpr std::uint32_t rule_weeks_range = 3098;
inline constexpr std::uint32_t rule_day_range = 3099;
inline constexpr std::uint32_t rule_every_count = 3100;
inline constexpr std::uint32_t rule_monthly_sentence = 3101;
inline constexpr std::uint32_t rule_day_separator = 3102;
inline constexpr std::uint32_t rule_every_week = 3103;
inline constexpr std::uint32_t rule_every_weeks = 3104;
inline constexpr std::uint32_t sunday = 3105;  // Monday 3106 ... Saturday 3111
inline constexpr std::uint32_t rule_never = 3112;
// An existing job cannot change between merge copy and the other copy kinds.
inline constexpr std::uint32_t cannot_switch_to_merge_copy = 3139;
inline constexpr std::uint32_t cannot_switch_from_merge_copy = 3140;
// Texts of this system's own: the rule dialog's title and fields, the open
// action of the archive file types.
inline constexpr std::uint32_t rule_dialog_title = 3300;
inline constexpr std::uint32_t rule_count_label = 3301;
inline constexpr std::uint32_t rule_weeks_label = 3302;
inline constexpr std::uint32_t rule_days_label = 3303;
inline constexpr std::uint32_t rule_day_label = 3304;
inline constexpr std::uint32_t open_with_program = 3305;
// The extension filter editor of the wizard and of the option sheets.
inline constexpr std::uint32_t filter_use_sheet = 3400;
inline constexpr std::uint32_t filter_use_wizard = 3401;
inline constexpr std::uint32_t filter_exclude = 3402;
inline constexpr std::uint32_t filter_include_only = 3403;
inline constexpr std::uint32_t filter_include = 3404;
inline constexpr std::uint32_t filter_add = 3405;
inline constexpr std::uint32_t filter_remove = 3406;
inline constexpr std::uint32_t filter_remove_all = 3407;
inline constexpr std::uint32_t filter_extension_column = 3408;
inline constexpr std::uint32_t filter_description_column = 3409;
inline constexpr std::uint32_t filter_add_title = 3410;
inline constexpr std::uint32_t filter_extension_label = 3411;
inline constexpr std::uint32_t filter_description_label = 3412;
inline constexpr std::uint32_t filter_bad_extension = 3413;
// The option sheets' pages and controls.
inline constexpr std::uint32_t sheet_general_page = 3414;
inline constexpr std::uint32_t sheet_advanced_page = 3415;
inline constexpr std::uint32_t sheet_read_write_page = 3416;
inline constexpr std::uint32_t sheet_kind_label = 3417;
inline constexpr std::uint32_t sheet_existing_set_group = 3418;
inline constexpr std::uint32_t sheet_append = 3419;
inline constexpr std::uint32_t sheet_replace = 3420;
inline constexpr std::uint32_t sheet_misc_group = 3421;
inline constexpr std::uint32_t sheet_verify = 3422;
inline constexpr std::uint32_t sheet_notify = 3423;
inline constexpr std::uint32_t sheet_about_kinds = 3424;
inline constexpr std::uint32_t sheet_merge_vs_increment = 3425;
inline constexpr std::uint32_t sheet_security_group = 3426;
inline constexpr std::uint32_t sheet_security_label = 3427;
inline constexpr std::uint32_t sheet_password_label = 3428;
inline constexpr std::uint32_t sheet_confirm_label = 3429;
inline constexpr std::uint32_t sheet_open_files_group = 3430;
inline constexpr std::uint32_t sheet_open_file_retry = 3431;
inline constexpr std::uint32_t sheet_combine_rule = 3432;
inline constexpr std::uint32_t burner_page = 3433;
inline constexpr std::uint32_t burner_drive_label = 3434;
inline constexpr std::uint32_t burner_close_disc = 3435;
inline constexpr std::uint32_t burner_eject = 3436;
inline constexpr std::uint32_t burner_underrun = 3437;
inline constexpr std::uint32_t burner_filter_page = 3438;
inline constexpr std::uint32_t burner_drive_hint = 3439;
}  // namespace text_id

}  // namespace job
