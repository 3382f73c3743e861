#pragma once
// Opening an archive set for a restore: making a job from an archive file,
// and reading a set into its runs (headers and catalogues) across its
// volumes behind the password gate.
#include <cstdint>
#include <memory>

#include "basekit/types.h"
#include "core/archive/run_data_reader.h"
#include "core/archive/set_layout.h"
#include "core/archive/set_security.h"
#include "core/engine/session_events.h"
#include "core/jobs/backup_item.h"
#include "core/restore/restore_option.h"

namespace brim::restore {

// What the reader found; shared with the probe of a destination.
enum class ReadResult : std::int32_t {
    ok = 1,
    cancelled = 2,          // a missing volume was not supplied
    damaged = 3,            // not a set, or a set that does not read
    password_needed = 4,    // the set has a password and the job has none proved
    newer_version = 5,
    wrong_volume = 6,       // a volume whose recorded name is not its file's name
    password_mismatch = 7,
    no_file = 8,
    empty_file = 9,
    incomplete = 16,
    runs_unreadable = 17,   // a run (or a later volume) does not read after earlier runs did
};

// A set opened for restoring: its files and runs, the plain data key, and
// the path it was opened from. The runs' catalogues stay valid as long as
// this lives.
struct OpenedSet {
    bk::String path;
    archive::SetLayout layout;
    archive::DataKey key;
    ReadResult result = ReadResult::ok;
    // Fetches a volume that is not in the set's folder, for a set kept
    // elsewhere (on an FTP server), before the open's event is asked; empty
    // for a set on a disk. Set before read_opened_set.
    archive::VolumeLocator fetch_volume;
    // The set's files for every reader of its data (read_opened_set makes
    // it): one open at a time, a volume fetched again when it is needed.
    std::unique_ptr<archive::SetFiles> files;
};

// Finishes or takes back a replacement of the job's set that a crash
// interrupted (core/archive/set_replacement.h); for the owner of the data
// directory, before it writes. Never throws.
void settle_replacement(const BackupItem& job);

// Reads the set at `path` for `job` (the job's password and option word
// pass the gate); for the job's own set, the old set while it is being
// replaced (archive::readable_main_path). Never throws for what it finds in the set: the result says
// it, and `set.layout.runs` holds the runs read before any failure; what
// `set.fetch_volume` throws is thrown once the read has ended. Without
// `read_catalogues` only the runs' headers are walked, as a writer does.
ReadResult read_opened_set(const BackupItem& job, const bk::String& path, OpenArchiveEvent* event, OpenedSet& set,
                           bool read_catalogues = true);

// A reader of the run's data through the set's files (through files of its
// own when read_opened_set did not make them).
std::unique_ptr<archive::RunDataReader> data_reader(const OpenedSet& set, const archive::RunLayout& run);

// The reason a failed read gives the user; empty for results without one.
bk::String read_failure_reason(ReadResult result);

// The set file a path names: a ".bvs" volume leads to the main archive named
// in its link, beside it. IOException "The backup set "%s" does not exist"
// when that archive is missing; nothing when the volume does not read.
std::optional<bk::String> main_archive_of(bk::StringView path);

// A job made from the archive file at `path` (see BackupSession::open).
// Nothing when the file is not a set; IOException with the user's message
// for a newer set or a volume whose main archive is missing.
std::unique_ptr<BackupItem> job_from_archive(bk::StringView path);

// The file header at the start of `path`; nothing when the file is shorter.
// Throws IOException when it cannot be read.
std::optional<archive::FileHeader> read_file_head(const bk::String& path);
// A header of this program's sets (magic and span word), and one of a newer version.
bool is_sound_header(const archive::FileHeader& header);
bool is_newer(const archive::FileHeader& header);

// The option bits of a set's security kind.
std::uint32_t options_of_security_kind(archive::SecurityKind kind);

}  // namespace brim::restore
