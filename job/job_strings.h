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
inline constexpr std::uint32_t summary_job = 3384;       // 3385 ... 3390 the other labels
inline constexpr std::uint32_t volume_title = 3391;
inline constexpr std::uint32_t volume_prompt = 3392;
inline constexpr std::uint32_t browse_b = 3393;
inline constexpr std::uint32_t job_is_running = 3394;
inline constexpr std::uint32_t no_target = 3395;
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
// The backup wizard: its messages, page headers and texts.
inline constexpr std::uint32_t nothing_chosen = 151;
inline constexpr std::uint32_t job_name_placeholder = 155;
inline constexpr std::uint32_t enter_job_name = 156;
inline constexpr std::uint32_t job_name_taken = 163;
inline constexpr std::uint32_t task_not_created = 202;
inline constexpr std::uint32_t task_not_edited = 203;
inline constexpr std::uint32_t set_password_wrong = 255;
inline constexpr std::uint32_t clear_existing_set = 444;
inline constexpr std::uint32_t sources_title = 3024;
inline constexpr std::uint32_t name_title = 3026;
inline constexpr std::uint32_t name_subtitle = 3027;
inline constexpr std::uint32_t options_title = 3028;
inline constexpr std::uint32_t kind_title = 3029;
inline constexpr std::uint32_t kind_subtitle = 3031;
inline constexpr std::uint32_t options_subtitle = 3032;
inline constexpr std::uint32_t save_mode_title = 3033;
inline constexpr std::uint32_t save_mode_subtitle = 3034;
inline constexpr std::uint32_t security_title = 3035;
inline constexpr std::uint32_t security_subtitle = 3036;
inline constexpr std::uint32_t filter_title = 3037;
inline constexpr std::uint32_t filter_subtitle = 3038;
inline constexpr std::uint32_t sources_subtitle = 3062;
inline constexpr std::uint32_t schedule_title = 3070;
inline constexpr std::uint32_t schedule_subtitle = 3071;
inline constexpr std::uint32_t open_files_title = 3116;
inline constexpr std::uint32_t open_files_subtitle = 3117;
inline constexpr std::uint32_t choose_destination = 3133;
inline constexpr std::uint32_t wizard_caption = 3500;
inline constexpr std::uint32_t welcome_title = 3501;
inline constexpr std::uint32_t welcome_text = 3502;
inline constexpr std::uint32_t sources_hint = 3503;
inline constexpr std::uint32_t sources_choice = 3504;
inline constexpr std::uint32_t name_label = 3505;
inline constexpr std::uint32_t destination_label = 3506;
inline constexpr std::uint32_t browse = 3507;
inline constexpr std::uint32_t destination_hint = 3508;
inline constexpr std::uint32_t bad_ftp_destination = 3509;
inline constexpr std::uint32_t enter_password_title = 3510;
inline constexpr std::uint32_t ftp_password_prompt = 3511;
inline constexpr std::uint32_t set_password_prompt = 3512;
inline constexpr std::uint32_t finish_runs_now = 3513;
inline constexpr std::uint32_t advanced = 3514;
inline constexpr std::uint32_t summary_name = 3515;        // ... summary_next_run 3522
inline constexpr std::uint32_t summary_kind = 3516;
inline constexpr std::uint32_t summary_destination = 3517;
inline constexpr std::uint32_t summary_created = 3518;
inline constexpr std::uint32_t summary_settings = 3519;
inline constexpr std::uint32_t summary_security = 3520;
inline constexpr std::uint32_t summary_filter = 3521;
inline constexpr std::uint32_t summary_next_run = 3522;
inline constexpr std::uint32_t setting_append = 3523;
inline constexpr std::uint32_t setting_replace = 3524;
inline constexpr std::uint32_t setting_notify = 3525;
inline constexpr std::uint32_t setting_verify = 3526;
inline constexpr std::uint32_t setting_open_files = 3527;
inline constexpr std::uint32_t kind_label = 3528;
inline constexpr std::uint32_t combination_button = 3529;
inline constexpr std::uint32_t append_choice = 3530;
inline constexpr std::uint32_t replace_choice = 3531;
inline constexpr std::uint32_t security_label = 3532;
inline constexpr std::uint32_t password_label = 3533;
inline constexpr std::uint32_t confirm_label = 3534;
inline constexpr std::uint32_t notify_choice = 3538;
inline constexpr std::uint32_t verify_choice = 3539;
inline constexpr std::uint32_t open_files_choice = 3540;
inline constexpr std::uint32_t run_now_choice = 3541;
inline constexpr std::uint32_t run_later_choice = 3542;
inline constexpr std::uint32_t set_schedule = 3543;
inline constexpr std::uint32_t finish_creates = 3544;
inline constexpr std::uint32_t no_filter = 3545;
inline constexpr std::uint32_t filter_excludes = 3546;
inline constexpr std::uint32_t filter_includes = 3547;
inline constexpr std::uint32_t list_separator = 3548;
inline constexpr std::uint32_t back_button = 3549;
inline constexpr std::uint32_t next_button = 3550;
inline constexpr std::uint32_t finish_button = 3551;
inline constexpr std::uint32_t cancel_button = 3552;
}  // namespace text_id

}  // namespace job
