#pragma once
// Parsers of the listings FTP servers send: the machine-readable MLSD lines
// and, for servers without MLSD, the common LIST forms (Unix "ls -l" and
// DOS). Pure functions over text, so that they can be tested and fuzzed
// without a server. Names come back decoded from UTF-8 (lossless for any
// bytes); times as microseconds since 1970-01-01 UTC.
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "basekit/types.h"

namespace brim {

struct FtpListEntry {
    bk::String name;
    bool is_directory = false;
    std::int64_t size = 0;           // bytes; 0 for directories and when unknown
    std::int64_t modified_time = 0;  // microseconds since 1970 UTC; 0 when unknown

    bool operator==(const FtpListEntry&) const = default;
};

// One MLSD line ("type=file;size=5;modify=20240102030405; name"). Nothing for
// the entries of the directory itself and its parent, and for lines that
// are not entries.
std::optional<FtpListEntry> parse_mlsd_line(std::string_view line);

// One LIST line in the Unix or the DOS form. `now` (microseconds since 1970)
// gives the year of Unix dates written without one: the latest year that
// does not put the date more than a day after now. LIST times carry no zone
// and are read as UTC; they have minutes at best. Nothing for "total" lines,
// "." and "..", and lines in neither form.
std::optional<FtpListEntry> parse_list_line(std::string_view line, std::int64_t now);

// An entry whose date cannot be read is kept with time 0: leaving it out
// would hide the file from a backup.

// Every entry of a listing's text, lines ended by CR LF or LF.
std::vector<FtpListEntry> parse_mlsd_listing(std::string_view text);
std::vector<FtpListEntry> parse_list_listing(std::string_view text, std::int64_t now);

}  // namespace brim
