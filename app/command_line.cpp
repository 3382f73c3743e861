#include "app/command_line.h"

#include <limits>

#include "basekit/convertion.h"

namespace app {
namespace {

constexpr char16_t backup_word[] = u"backup";

bool is_blank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\v' || c == u'\f'; }

// Text to integer as the C library reads it: blanks, a sign, digits; what
// cannot be read is 0, and a number past the range stays at its end.
std::int32_t text_to_int(bk::StringView text) {
    std::size_t at = 0;
    while (at < text.size() && is_blank(text[at])) ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == u'+' || text[at] == u'-')) negative = text[at++] == u'-';
    std::int64_t value = 0;
    constexpr std::int64_t limit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
    for (; at < text.size() && text[at] >= u'0' && text[at] <= u'9'; ++at)
        value = std::min(value * 10 + (text[at] - u'0'), limit);
    if (negative) return static_cast<std::int32_t>(-value);
    return static_cast<std::int32_t>(std::min<std::int64_t>(value, std::numeric_limits<std::int32_t>::max()));
}

bk::StringView strip_quotes(bk::StringView line) {
    while (!line.empty() && line.front() == u'"') line.remove_prefix(1);
    while (!line.empty() && line.back() == u'"') line.remove_suffix(1);
    return line;
}

}  // namespace

std::optional<std::uint32_t> handed_run_of(bk::StringView line) {
    const bk::StringView prefix(u"run ");
    if (!line.starts_with(prefix)) return std::nullopt;
    const bk::StringView digits = line.substr(prefix.size());
    if (digits.empty() || digits.size() > 9) return std::nullopt;
    std::uint32_t id = 0;
    for (const char16_t c : digits) {
        if (c < u'0' || c > u'9') return std::nullopt;
        id = id * 10 + (c - u'0');
    }
    return id;
}

CommandLine parse_command_line(bk::StringView line) {
    const bk::StringView text = strip_quotes(line);
    CommandLine result;
    result.text = bk::String(text);
    if (text.empty()) return result;
    const bk::StringView word(backup_word);
    if (!text.starts_with(word)) {
        result.form = CommandLine::Form::archive_path;
        return result;
    }
    // Every leading letter of the word goes, so "backup 12" and "backup12"
    // both name job 12.
    std::size_t at = 0;
    while (at < text.size() && word.find(text[at]) != bk::StringView::npos) ++at;
    result.form = CommandLine::Form::scheduled_backup;
    result.job_id = text_to_int(text.substr(at));
    return result;
}

bk::String command_line_of(const std::vector<std::string>& arguments) {
    bk::String line;
    for (const auto& argument : arguments) {
        if (!line.empty()) line.push_back(u' ');
        line += bk::from_utf8(argument);
    }
    return line;
}

}  // namespace app
