#pragma once
// The process-wide system log: every entry is appended at once to
// "brimkeep.log" in the log directory and kept in a list of new entries that
// the GUI collects. The file rolls over into "brimkeep.logbak" when it passes
// the size limit. Logging never throws to its caller.
//
// Any thread may log: one mutex guards the list and the file within the
// process, and an advisory lock on the file guards it against other
// processes.
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "basekit/data_stream.h"
#include "basekit/types.h"
#include "core/jobs/log_item.h"

namespace brim {

using LogItemList = std::vector<std::unique_ptr<LogItem>>;

class LogManager {
public:
    static constexpr std::uint32_t default_max_size = 0xA00000;  // 10 MiB
    static constexpr char16_t file_name[] = u"brimkeep.log";
    static constexpr char16_t copy_name[] = u"brimkeep.logbak";

    // The log of the process, created on first call over the log directory.
    // Throws BackupException when the log path exists but is not a file, or
    // the data directories cannot be made.
    static LogManager* instance();
    static void del_instance();

    virtual ~LogManager();
    LogManager(const LogManager&) = delete;
    LogManager& operator=(const LogManager&) = delete;

    // The most new entries kept for the consumers: beyond it the oldest go.
    static constexpr std::size_t max_new_items = 4096;

    // A system entry (source "System") or a job entry, by the current user,
    // now. It is appended to the new entries and a copy is returned: another
    // thread may take the new entries (and destroy them) at any time, so
    // nobody keeps a pointer into them. Nothing when it cannot be made.
    std::optional<LogItem> create_log_item(LogType type, bk::StringView description);
    std::optional<LogItem> create_log_item(LogType type, bk::StringView description, bk::StringView job_name);

    // Writes one entry to the file; null does nothing; never throws. The
    // caller keeps the entry alive during the call.
    virtual void log(const LogItem* item);
    // Make an entry (see create_log_item) and write it; never throw.
    void log(LogType type, bk::StringView text);
    void log(LogType type, bk::StringView text, bk::StringView job_name);
    // The same with the core string table's message `id` as the text.
    void log(LogType type, std::uint32_t id);
    void log(LogType type, std::uint32_t id, bk::StringView job_name);

    // Hands out every entry made since the last call (at most the newest
    // max_new_items), oldest first; the caller owns them.
    LogItemList new_items();
    // Drops the pending new entries and rewrites the file with no entries.
    // Throws BackupException when the file cannot be written.
    void clear();
    // Appends every entry of the file to `list` (the caller owns them) and
    // drops the pending new entries. A missing file adds nothing. Throws
    // BackupException (104 for a damaged file); `list` is then left as it was.
    virtual void load(LogItemList& list);
    // With `days` above 0: copies the file to "brimkeep.logbak" when the copy
    // is missing or at least that many whole days old. Never throws.
    void save_copy(std::int32_t days);
    // False when "brimkeep.logbak" is missing; otherwise copies it over the
    // file and loads it into `list` (rewriting an empty file when that fails).
    bool load_copy(LogItemList& list);
    // Writes all entries of the file to `path` as XML or text. Logs message
    // 153 and throws BackupException on failure.
    void export_log(bk::StringView path, LogFileFormat format);
    // Reads the entries of an exported file; the caller owns them. Throws
    // BackupException (104 for a damaged file).
    LogItemList import_log(bk::StringView path, LogFileFormat format);

    void max_log_size(std::uint32_t mebibytes) { max_size_ = mebibytes * 1048576u; }
    std::uint32_t max_log_size() const { return max_size_; }
    const bk::String& log_file() const { return path_; }
    bool file_ready() const { return file_ready_; }

protected:
    explicit LogManager(bk::String path);

private:
    LogItem make_item(LogType type, bk::StringView description, bk::StringView job_name, bool from_system) const;
    bool keep(const LogItem& item);
    void write_entry(const LogItem& item);
    bk::String copy_path() const;
    static void write_entries(bk::DataOutputStream& out, bk::StringView comment, const LogItemList& items,
                              TimeForm form);
    static void read_entries(bk::DataInputStream& in, LogItemList& list, TimeForm form);
    void rewrite_empty();

    bk::String path_;
    LogItemList new_items_;
    bool file_ready_ = false;
    std::uint32_t max_size_ = default_max_size;
    std::mutex mutex_;
};

}  // namespace brim
