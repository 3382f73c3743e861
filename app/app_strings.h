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
// The job list's commands.
inline constexpr std::uint32_t state_being_changed = 141;
inline constexpr std::uint32_t export_wrong_password = 241;
inline constexpr std::uint32_t unschedule_confirm = 243;
inline constexpr std::uint32_t delete_running = 244;
inline constexpr std::uint32_t delete_confirm = 245;
inline constexpr std::uint32_t delete_scheduled = 246;
inline constexpr std::uint32_t delete_all_confirm = 247;
inline constexpr std::uint32_t delete_modified = 248;
inline constexpr std::uint32_t export_security = 249;
inline constexpr std::uint32_t export_security_title = 250;
inline constexpr std::uint32_t import_jobs_failed = 252;
inline constexpr std::uint32_t delete_wrong_password = 315;
inline constexpr std::uint32_t delete_confirm_title = 367;
inline constexpr std::uint32_t export_jobs_failed = 396;
inline constexpr std::uint32_t import_name_taken = 397;
// The system log page.
inline constexpr std::uint32_t log_column_type = 104;
inline constexpr std::uint32_t log_file_name = 162;
inline constexpr std::uint32_t log_column_description = 179;
inline constexpr std::uint32_t log_column_user = 180;
inline constexpr std::uint32_t log_column_date = 182;
inline constexpr std::uint32_t log_column_time = 204;
inline constexpr std::uint32_t log_column_source = 209;
inline constexpr std::uint32_t log_damaged = 210;
inline constexpr std::uint32_t log_reset_title = 211;
inline constexpr std::uint32_t log_type_debug = 212;  // information 213 ... fatal error 216
inline constexpr std::uint32_t text_open_filter = 217;
inline constexpr std::uint32_t log_import_failed = 219;
inline constexpr std::uint32_t log_export_failed = 220;
inline constexpr std::uint32_t xml_filter = 222;
inline constexpr std::uint32_t save_log_first = 295;
inline constexpr std::uint32_t defaults_button = 253;
inline constexpr std::uint32_t option_error_title = 418;
inline constexpr std::uint32_t option_interval_range = 419;
inline constexpr std::uint32_t xml_open_filter = 385;
inline constexpr std::uint32_t text_filter = 387;
// Texts of this system's own.
inline constexpr std::uint32_t program_title = 800;
inline constexpr std::uint32_t welcome_title = 801;
inline constexpr std::uint32_t held_elsewhere = 802;
inline constexpr std::uint32_t splash_line = 803;
inline constexpr std::uint32_t overdue_title = 805;
inline constexpr std::uint32_t overdue_text = 806;
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
inline constexpr std::uint32_t log_tab = 820;
inline constexpr std::uint32_t export_text = 821;
inline constexpr std::uint32_t export_xml = 822;
inline constexpr std::uint32_t import_text = 823;
inline constexpr std::uint32_t import_xml = 824;
inline constexpr std::uint32_t clear_log = 825;
// The options dialog.
inline constexpr std::uint32_t options_title = 830;
inline constexpr std::uint32_t option_general = 831;
inline constexpr std::uint32_t option_backup = 832;
inline constexpr std::uint32_t option_restore = 833;
inline constexpr std::uint32_t option_reports = 834;
inline constexpr std::uint32_t option_confirm_deletions = 835;
inline constexpr std::uint32_t option_minimize_to_tray = 836;
inline constexpr std::uint32_t option_hidden_runs = 837;
inline constexpr std::uint32_t option_safety_copies = 838;
inline constexpr std::uint32_t option_copy_days = 839;
inline constexpr std::uint32_t option_volume_size = 840;
inline constexpr std::uint32_t option_no_limit = 841;
inline constexpr std::uint32_t option_default_kind = 842;
inline constexpr std::uint32_t option_append = 843;
inline constexpr std::uint32_t option_notify = 844;
inline constexpr std::uint32_t option_verify = 845;
inline constexpr std::uint32_t option_existing_files = 846;
inline constexpr std::uint32_t option_skip = 847;
inline constexpr std::uint32_t option_ask = 848;
inline constexpr std::uint32_t option_replace = 849;
inline constexpr std::uint32_t option_replace_older = 850;
inline constexpr std::uint32_t option_keep_folders = 851;
inline constexpr std::uint32_t option_drive_folder = 852;
inline constexpr std::uint32_t option_reports_per_job = 853;
inline constexpr std::uint32_t ok_button = 854;
inline constexpr std::uint32_t cancel_button = 855;
inline constexpr std::uint32_t options_action = 856;
inline constexpr std::uint32_t action_delete = 860;
inline constexpr std::uint32_t action_delete_all = 861;
inline constexpr std::uint32_t action_schedule = 862;
inline constexpr std::uint32_t action_unschedule = 863;
inline constexpr std::uint32_t action_import = 864;
inline constexpr std::uint32_t action_export = 865;
// The main window: its tool bar, navigation bar, menus and status bar.
inline constexpr std::uint32_t tip_job_manager = 130;
inline constexpr std::uint32_t nav_backup_wizard = 137;
inline constexpr std::uint32_t nav_restore_wizard = 138;
inline constexpr std::uint32_t tip_task_monitor = 139;
inline constexpr std::uint32_t tool_restore = 140;
inline constexpr std::uint32_t tool_backup = 283;
inline constexpr std::uint32_t tool_open = 324;
inline constexpr std::uint32_t tool_new = 325;
inline constexpr std::uint32_t tool_delete = 328;
inline constexpr std::uint32_t tool_delete_all = 329;
inline constexpr std::uint32_t tool_properties = 330;
inline constexpr std::uint32_t tool_help = 332;
inline constexpr std::uint32_t tool_about = 333;
inline constexpr std::uint32_t tool_change_options = 335;
inline constexpr std::uint32_t nav_job_manager = 344;
inline constexpr std::uint32_t nav_quick_use = 345;
inline constexpr std::uint32_t nav_tools = 346;
inline constexpr std::uint32_t nav_task_monitor = 364;
inline constexpr std::uint32_t tip_backup_wizard = 32871;
inline constexpr std::uint32_t tip_restore_wizard = 32892;
inline constexpr std::uint32_t options_of_running_job = 868;
inline constexpr std::uint32_t program_options = 869;
inline constexpr std::uint32_t reports_title = 870;
inline constexpr std::uint32_t column_run_time = 871;
inline constexpr std::uint32_t column_result = 873;
inline constexpr std::uint32_t column_files = 874;
inline constexpr std::uint32_t column_stored = 875;
inline constexpr std::uint32_t column_duration = 876;
inline constexpr std::uint32_t tone_good = 877;  // warnings 878, stopped 879, failed 880
inline constexpr std::uint32_t reports_no_job = 881;
inline constexpr std::uint32_t reports_none = 882;
inline constexpr std::uint32_t menu_grid_lines = 883;
inline constexpr std::uint32_t menu_file = 884;
inline constexpr std::uint32_t menu_view = 885;
inline constexpr std::uint32_t menu_job = 886;
inline constexpr std::uint32_t menu_help = 887;
inline constexpr std::uint32_t menu_new_job = 888;
inline constexpr std::uint32_t menu_user_data = 889;
inline constexpr std::uint32_t menu_open_archive = 890;
inline constexpr std::uint32_t menu_restore = 891;
inline constexpr std::uint32_t menu_job_options = 892;
inline constexpr std::uint32_t menu_about = 893;
inline constexpr std::uint32_t job_overdue = 894;
inline constexpr std::uint32_t status_running = 895;
inline constexpr std::uint32_t about_text = 896;
inline constexpr std::uint32_t archive_filter = 897;
inline constexpr std::uint32_t status_ready = 899;
// The new user-data job.
inline constexpr std::uint32_t job_name_placeholder = 155;
inline constexpr std::uint32_t job_name_invalid = 156;
inline constexpr std::uint32_t job_name_exists = 163;
inline constexpr std::uint32_t clear_set_wrong_password = 255;
inline constexpr std::uint32_t clear_existing_set = 444;
inline constexpr std::uint32_t user_data_not_found = 58182;
inline constexpr std::uint32_t user_data_documents = 59142;
inline constexpr std::uint32_t user_data_bookmarks = 59143;
inline constexpr std::uint32_t user_data_desktop = 59144;
inline constexpr std::uint32_t user_data_fonts = 59145;
inline constexpr std::uint32_t user_data_thunderbird = 59149;
inline constexpr std::uint32_t user_data_firefox = 59153;
inline constexpr std::uint32_t user_data_opera = 59154;
inline constexpr std::uint32_t user_data_evolution = 900;
inline constexpr std::uint32_t user_data_chromium = 901;
inline constexpr std::uint32_t user_data_title = 902;
inline constexpr std::uint32_t user_data_name_label = 903;
inline constexpr std::uint32_t user_data_destination_label = 904;
inline constexpr std::uint32_t user_data_run_now = 905;
inline constexpr std::uint32_t user_data_column_data = 906;
inline constexpr std::uint32_t user_data_column_paths = 907;
inline constexpr std::uint32_t user_data_browse = 908;
inline constexpr std::uint32_t user_data_hint = 909;
inline constexpr std::uint32_t user_data_destination_title = 910;
inline constexpr std::uint32_t user_data_no_destination = 911;
inline constexpr std::uint32_t user_data_nothing_ticked = 912;
// Help pages of the new user-data job's boxes.
inline constexpr int help_clear_set_password = 1016;
inline constexpr int help_job_name_exists = 1017;
inline constexpr int help_clear_existing_set = 1035;
}  // namespace app_text

}  // namespace app
