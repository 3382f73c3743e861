#pragma once
// The kinds of backup a job makes, and their names in the job store.
#include <cstdint>

#include "basekit/types.h"

namespace brim {

enum class BackupKind : std::int32_t {
    copy = 0,
    normal = 1,
    increment = 2,
    difference = 3,
    increment_copy = 4,
    merge_copy = 5,
    directory_copy = 6,
    burner = 7,
    none = 8,  // a job without a kind; the store drops such a job
};

// "copy", "normal", ... ; "" for none.
bk::StringView backup_kind_name(BackupKind kind);

// Compares `text` with the eight names in order, as many characters as the
// text has (so a prefix of a name reads as that name); no match gives none.
BackupKind backup_kind_from_name(bk::StringView text);

// copy, increment_copy and merge_copy keep plain copies and a ".bvd" catalogue.
bool is_copy_kind(BackupKind kind);

}  // namespace brim
