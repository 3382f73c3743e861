#pragma once
// Where everything lies in an existing archive set: the chain of files, the
// runs in each, the extents of each run's data across the files, and where
// each file's runs end. Reading it touches nothing.
//
// A run's data follows its catalogue and, when the run spans, continues
// right after the link of the next volume. A file whose span word is not 0
// ends with the next volume's name; the last file of the chain ends with
// eight zero bytes.
//
// The run count at offset 16 of the main archive counts the run headers it
// holds. A volume's count counts the runs that have a part in it: a volume
// that begins with the continued data of a run counts that run too (1 when
// it is created), and then holds count - 1 run headers. Sets of our earlier
// builds counted only the run headers (0 for a volume that holds nothing
// but continued data); both are read, see read_set_layout.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "basekit/types.h"
#include "core/archive/archive_format.h"
#include "core/archive/archive_records.h"
#include "core/archive/data_header.h"

namespace brim::archive {

struct DataExtent {
    std::size_t file = 0;     // index into SetLayout::files
    std::uint64_t offset = 0;  // where the bytes start in that file
    std::uint64_t length = 0;
};

struct RunLayout {
    std::size_t file = 0;             // the file holding the run header
    std::uint64_t header_offset = 0;  // where the run header starts
    RunHeader header;
    std::uint64_t catalogue_offset = 0;
    std::unique_ptr<DataHeader> root;  // with read_catalogues only
    std::vector<DataExtent> data;      // the run's data area, in order
};

struct SetFileLayout {
    bk::String path;
    FileHeader file_header;
    std::optional<VolumeLink> link;  // volumes only
    std::uint32_t run_count = 0;      // the run headers this file holds
    bool continues_run = false;       // it begins with the continued data of a run
    std::uint64_t size = 0;
    std::uint64_t runs_end = 0;       // where the last complete run of this file ends
    std::uint64_t trailer_offset = 0;  // where the trailer starts
    bool trailer_sound = false;        // the trailer is where the runs end and reads as it should
};

struct SetLayout {
    std::unique_ptr<ArchiveFormat> format;
    SecurityHeader security;
    std::vector<SetFileLayout> files;
    std::vector<RunLayout> runs;

    std::uint32_t run_count() const { return static_cast<std::uint32_t>(runs.size()); }
    // True when every file ends with its trailer right after its runs.
    bool is_complete() const;
};

enum class LayoutError { none, no_file, empty_file, damaged, newer_version, missing_volume, wrong_volume };

struct LayoutResult {
    LayoutError error = LayoutError::none;
    bk::String missing_volume;  // the volume looked for, with missing_volume
    SetLayout layout;
};

// Asked when the next volume is not where the chain says: it may change the
// path in place (or put the file there) and answers true to look again,
// false to give up. The file read before it is closed by then.
using VolumeLocator = std::function<bool(bk::String& path)>;

// Reads the set whose main archive is `main_path`. `has_copy_root` tells the
// run headers of the copy kinds; catalogues are read into trees when asked.
// `program_major` is the running program's major version (newer sets are refused).
//
// A volume that begins with continued data and whose stored count N is not
// 0 holds N - 1 run headers when they end where its trailer begins, else N
// when those do (our earlier builds). When neither does (bytes of a run that
// was never counted follow), N headers are taken if they read, else N - 1:
// a run counted by an earlier build is never dropped.
//
// Whatever the error, `layout` keeps the files and the runs read before it.
// A run whose data continues into a volume that is missing or damaged keeps
// the extents found so far (their total is below its header's data length).
// Without a locator, or when it gives up, a missing volume ends the read
// with missing_volume.
LayoutResult read_set_layout(bk::StringView main_path, bool has_copy_root, bool read_catalogues,
                             std::uint32_t program_major, const VolumeLocator& locate_volume = {});

// The name a file's trailer holds when it is a volume name, found from the
// end of the file: a string whose text names an existing file beside it.
// With `allow_missing`, when no such file exists, the shortest string that
// reads as a volume name (the volume may have been moved away).
std::optional<bk::String> read_trailer_name(bk::StringView path, std::uint64_t size, const ArchiveFormat& format,
                                            bool allow_missing = false);

}  // namespace brim::archive
