#pragma once
// The scans of the kinds that copy files as ordinary files (copy,
// increment_copy, merge_copy, directory_copy). Each item of the tree gets
// in `target_path` the full path of its copy: a directory's folder, a file's
// file. In the space estimate a file counts its size rounded up to the
// cluster size of its source's file system.
#include <cstdint>
#include <unordered_set>

#include "core/engine/backup_data_coll.h"

namespace brim {

// Where the copies of a source lie below a target folder T.
enum class TargetRule {
    // T, the computer name, then the source's path below the root: the copy
    // of /home/ann/notes.txt lies at T/<host>/home/ann/notes.txt.
    keep_location,
    // T, then the source's own name: /home/ann/docs/a.txt from the source
    // /home/ann/docs lies at T/docs/a.txt.
    under_target,
};

// The copy's path of the top-level item `source_path` under `target`.
bk::String top_level_target(bk::StringView target, bk::StringView source_path, TargetRule rule);

class CopyDataColl : public BackupDataColl {
public:
    CopyDataColl(const BackupItem& job, ScanEvents& events, bk::String target, TargetRule rule);

protected:
    std::uint64_t estimated_bytes(const DataHeader& file) const override;
    void before_source(const SourceData& source) override;
    void after_source(const SourceData& source) override;

private:
    bk::String target_;
    TargetRule rule_;
    std::uint32_t source_cluster_ = 0;
    std::size_t directories_before_ = 0;
    std::size_t files_before_ = 0;
};

// increment_copy: only files changed since the set's catalogues, and the
// directories above them.
class IncrementalCopyDataColl final : public CopyDataColl {
public:
    IncrementalCopyDataColl(const BackupItem& job, ScanEvents& events, bk::String target, TargetRule rule,
                            RecordedFiles recorded);

protected:
    bool take_file(const bk::String& full_path, std::int64_t modified, std::uint64_t size) override;
    bool keep_directory(DataHeader& directory) override { return holds_files(directory); }

private:
    RecordedFiles recorded_;
};

// merge_copy on an existing set: every current file enters the merged tree;
// only those new or changed since the set's catalogues (or recorded with
// time 0) need copying again.
class MergeDataColl final : public CopyDataColl {
public:
    MergeDataColl(const BackupItem& job, ScanEvents& events, bk::String target, TargetRule rule,
                  RecordedFiles recorded);

    bool needs_copy(const DataHeader& file) const { return changed_.count(file.full_path()) != 0; }

protected:
    bool take_file(const bk::String& full_path, std::int64_t modified, std::uint64_t size) override;

private:
    RecordedFiles recorded_;
    std::unordered_set<bk::String> changed_;
};

}  // namespace brim
