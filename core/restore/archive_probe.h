#pragma once
// The probe of a job's destination before a backup run: what lies at the
// job's archive path, in the reader's own result codes.
#include "core/jobs/backup_item.h"
#include "core/restore/opened_set.h"

namespace brim::restore {

// One of ok (this job's set, sound, its password gate passed), damaged (not
// a set of this program), password_needed, newer_version,
// password_mismatch, no_file, empty_file or incomplete (a set the next run
// cannot append to). Never throws.
//
// A set whose last run was cut short by a crash but whose earlier runs read
// is sound: the next run cuts it back and appends. When a sound set has no
// password and the job has one, the probe adds the job's password to it.
ReadResult probe_archive(const BackupItem& job);

}  // namespace brim::restore
