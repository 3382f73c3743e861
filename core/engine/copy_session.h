#pragma once
// The runs that copy the sources as ordinary files into a copy root folder
// in the destination and record it in the set's ".bvd": copy (a new folder
// with everything each time), increment_copy (a new folder with what changed
// since the set's catalogues) and merge_copy (one folder kept current, the
// ".bvd" rewritten with the merged tree).
#include <memory>
#include <unordered_map>
#include <vector>

#include "core/engine/archive_session.h"
#include "core/engine/copy_data_coll.h"

namespace brim {

using KeptDigests = std::unordered_map<bk::String, archive::FileDigest>;

class CopySetSession : public ArchiveSession {
public:
    using ArchiveSession::ArchiveSession;

protected:
    archive::SetWriterSettings writer_settings() const override;
    // On an FTP server the catalogue is staged while the copies go to the
    // server: the copy roots the set recorded are remembered before the
    // run, a copy root the run made is deleted there when the run is not
    // published, and those the published set no longer records (a replaced
    // set's) are deleted there after it.
    void before_staged_run() override;
    void after_unpublished_run(FtpConnection& connection) override;
    void after_publish(FtpConnection& connection, const bk::String& staged_main) override;
    // A run whose copies the server lost fails and leaves the set there as
    // it was, rather than recording copies that are not there.
    bool lost_upload_ends_run() const override { return true; }

    // A dated copy root name that is free in the destination.
    bk::String new_copy_root_name();
    // The room a run needs where its set is written (the staging folder's
    // file system for a set on an FTP server).
    std::uint64_t space_needed(const CopyDataColl& collection) const;
    // Whether the destination holds an entry at `path` (on its server too).
    bool destination_has(const bk::String& path);
    // Checks the space, copies the files `decide` selects into their
    // targets (after creating the copy root), verifies the copies when the
    // job asks and writes the run into `writer`. A file whose copy did not
    // complete, or differs, is recorded with time 0, so the next run copies
    // it again. A run that fails takes back what it wrote: its run in the
    // set and a copy root it created. `security` overrides the header of a
    // new set.
    SessionRunResult copy_run(archive::SetWriter& writer, CopyDataColl& collection, const bk::String& root_name,
                              bool overwrite, const CopyDecision& decide,
                              const archive::SecurityHeader* security = nullptr);
    // Fails the run (129 with 144) unless the writer can write.
    bool writer_usable(const archive::SetWriter& writer);

    // The digests of copies a run leaves as they were (merge_copy), by path.
    KeptDigests kept_digests_;

private:
    // Removes a copy root this run made, on the server or the local disk.
    void remove_new_root(const bk::String& path);

    std::vector<bk::String> server_roots_;  // the copy roots the set on the server recorded
    bk::String created_root_;               // a copy root this run made on the server
};

class CopySession final : public CopySetSession {
public:
    using CopySetSession::CopySetSession;

protected:
    SessionRunResult run() override;
    ReportType report_type() const override { return ReportType::copy; }
};

class IncrementCopySession final : public CopySetSession {
public:
    using CopySetSession::CopySetSession;

protected:
    SessionRunResult run() override;
    ReportType report_type() const override { return report_type_; }

private:
    ReportType report_type_ = ReportType::increment_copy;
};

class MergeCopySession final : public CopySetSession {
public:
    using CopySetSession::CopySetSession;

protected:
    SessionRunResult run() override;
    ReportType report_type() const override { return ReportType::merge_copy; }

private:
    SessionRunResult merge(std::unique_ptr<archive::SetWriter>& writer);
};

}  // namespace brim
