#pragma once
// The scan of a job's sources into the tree of items a run writes: the
// order, the extension filter, the counts and sizes, the space estimate, and
// what is reported when a source cannot be read. Symbolic links are recorded
// as entries (a file item holding the link), never followed, except a source
// that is itself a link, which is followed once.
#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <unordered_map>

#include "core/archive/data_header.h"
#include "core/engine/scan_events.h"
#include "core/jobs/backup_item.h"
#include "core/security/cipher_selection.h"

namespace bk {
class SystemFile;
}

namespace brim {

class BackupDataColl {
public:
    BackupDataColl(const BackupItem& job, ScanEvents& events);
    virtual ~BackupDataColl();
    BackupDataColl(const BackupDataColl&) = delete;
    BackupDataColl& operator=(const BackupDataColl&) = delete;

    // Scans every source in job order. False when the run was stopped.
    // Throws IOException when a directory source that is a root is missing.
    bool scan(std::uint32_t cluster_size);

    std::uint32_t file_count() const { return root_->subtree_files; }
    std::uint32_t directory_count() const { return root_->subtree_directories; }
    std::uint64_t total_size() const { return root_->size; }
    DataHeader& root() { return *root_; }
    const DataHeader& root() const { return *root_; }
    // Bytes the run needs on the destination (0 when the cluster size is unknown).
    std::uint64_t space_estimate() const { return estimate_; }

protected:
    // Whether a file passing the filter enters the run (incremental runs
    // compare its time and size with the set's catalogue).
    virtual bool take_file(const bk::String& full_path, std::int64_t modified, std::uint64_t size);
    // Whether a scanned directory enters the run.
    virtual bool keep_directory(DataHeader& directory);
    // What a taken file adds to the run's data total before the estimate
    // (its size and its two markers in a set).
    virtual std::uint64_t estimated_bytes(const DataHeader& file) const;
    virtual void before_all() {}
    virtual void before_source(const SourceData&) {}
    virtual void after_source(const SourceData&) {}

private:
    bool scan_source(const SourceData& source);
    bool passes_filter(bk::StringView path) const;
    // `scanned`: the entry's attributes as its folder's listing loaded them
    // (null: they are loaded here), so that each entry is looked at once.
    std::unique_ptr<DataHeader> scan_directory(const bk::String& path, bool& stopped,
                                               const bk::SystemFile* scanned = nullptr);
    std::unique_ptr<DataHeader> file_item(const bk::String& path, const bk::String& name, bool follow_link,
                                          const bk::SystemFile* scanned = nullptr);
    bool directory_source_exists(const bk::String& path);
    void add_file(DataHeader& parent, std::unique_ptr<DataHeader> file);
    std::unique_ptr<DataHeader> scan_ftp_directory(const bk::String& path, bool recursive, bool& stopped);

    // The job's own destination, resolved, when it lies on this machine: a
    // source that holds it never takes it in, or every run would store the
    // runs before it.
    bool is_destination(const bk::String& directory) const;

    const BackupItem& job_;
    ScanEvents& events_;
    bk::String destination_;
    std::unique_ptr<DataHeader> root_;
    std::set<bk::String> extensions_;
    std::uint64_t data_total_ = 0;  // the run's data: each file's size + 4
    std::uint64_t estimate_ = 0;
};

// What the set's catalogues record of a file: its last-modified time and,
// for the kinds that store data, the bytes stored under the run's cipher
// (the catalogue keeps no plain size; the copy kinds keep no size at all).
struct RecordedFile {
    std::int64_t modified = 0;
    std::optional<std::uint64_t> stored_size;
    CipherId cipher = CipherId::none;
};
// The record of each full path the set holds data for.
using RecordedFiles = std::unordered_map<bk::String, RecordedFile>;

// Whether a file changed since the set recorded it: no record, another time
// (older or newer: a file put back from elsewhere counts), or a size whose
// stored bytes differ from the recorded ones (a change within the
// resolution of the file system's times, or a file stored only in part).
// With `zero_changed` a recorded time of 0 (a copy that never completed)
// counts as changed too.
bool changed_since(const RecordedFiles& recorded, const bk::String& full_path, std::int64_t modified,
                   std::uint64_t size, bool zero_changed = false);

// Keeps a directory only when a file below it was taken.
bool holds_files(DataHeader& directory);

// Takes only files that changed since the set's catalogues recorded them
// (changed_since), and keeps a directory only when a file below it was taken.
class IncrementalDataColl final : public BackupDataColl {
public:
    IncrementalDataColl(const BackupItem& job, ScanEvents& events, RecordedFiles recorded);

protected:
    bool take_file(const bk::String& full_path, std::int64_t modified, std::uint64_t size) override;
    bool keep_directory(DataHeader& directory) override { return holds_files(directory); }

private:
    RecordedFiles recorded_;
};

}  // namespace brim
