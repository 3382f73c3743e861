#pragma once
// Names of the files and folders of an archive set.
#include "basekit/date.h"
#include "basekit/types.h"

namespace brim::archive {

// The extension of a set's continuation volumes.
inline constexpr char16_t volume_extension[] = u".bvs";

// Whether `name` (a file name, no folder) can name a continuation volume.
bool is_volume_name(bk::StringView name);

// The date-time of the current locale's pattern 0 with ':', '/' and '\'
// turned into '-', so it can stand in a file name.
bk::String file_name_date(const bk::Date& when);

// A continuation volume's path for the main archive `main_path`: the main
// path without its extension, "_", the date-time, ".bvs"; when that exists,
// the same base with "_1", "_2", ... until a name is free. The file is
// created (empty) at once to reserve the name. Throws IOException when it
// cannot be created.
bk::String reserve_volume_path(bk::StringView main_path, const bk::Date& when);

// The copy root folder of a copy run: the job name, "_", the date-time.
bk::String copy_root_name(bk::StringView job_name, const bk::Date& when);

}  // namespace brim::archive
