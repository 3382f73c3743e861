#pragma once
// Where the copy kinds left the copy of a catalogue item. Their sets hold no
// data: each run names a copy root folder beside the ".bvd", and the items
// lie below it as ordinary files at the place the copy routine chose
// (copy_data_coll.h).
#include <optional>

#include "basekit/types.h"
#include "core/archive/data_header.h"
#include "core/jobs/backup_item.h"

namespace brim::restore {

// The path of the copy of `item` of a run whose copy root is `copy_root`,
// for a set of `kind` in `set_folder`. Nothing when a name on the way is
// not plain (it would lead outside the copy root) or the copy root is not a
// plain name. The copy kinds keep the computer's name in the path; when
// that folder is not there (a set restored on another computer), the first
// folder of the copy root that holds the item is taken.
std::optional<bk::String> copy_location(const DataHeader& item, BackupKind kind, bk::StringView set_folder,
                                        bk::StringView copy_root);

// Whether the copy at `path` is still the one its run recorded: a later
// merge_copy run (one a crash cut short too) replaces copies in place, and
// every copy keeps its source's modification time. Only such a copy is
// compared with the run's digest. False when it cannot be looked at.
bool is_recorded_copy(const DataHeader& item, bk::StringView path);

}  // namespace brim::restore
