#pragma once
// An archive file opened from the file manager or handed over by a later
// start: the set becomes a job of the store (or is the job that already
// writes it), ready for a restore.
#include "basekit/types.h"
#include "core/jobs/backup_item.h"

namespace app {

// The job for the set at `path`: the store's job that writes it, else a new
// job made from the set and saved in the store. Null after saying why it
// cannot be opened (message 436) or why it cannot become a job.
brim::BackupItem* open_archive_as_job(const bk::String& path);

// A protected set's job: asks its password and proves it against the set
// at `path`; a wrong one is told (message 131 with the set's file name).
// False when it was not given or not right.
bool prove_set_password(brim::BackupItem& job, const bk::String& path);

}  // namespace app
