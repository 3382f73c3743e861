#pragma once
// The text frame shared by the job file, the system log and the report files:
// an XML declaration, a comment line ending in an extra LF (which reads as an
// empty third line), the root "<brimvault>", the version line, the records,
// and the closing root line. Lines are the data streams' CR LF lines in the
// ANSI code page.
//
// Values inside elements and attributes are written with &, <, > and "
// escaped as entities and the control characters (line breaks and TABs
// among them) as character references ("&#10;"), so that any name or path
// reads back on its one line; a value without those characters is written as
// it is, byte for byte as the unescaped form.
#include <cstdint>
#include <span>
#include <utility>
#include <vector>

#include "basekit/data_stream.h"
#include "basekit/memory_stream.h"
#include "basekit/types.h"

namespace brim::store_text {

inline constexpr char16_t root_tag[] = u"<brimvault>";
inline constexpr char16_t closing_tag[] = u"</brimvault>";
// The closing line with its CR LF: what appends overwrite.
inline constexpr int closing_line_size = 14;

bk::String escape(bk::StringView value);
// Turns &amp; &lt; &gt; &quot; and the character references &#N; and &#xH;
// (below 0x10000) back; any other '&' stays as it is.
bk::String unescape(bk::StringView text);

// Writes lines 1 to 5 of the frame with the given comment (without its LF).
void write_header(bk::DataOutputStream& out, bk::StringView comment);
void write_closing(bk::DataOutputStream& out);
// Skips three lines, requires the fourth to be exactly "<brimvault>"
// (BackupException(104)) and the fifth to name a version whose first digit
// is at least the program's major version (BackupException(139); a line
// without a digit is BackupException(104)). End of data is 104 too.
void check_header(bk::DataInputStream& in);
// Reads one line and turns running out of data into BackupException(104).
bk::String read_line(bk::DataInputStream& in);

// The line without its leading blanks and TABs.
bk::StringView skip_blanks(bk::StringView line);
// The element name of a line: after leading blanks, TABs and "<", up to a
// blank, "/", ">" or the end ("/job" for "</job>").
bk::String element_name(bk::StringView line);
// What stands between the first '>' and the next '<', unescaped; empty when
// the line has no '>'.
bk::String element_text(bk::StringView line);
// The attributes of the first tag of a line, in order: each name="value"
// (value unescaped), up to the tag's '>'. Returns false when the tag is
// malformed (no '>', a name without ="...").
bool attributes(bk::StringView line, std::vector<std::pair<bk::String, bk::String>>& out);

// The index of the name that `text` equals, else of the first name that
// matches it in all but the name's last character (as the stores have always
// read names); -1 when none does.
int match_name(bk::StringView text, std::span<const bk::StringView> names);

// Decimal parsing that refuses anything but an optional '-' and digits.
bool parse_int64(bk::StringView text, std::int64_t& value);
bk::String to_decimal(std::int64_t value);
bk::String to_decimal(std::uint64_t value);

// Lines collected in memory, for files written in one piece or appended
// under a lock.
class LineBuffer final {
public:
    LineBuffer() : data_(&memory_, false) {}
    bk::DataOutputStream& out() { return data_; }
    void line(bk::StringView text) { data_.write_line(text); }
    const std::vector<std::uint8_t>& bytes() const { return memory_.bytes(); }

private:
    bk::MemoryOutputStream memory_;
    bk::DataOutputStream data_;
};

}  // namespace brim::store_text
