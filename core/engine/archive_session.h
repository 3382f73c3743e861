#pragma once
// The runs that write an archive set with the files' data: normal (a full
// backup each time) and increment (only what changed since the set's
// catalogues, with a trigger that turns a run into a full one).
#include <functional>
#include <memory>

#include "core/archive/run_data_reader.h"
#include "core/archive/set_security.h"
#include "core/archive/set_writer.h"
#include "core/engine/backup_data_coll.h"
#include "core/engine/backup_session.h"

namespace brim {

class ArchiveSession : public BackupSession {
public:
    ArchiveSession(BackupItem* job, SessionDirection direction) : BackupSession(job, direction) {}

protected:
    // For a set on an FTP server: the set's files are fetched into a
    // staging folder, the kind's run works on them there, and a run that is
    // done is published back (what it deleted is deleted on the server only
    // after its new files are there); the folder is removed in every case.
    SessionRunResult run_on_destination() override;
    // What a kind does beside its staged set: before its run works on the
    // staged set, after a run that is not published (stopped, failed, or
    // its publishing failed), and after the set is published (`staged_main`
    // is the staged main archive as published, still there).
    virtual void before_staged_run() {}
    virtual void after_unpublished_run(FtpConnection& /*connection*/) {}
    virtual void after_publish(FtpConnection& /*connection*/, const bk::String& /*staged_main*/) {}
    // The job as far as the set's files go: the job itself, or while the
    // set is staged, a view of it whose destination is the staging folder.
    const BackupItem& set_job() const { return staged_job_ ? *staged_job_ : backup_item(); }
    // Announces the deletion of an old file of the set.
    void announce_old_data(const bk::String& path);

    virtual archive::SetWriterSettings writer_settings() const;
    // The writer of the job's set, once a replacement a crash interrupted is
    // settled.
    std::unique_ptr<archive::SetWriter> open_set_writer() const;
    // Announces and deletes every file of the set (and the copy roots it
    // records); the writer starts anew.
    void delete_old_data(std::unique_ptr<archive::SetWriter>& writer);
    // A run that replaces the set `writer` opened (replace mode, a damaged
    // set, a full run the trigger starts): the old set is moved aside,
    // `write` writes the new run into a writer of the job's archive path,
    // and the old set is deleted (announced) only when `write` returns done.
    // Any other outcome, or an exception, takes the new files away and puts
    // the old set back. When the destination has no room for both sets but
    // has for the new one alone, the old set goes first, with a warning;
    // when it has no room for the new one at all, nothing is touched.
    SessionRunResult replace_set(std::unique_ptr<archive::SetWriter>& writer, std::uint64_t needed,
                                 const std::function<SessionRunResult(archive::SetWriter&)>& write);
    // Whether the job's full-backup trigger turns this run into a full one
    // (only for a set that was opened).
    bool trigger_fires(const archive::SetWriter& writer) const;
    // The security header of the run: the opened set's (the job's password
    // must unlock it: BackupException 416 otherwise) or a new one. `key`
    // receives the data key.
    archive::SecurityHeader security_for(const archive::SetWriter& writer, std::int64_t now,
                                         archive::DataKey& key) const;
    // What the set's catalogues record of each file stored whole; throws
    // IOException (144) when they cannot be read.
    RecordedFiles recorded_files(bool has_copy_root) const;
    // Checks the space, writes the run of `collection` into the set, and
    // verifies it when the job asks.
    SessionRunResult write_run(archive::SetWriter& writer, BackupDataColl& collection);

private:
    void verify_run(const bk::String& main_path);
    // How verification opens a file of the staged set: from the server
    // when the folder holds only its outline. Empty when nothing is staged.
    archive::RunDataReader::FileOpener staged_file_opener();
    // The name of a file of the staged set at `path`; nothing for a path
    // elsewhere, or when nothing is staged.
    std::optional<bk::String> staged_name(const bk::String& path) const;
    // The writer's hooks while the set is staged: a file it writes in again
    // is made whole first (the others it had whole become outlines again,
    // those it changed sent ahead); a file it is done with goes to the
    // server at once and stays as its outline.
    void make_staged_file_whole(const bk::String& path);
    void send_staged_file_ahead(const bk::String& path, const std::vector<archive::ByteRange>& data);

    std::unique_ptr<BackupItem> staged_job_;
    // While the set is staged: the folder, the connection to its server and
    // the retry rule of its transfers.
    FtpStaging* staging_ = nullptr;
    FtpConnection* staging_connection_ = nullptr;
    archive::SetWriterSettings staged_hooks_;  // its hooks: the two above
};

class NormalSession final : public ArchiveSession {
public:
    using ArchiveSession::ArchiveSession;

protected:
    SessionRunResult run() override;
    ReportType report_type() const override { return ReportType::normal; }
};

class IncrementSession final : public ArchiveSession {
public:
    using ArchiveSession::ArchiveSession;

protected:
    SessionRunResult run() override;
    ReportType report_type() const override { return report_type_; }

private:
    ReportType report_type_ = ReportType::increment;
};

}  // namespace brim
