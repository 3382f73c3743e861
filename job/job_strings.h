#pragma once
// The job dialogs library's string table in both languages.
#include <cstdint>

#include "uictl/localized_strings.h"

namespace job {

const uictl::LocalizedStrings& job_strings();

namespace text_id {
// Messages of the checks of a new job.
inline constexpr std::uint32_t nothing_to_restore = 133;
inline constexpr std::uint32_t bad_job_name = 164;
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
// Texts of this system's own: the rule dialog's title and fields, the open
// action of the archive file types.
inline constexpr std::uint32_t rule_dialog_title = 3300;
inline constexpr std::uint32_t rule_count_label = 3301;
inline constexpr std::uint32_t rule_weeks_label = 3302;
inline constexpr std::uint32_t rule_days_label = 3303;
inline constexpr std::uint32_t rule_day_label = 3304;
inline constexpr std::uint32_t open_with_program = 3305;
// The restore wizard: its messages, page headers, summary words and
// fields.
inline constexpr std::uint32_t cannot_open_suffix = 146;
inline constexpr std::uint32_t nothing_selected = 195;
inline constexpr std::uint32_t archive_file_filter = 296;
inline constexpr std::uint32_t message_with_job = 356;
inline constexpr std::uint32_t cannot_open_archive = 436;
inline constexpr std::uint32_t original_place = 3023;
inline constexpr std::uint32_t archive_title = 3039;     // 3040 its subtitle
inline constexpr std::uint32_t data_title = 3041;        // 3042
inline constexpr std::uint32_t target_title = 3043;      // 3044
inline constexpr std::uint32_t existing_title = 3045;    // 3046
inline constexpr std::uint32_t dates_title = 3047;       // 3048
inline constexpr std::uint32_t archive_job_name = 3058;
inline constexpr std::uint32_t archive_job_kind = 3059;
inline constexpr std::uint32_t archive_job_created = 3060;
inline constexpr std::uint32_t skip_files = 3064;
inline constexpr std::uint32_t ask_user = 3065;
inline constexpr std::uint32_t always_replace = 3066;
inline constexpr std::uint32_t replace_older = 3067;
inline constexpr std::uint32_t yes = 3068;
inline constexpr std::uint32_t no = 3069;
inline constexpr std::uint32_t source_title = 3072;      // 3073
inline constexpr std::uint32_t job_list_title = 3074;    // 3075
inline constexpr std::uint32_t incomplete_catalogue = 3141;
inline constexpr std::uint32_t restore_caption = 3360;
inline constexpr std::uint32_t restore_welcome_title = 3361;
inline constexpr std::uint32_t restore_welcome_text = 3362;
inline constexpr std::uint32_t from_archive = 3363;
inline constexpr std::uint32_t from_job = 3364;
inline constexpr std::uint32_t column_job_name = 3365;
inline constexpr std::uint32_t column_kind = 3366;
inline constexpr std::uint32_t column_destination = 3367;
inline constexpr std::uint32_t archive_file_label = 3368;
inline constexpr std::uint32_t browse_w = 3369;
inline constexpr std::uint32_t to_original_place = 3370;
inline constexpr std::uint32_t to_another_place = 3371;
inline constexpr std::uint32_t choose_skip = 3372;       // 3373 ask, 3374 replace, 3375 older
inline constexpr std::uint32_t choose_touch = 3376;
inline constexpr std::uint32_t choose_keep_structure = 3377;
inline constexpr std::uint32_t choose_drive_folder = 3378;
inline constexpr std::uint32_t drive_folder_note = 3379;
inline constexpr std::uint32_t summary_title = 3380;
inline constexpr std::uint32_t summary_finish = 3381;
inline constexpr std::uint32_t summary_advanced_hint = 3382;
inline constexpr std::uint32_t advanced = 3383;
inline constexpr std::uint32_t summary_job = 3384;       // 3385 ... 3390 the other labels
inline constexpr std::uint32_t volume_title = 3391;
inline constexpr std::uint32_t volume_prompt = 3392;
inline constexpr std::uint32_t browse_b = 3393;
inline constexpr std::uint32_t job_is_running = 3394;
inline constexpr std::uint32_t no_target = 3395;
inline constexpr std::uint32_t back_button = 3396;  // 3397 next, 3398 finish
}  // namespace text_id

}  // namespace job
