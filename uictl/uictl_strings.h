#pragma once
// The controls library's string table in both languages.
#include <cstdint>

#include "uictl/localized_strings.h"

namespace uictl {

const LocalizedStrings& uictl_strings();

namespace text_id {
inline constexpr std::uint32_t no_button = 192;
inline constexpr std::uint32_t ok_button = 194;
inline constexpr std::uint32_t cancel_button = 151;
inline constexpr std::uint32_t yes_button = 200;
inline constexpr std::uint32_t help_button = 156;
inline constexpr std::uint32_t apply_to_all = 153;
inline constexpr std::uint32_t never_show_again = 155;
inline constexpr std::uint32_t completion = 174;
inline constexpr std::uint32_t completion_backup = 175;
inline constexpr std::uint32_t completion_restore = 176;
inline constexpr std::uint32_t help_home_page = 202;
inline constexpr std::uint32_t job_failed = 203;
inline constexpr std::uint32_t out_of_memory = 204;
inline constexpr std::uint32_t unknown_error = 208;
inline constexpr std::uint32_t closes_in = 212;
// Texts of this system's own beyond the ones above: the buttons the other
// flag values ask for, the logon dialog, the folder chooser.
inline constexpr std::uint32_t abort_button = 600;
inline constexpr std::uint32_t retry_button = 601;
inline constexpr std::uint32_t ignore_button = 602;
inline constexpr std::uint32_t try_again_button = 603;
inline constexpr std::uint32_t continue_button = 604;
inline constexpr std::uint32_t product_name = 605;
inline constexpr std::uint32_t logon_title = 610;
inline constexpr std::uint32_t logon_server = 611;
inline constexpr std::uint32_t logon_user = 612;
inline constexpr std::uint32_t logon_password = 613;
inline constexpr std::uint32_t logon_remember = 614;
inline constexpr std::uint32_t logon_failed = 615;
inline constexpr std::uint32_t choose_folder = 620;
inline constexpr std::uint32_t notify_title = 621;
// The selection controls.
inline constexpr std::uint32_t column_name = 630;
inline constexpr std::uint32_t column_size = 631;
inline constexpr std::uint32_t column_modified = 632;
inline constexpr std::uint32_t file_system_root = 633;
inline constexpr std::uint32_t home_folder_root = 634;
inline constexpr std::uint32_t ftp_servers_root = 635;
inline constexpr std::uint32_t listing_note = 636;
inline constexpr std::uint32_t add_ftp_server = 637;
inline constexpr std::uint32_t ftp_server_title = 638;
inline constexpr std::uint32_t ftp_server_name = 639;
inline constexpr std::uint32_t ftp_server_port = 640;
inline constexpr std::uint32_t ftp_server_user = 641;
inline constexpr std::uint32_t ftp_server_password = 642;
inline constexpr std::uint32_t ftp_server_passive = 643;
inline constexpr std::uint32_t listing_failed = 644;
inline constexpr std::uint32_t backup_run_label = 645;
inline constexpr std::uint32_t all_backups = 646;
}  // namespace text_id

}  // namespace uictl
