#pragma once
// The user's program options: six numeric options, the report limit, the
// never-show-again marks of the program's questions, free string values,
// the extensions used in filters and the histories of backup and restore
// destinations. They live in the per-user settings store (QSettings in its
// native format: on Linux the INI file "Orvex Software/Brimvault.conf"
// under $XDG_CONFIG_HOME), under the same key and value names on every
// platform:
//
//   RestoreChoice, BackupKind, BackupOption, LogLimit, AutoBackupDay,
//   SegmentSize, MaxReportCount      numbers of the main key
//   any other name                   string values of the main key
//   ShowAgain/<mark>                 never-show marks
//   FileFilter/<extension>           the extension's description
//   History/BackupDest/1 ... 8       backup destinations, oldest first
//   History/RestoreDest/1 ... 8      restore targets, oldest first
//
// No operation throws: a failure of the store gives 0 (or the default of
// a read). GUI thread only.
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "basekit/types.h"
#include "uictl/ui_language.h"

class QSettings;

namespace job {

using StringPair = std::pair<bk::String, bk::String>;

// Which history: 0 backup destinations, any other value restore targets.
using SaveKind = int;
inline constexpr SaveKind backup_destinations = 0;
inline constexpr SaveKind restore_destinations = 1;

namespace option_default {
inline constexpr std::uint32_t restore_choice = 36;
inline constexpr std::uint32_t log_limit = 2;        // megabytes, 1 to 5
inline constexpr std::uint32_t segment_size = 3072;  // megabytes, at least 256
inline constexpr std::uint32_t auto_backup_day = 15;  // days, at most 365
inline constexpr int backup_option = 48;             // 0 to 1792
inline constexpr int backup_kind = 2;                // a BackupKind, 0 to 7
}  // namespace option_default

// A history keeps this many destinations; the oldest goes first.
inline constexpr std::size_t max_dest_history = 8;
// The longest string value, extension description or history path read
// back (the store's 255-byte buffer with its terminating zero).
inline constexpr std::size_t max_stored_text = 127;
// The longest value name read back while listing a key.
inline constexpr std::size_t max_value_name = 254;

// Never-show marks the program uses.
namespace never_show {
inline constexpr char16_t run_hidden[] = u"RunBack";
inline constexpr char16_t welcome_dialog[] = u"Show HTML Dlg";
inline constexpr char16_t minimize_to_tray[] = u"ShowMini";
inline constexpr char16_t grid_lines[] = u"Show Line";
inline constexpr char16_t floppy_warning[] = u"Floppy Disk";
inline constexpr char16_t append_mode_hint[] = u"Not Appending Mode";
inline constexpr char16_t delete_job[] = u"delete job";
inline constexpr char16_t delete_all_jobs[] = u"delete all job";
}  // namespace never_show

// The string value that forces the GUI's language: "zh" Chinese, "en"
// English; empty (or anything else) follows the locale.
inline constexpr char16_t ui_language_value[] = u"UiLanguage";

class CSystemOption final {
public:
    // The process's options, made on first use (clean, with the defaults).
    static CSystemOption* GetInstance();
    static void DelInstance();

    CSystemOption();

    // Reads everything from the store: out-of-range numbers take their
    // defaults, the lists are read again. 0 (nothing changed) when the store
    // holds nothing yet. The clean mark stays as it is.
    int Load();
    // The six numbers take their defaults; the options are then not clean.
    int LoadWithDefault();
    // Writes the six numbers, the extensions and both histories, unless the
    // options are clean (then nothing is written). 1 when every write
    // succeeded.
    int Save() const;
    bool IsClean() const { return clean_; }

    // Written and read at once, not kept in memory.
    unsigned GetMaxReportCount() const;  // 0 when missing
    int SetMaxReportCount(unsigned count) const;
    int GetNeverShowValue(bk::StringView name) const;  // 1 when missing
    int SetNeverShowValue(bk::StringView name, int value);
    // Empty when missing or longer than max_stored_text.
    bk::String GetStringValue(bk::StringView name) const;
    int SetStringValue(bk::StringView name, bk::StringView value);
    // Deletes the welcome dialog's mark, so that the dialog shows again.
    int RemoveStartupInfo();

    // The language the user forced, if any, and its application to the GUI.
    std::optional<uictl::UiLanguage> GetUiLanguage() const;
    int SetUiLanguage(std::optional<uictl::UiLanguage> language);
    void ApplyUiLanguage() const;

    std::uint32_t GetRestoreChoice() const { return restore_choice_; }
    void SetRestorceChoice(std::uint32_t value) { restore_choice_ = value, clean_ = false; }
    int GetBackupKind() const { return backup_kind_; }
    void SetBackupKind(int value) { backup_kind_ = value, clean_ = false; }
    int GetBackupOption() const { return backup_option_; }
    void SetBackupOption(int value) { backup_option_ = value, clean_ = false; }
    std::uint32_t GetLogLimit() const { return log_limit_; }
    void SetLogLimit(std::uint32_t value) { log_limit_ = value, clean_ = false; }
    std::uint32_t GetAutoBackupDay() const { return auto_backup_day_; }
    void SetAutoBackupDay(std::uint32_t value) { auto_backup_day_ = value, clean_ = false; }
    std::uint32_t GetSegmentSize() const { return segment_size_; }
    void SetSegmentSize(std::uint32_t value) { segment_size_ = value, clean_ = false; }

    std::vector<StringPair> GetFileExts() const { return file_exts_; }
    // Replaces the description of the extension (exact match) or appends it.
    void AddFileExt(bk::StringView ext, bk::StringView description);
    // Stable sort by extension, ascending, case-sensitive.
    void FileExtsSort();

    // Records a used destination: a path already in the history (compared
    // without regard to case) moves to the newest place in its new
    // spelling; a new one is appended, and when the history is full the
    // oldest is dropped. The entries' names "1", "2", ... stay in place.
    void AddNewDest(bk::StringView path, SaveKind kind);
    std::vector<bk::String> GetDestHistory(SaveKind kind) const;

    // The archive file types (".bvf", ".bvd", ".bvs") opened by the program:
    // see shell_association.h.
    int RegisterShellAssociation();
    int UnregisterShellAssociation();

    // Deletes all of the program's options. 0 when there were none.
    int UnRegister();
    // 1 when the store holds the program's options.
    int ExistRegister() const;

private:
    std::vector<StringPair>& history(SaveKind kind) {
        return kind == backup_destinations ? backup_dests_ : restore_dests_;
    }
    const std::vector<StringPair>& history(SaveKind kind) const {
        return kind == backup_destinations ? backup_dests_ : restore_dests_;
    }

    mutable bool clean_ = true;
    std::vector<StringPair> file_exts_;
    std::uint32_t restore_choice_ = option_default::restore_choice;
    std::uint32_t log_limit_ = option_default::log_limit;
    std::uint32_t segment_size_ = option_default::segment_size;
    std::uint32_t auto_backup_day_ = option_default::auto_backup_day;
    int backup_option_ = option_default::backup_option;
    int backup_kind_ = option_default::backup_kind;
    std::vector<StringPair> backup_dests_;
    std::vector<StringPair> restore_dests_;
};

// Hands the options the core keeps to the core at start, before the job
// store is loaded: the log's size limit, the safety copies of the log and
// the job store (every AutoBackupDay days), the archive segment size and the
// report limit.
void HandOptionsToCore(const CSystemOption& options);

}  // namespace job
