#pragma once
// directory_copy: the sources mirrored into the destination as ordinary
// files (each source under its own name there), with no set. What happens
// to a file that already exists there is the job's replace policy; the
// sources can be deleted once they are copied.
#include "core/engine/backup_session.h"

namespace brim {

class BackupDataColl;

class DirectoryCopySession final : public BackupSession {
public:
    DirectoryCopySession(BackupItem* job, SessionDirection direction) : BackupSession(job, direction) {}

    // After the copy, each source file that was copied (and, when the job
    // verifies, found equal) is deleted, then the folders of a directory
    // source that are left empty. Files that were not copied stay.
    void set_delete_sources(bool on) { delete_sources_ = on; }

protected:
    SessionRunResult run() override;
    ReportType report_type() const override { return ReportType::dir_copy; }

private:
    // Whether a file whose target exists is copied over it.
    bool replaces(const DataHeader& file);
    // The same for a target on an FTP server, by its listing's time.
    bool replaces_remote(const DataHeader& file);
    void delete_copied_sources(const DataHeader& root, const CopiedFiles& copied);
    // Deletes the copied files below `directory`, then its folders that are
    // left empty; true when `directory` itself is gone.
    bool delete_copied(const DataHeader& directory, const CopiedFiles& copied);
    void delete_source_file(const DataHeader& file);

    bool delete_sources_ = false;
};

}  // namespace brim
