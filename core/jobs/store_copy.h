#pragma once
// The dated safety copies of the stores ("brimkeep.configbak",
// "brimkeep.logbak", ...).
#include <cstdint>

#include "basekit/types.h"

namespace brim {

// With `days` above 0 and `source` present: when `copy` is missing or its
// modification time lies at least `days` whole days before now, copies
// `source` over it as copy_with_current_time does and returns true.
// Returns false when nothing was copied. Throws IOException when the copy fails.
bool refresh_dated_copy(bk::StringView source, bk::StringView copy, std::int32_t days);

// Copies `source` over `copy` and gives the copy mode 0600 (readable by its
// owner only): the stores' copies hold what the stores hold.
void copy_private(bk::StringView source, bk::StringView copy);

// Copies as copy_private does and sets the copy's modification time to now.
void copy_with_current_time(bk::StringView source, bk::StringView copy);

}  // namespace brim
