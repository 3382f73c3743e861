#include "core/jobs/store_text.h"

#include <charconv>
#include <string>

#include "basekit/exception.h"
#include "core/backup_exception.h"
#include "core/core_strings.h"
#include "core/jobs/version.h"

namespace brim::store_text {

bk::String escape(bk::StringView value) {
    bk::String out;
    out.reserve(value.size());
    for (char16_t c : value) {
        switch (c) {
            case u'&': out += u"&amp;"; break;
            case u'<': out += u"&lt;"; break;
            case u'>': out += u"&gt;"; break;
            case u'"': out += u"&quot;"; break;
            default:
                // Line breaks, TABs and the other control characters would
                // break the line-oriented frame: they go as character references.
                if (c < 0x20 || c == 0x7F) out += u"&#" + to_decimal(std::int64_t{c}) + u";";
                else out += c;
        }
    }
    return out;
}

namespace {

// "&#N;" or "&#xH;" at the start of `text` for a character below 0x10000:
// the character and the reference's length, or 0 when there is none.
std::size_t character_reference(bk::StringView text, char16_t& c) {
    if (!text.starts_with(u"&#")) return 0;
    const bool hex = text.size() > 2 && (text[2] == u'x' || text[2] == u'X');
    std::uint32_t value = 0;
    std::size_t i = hex ? 3 : 2;
    const std::size_t first = i;
    for (; i < text.size() && i < first + 6; ++i) {
        const char16_t d = text[i];
        int digit = -1;
        if (d >= u'0' && d <= u'9') digit = d - u'0';
        else if (hex && d >= u'a' && d <= u'f') digit = d - u'a' + 10;
        else if (hex && d >= u'A' && d <= u'F') digit = d - u'A' + 10;
        if (digit < 0) break;
        value = value * (hex ? 16 : 10) + static_cast<std::uint32_t>(digit);
    }
    if (i == first || i >= text.size() || text[i] != u';' || value > 0xFFFF) return 0;
    c = static_cast<char16_t>(value);
    return i + 1;
}

}  // namespace

bk::String unescape(bk::StringView text) {
    static constexpr std::pair<bk::StringView, char16_t> entities[] = {
        {u"&amp;", u'&'}, {u"&lt;", u'<'}, {u"&gt;", u'>'}, {u"&quot;", u'"'}};
    bk::String out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        bool replaced = false;
        if (text[i] == u'&') {
            char16_t c = 0;
            if (const std::size_t length = character_reference(text.substr(i), c); length > 0) {
                out += c;
                i += length;
                continue;
            }
            for (const auto& [entity, c] : entities) {
                if (text.substr(i, entity.size()) == entity) {
                    out += c;
                    i += entity.size();
                    replaced = true;
                    break;
                }
            }
        }
        if (!replaced) out += text[i++];
    }
    return out;
}

void write_header(bk::DataOutputStream& out, bk::StringView comment) {
    out.write_line(u"<?xml version='1.0' encoding=\"" + core_string(152) + u"\"?>");
    out.write_line(bk::String(comment) + u"\n");
    out.write_line(root_tag);
    out.write_line(u"\t<version>" + Version::instance()->version_string() + u"</version>");
}

void write_closing(bk::DataOutputStream& out) { out.write_line(closing_tag); }

bk::String read_line(bk::DataInputStream& in) {
    try {
        return in.read_line();
    } catch (const bk::EOFException&) {
        throw BackupException(std::uint32_t{104});
    }
}

void check_header(bk::DataInputStream& in) {
    in.skip_line(3);
    if (read_line(in) != root_tag) throw BackupException(std::uint32_t{104});
    const bk::String version_line = read_line(in);
    const bk::StringView rest = skip_blanks(version_line);
    const auto end_of_tag = rest.find(u'>');
    if (end_of_tag == bk::StringView::npos || end_of_tag + 1 >= rest.size()) throw BackupException(std::uint32_t{104});
    const char16_t digit = rest[end_of_tag + 1];
    if (digit < u'0' || digit > u'9') throw BackupException(std::uint32_t{104});
    if (digit - u'0' < Version::major_version) throw BackupException(std::uint32_t{139});
}

bk::StringView skip_blanks(bk::StringView line) {
    const auto first = line.find_first_not_of(u" \t");
    return first == bk::StringView::npos ? bk::StringView() : line.substr(first);
}

bk::String element_name(bk::StringView line) {
    bk::StringView rest = skip_blanks(line);
    if (rest.empty() || rest[0] != u'<') return {};
    rest.remove_prefix(1);
    const auto end = rest.find_first_of(u" />", rest.starts_with(u'/') ? 1 : 0);
    return bk::String(rest.substr(0, end));
}

bk::String element_text(bk::StringView line) {
    const auto open = line.find(u'>');
    if (open == bk::StringView::npos) return {};
    const auto close = line.find(u'<', open + 1);
    return unescape(line.substr(open + 1, close == bk::StringView::npos ? bk::StringView::npos : close - open - 1));
}

bool attributes(bk::StringView line, std::vector<std::pair<bk::String, bk::String>>& out) {
    bk::StringView rest = skip_blanks(line);
    const auto name_end = rest.find_first_of(u" >");
    if (rest.empty() || rest[0] != u'<' || name_end == bk::StringView::npos) return false;
    rest.remove_prefix(name_end);
    for (;;) {
        rest = skip_blanks(rest);
        if (rest.starts_with(u'>') || rest.starts_with(u"/>")) return true;
        const auto equals = rest.find(u"=\"");
        if (equals == bk::StringView::npos || equals == 0) return false;
        const auto quote = rest.find(u'"', equals + 2);
        if (quote == bk::StringView::npos) return false;
        bk::StringView name = rest.substr(0, equals);
        if (name.find_first_of(u" <>\"") != bk::StringView::npos) return false;
        out.emplace_back(bk::String(name), unescape(rest.substr(equals + 2, quote - equals - 2)));
        rest.remove_prefix(quote + 1);
    }
}

int match_name(bk::StringView text, std::span<const bk::StringView> names) {
    for (std::size_t i = 0; i < names.size(); ++i)
        if (text == names[i]) return static_cast<int>(i);
    for (std::size_t i = 0; i < names.size(); ++i) {
        const bk::StringView stem = names[i].substr(0, names[i].size() - 1);
        if (text.size() + 1 >= names[i].size() && text.substr(0, stem.size()) == stem) return static_cast<int>(i);
    }
    return -1;
}

bool parse_int64(bk::StringView text, std::int64_t& value) {
    if (text.empty() || text.size() > 20) return false;
    std::string narrow;
    for (char16_t c : text) {
        if (c > 0x7F) return false;
        narrow += static_cast<char>(c);
    }
    const auto [end, error] = std::from_chars(narrow.data(), narrow.data() + narrow.size(), value);
    return error == std::errc() && end == narrow.data() + narrow.size();
}

namespace {
template <typename T>
bk::String decimal(T value) {
    const std::string text = std::to_string(value);
    return bk::String(text.begin(), text.end());
}
}  // namespace

bk::String to_decimal(std::int64_t value) { return decimal(value); }
bk::String to_decimal(std::uint64_t value) { return decimal(value); }

}  // namespace brim::store_text
