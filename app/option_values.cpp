#include "app/option_values.h"

#include "core/jobs/backup_item_manager.h"
#include "core/jobs/backup_item_report_coll.h"
#include "job/system_option.h"

namespace app {
namespace {

constexpr std::uint32_t append_bit = 0x10;
constexpr std::uint32_t notify_bit = 0x20;
constexpr std::uint32_t verify_bit = 0x40;
constexpr std::uint32_t fixed_sizes[] = {640, 4400, 4802};

int set_bit(int word, std::uint32_t bit, bool on) { return on ? (word | static_cast<int>(bit)) : (word & ~static_cast<int>(bit)); }

}  // namespace

std::uint32_t volume_size_at(int position) {
    if (position >= 0 && position < 3) return fixed_sizes[position];
    if (position >= 3 && position <= 17) return static_cast<std::uint32_t>(position - 2) * 256;
    return no_volume_limit;
}

int volume_size_position(std::uint32_t megabytes) {
    for (int position = 0; position < 3; ++position)
        if (fixed_sizes[position] == megabytes) return position;
    if (megabytes == no_volume_limit || megabytes == 4096) return 18;
    if (megabytes >= 256 && megabytes <= 3840 && megabytes % 256 == 0) return static_cast<int>(megabytes / 256) + 2;
    return 13;
}

OptionValues read_option_values(const job::CSystemOption& options) {
    OptionValues values;
    values.confirm_deletions = options.GetNeverShowValue(job::never_show::delete_job) != 0 ||
                               options.GetNeverShowValue(job::never_show::delete_all_jobs) != 0;
    // The mark is 0 when minimizing hides the window into the tray.
    values.minimize_to_tray = options.GetNeverShowValue(job::never_show::minimize_to_tray) == 0;
    values.scheduled_runs_hidden = options.GetNeverShowValue(job::never_show::run_hidden) == 0;
    values.safety_copies = options.GetAutoBackupDay() != 0;
    values.safety_copy_days = options.GetAutoBackupDay() != 0 ? options.GetAutoBackupDay() : 15;
    values.volume_position = volume_size_position(options.GetSegmentSize());
    values.backup_kind = options.GetBackupKind();
    const int flags = options.GetBackupOption();
    values.append = (flags & append_bit) != 0;
    values.notify = (flags & notify_bit) != 0;
    values.verify = (flags & verify_bit) != 0;
    const std::uint32_t restore = options.GetRestoreChoice();
    values.restore_policy = restore & restore_policy_mask;
    values.keep_folders = (restore & restore_keep_folders) != 0;
    values.drive_folder = (restore & restore_drive_folder) != 0;
    const unsigned reports = options.GetMaxReportCount();
    values.reports_per_job = reports >= 10 && reports <= 1024 ? reports : 60;
    return values;
}

OptionValues default_option_values(const OptionValues& current) {
    OptionValues values = current;
    values.safety_copies = true;
    values.safety_copy_days = job::option_default::auto_backup_day;
    values.confirm_deletions = true;
    values.reports_per_job = 60;
    values.volume_position = volume_size_position(job::option_default::segment_size);
    values.backup_kind = job::option_default::backup_kind;
    values.restore_policy = job::option_default::restore_choice & restore_policy_mask;
    values.keep_folders = (job::option_default::restore_choice & restore_keep_folders) != 0;
    values.drive_folder = (job::option_default::restore_choice & restore_drive_folder) != 0;
    return values;
}

std::optional<OptionError> apply_option_values(const OptionValues& values, job::CSystemOption& options) {
    if (values.safety_copies && (values.safety_copy_days < 1 || values.safety_copy_days > 365))
        return OptionError::safety_copy_days;
    options.SetAutoBackupDay(values.safety_copies ? values.safety_copy_days : 0);
    const std::uint32_t size = volume_size_at(values.volume_position);
    options.SetSegmentSize(size);
    options.SetNeverShowValue(job::never_show::delete_job, values.confirm_deletions ? 1 : 0);
    options.SetNeverShowValue(job::never_show::delete_all_jobs, values.confirm_deletions ? 1 : 0);
    options.SetNeverShowValue(job::never_show::minimize_to_tray, values.minimize_to_tray ? 0 : 1);
    options.SetNeverShowValue(job::never_show::run_hidden, values.scheduled_runs_hidden ? 0 : 1);

    options.SetBackupKind(values.backup_kind);
    int flags = options.GetBackupOption();
    flags = set_bit(flags, append_bit, values.append);
    flags = set_bit(flags, notify_bit, values.notify);
    flags = set_bit(flags, verify_bit, values.verify);
    options.SetBackupOption(flags);
    const bool drive = values.keep_folders && values.drive_folder;
    options.SetRestorceChoice(values.restore_policy | (values.keep_folders ? restore_keep_folders : 0) |
                              (drive ? restore_drive_folder : 0));

    options.SetMaxReportCount(values.reports_per_job);
    auto* store = brim::BackupItemManager::instance();
    store->archive_segment(size);
    store->max_report_count(values.reports_per_job);
    for (brim::BackupItem* job : store->items())
        if (brim::BackupItemReportColl* reports = job->opened_reports()) reports->limit(store->max_report_count());
    return std::nullopt;
}

}  // namespace app
