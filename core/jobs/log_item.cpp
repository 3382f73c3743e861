#include "core/jobs/log_item.h"

#include "basekit/date.h"
#include "basekit/exception.h"
#include "core/backup_exception.h"
#include "core/jobs/store_text.h"

namespace brim {
namespace {

constexpr bk::StringView type_names[] = {u"Debug", u"Information", u"Warning", u"Error", u"Fatal error"};
constexpr char16_t system_source[] = u"System";

[[noreturn]] void damaged() { throw BackupException(std::uint32_t{104}); }

// Expects "<tag>" at `rest`, then returns the text up to the next '<' and
// moves past "</tag>".
bk::String take_element(bk::StringView& rest, bk::StringView tag) {
    const bk::String open = u"<" + bk::String(tag) + u">";
    const bk::String close = u"</" + bk::String(tag) + u">";
    if (!rest.starts_with(open)) damaged();
    rest.remove_prefix(open.size());
    const auto end = rest.find(u'<');
    if (end == bk::StringView::npos || !rest.substr(end).starts_with(close)) damaged();
    bk::String value = store_text::unescape(rest.substr(0, end));
    rest.remove_prefix(end + close.size());
    return value;
}

}  // namespace

bk::StringView log_type_name(LogType type) {
    const auto index = static_cast<std::size_t>(type);
    return index < std::size(type_names) ? type_names[index] : bk::StringView();
}

LogType log_type_from_name(bk::StringView text) {
    const int index = store_text::match_name(text, type_names);
    return index < 0 ? LogType::none : static_cast<LogType>(index);
}

bk::String LogItem::source_text() const { return from_system ? bk::String(system_source) : u"Job '" + source + u"'"; }

bk::String strip_line_breaks(bk::StringView text) {
    bk::String out;
    out.reserve(text.size());
    for (char16_t c : text)
        if (c != u'\r' && c != u'\n') out += c;
    return out;
}

bk::String log_line(const LogItem& item, int indent, TimeForm form) {
    using store_text::escape;
    const bk::String time = form == TimeForm::decimal ? store_text::to_decimal(item.time) : bk::Date(item.time).to_string();
    return bk::String(static_cast<std::size_t>(indent), u'\t') + u"<log><type>" + bk::String(log_type_name(item.type)) +
           u"</type><source>" + escape(item.source_text()) + u"</source><user>" + escape(item.user) +
           u"</user><time>" + escape(time) + u"</time><description>" +
           escape(strip_line_breaks(item.description)) + u"</description></log>";
}

void set_source_from_text(LogItem& item, bk::StringView text) {
    item.from_system = text == system_source;
    // "Job '" + name + "'"
    item.source = !item.from_system && text.size() > 6 ? bk::String(text.substr(5, text.size() - 6)) : bk::String(text);
}

std::int64_t parse_log_time(bk::StringView text, TimeForm form) {
    if (form == TimeForm::date_text) {
        try {
            return bk::Date::parse(text).time();
        } catch (const bk::FormatException&) {
            damaged();
        }
    }
    std::int64_t value = 0;
    if (!store_text::parse_int64(text, value)) damaged();
    return value;
}

LogItem parse_log_line(bk::StringView line, TimeForm form) {
    bk::StringView rest = store_text::skip_blanks(line);
    if (!rest.starts_with(u"<log>")) damaged();
    rest.remove_prefix(5);
    LogItem item;
    item.type = log_type_from_name(take_element(rest, u"type"));
    set_source_from_text(item, take_element(rest, u"source"));
    item.user = take_element(rest, u"user");
    item.time = parse_log_time(take_element(rest, u"time"), form);
    item.description = take_element(rest, u"description");
    if (!rest.starts_with(u"</log>")) damaged();
    return item;
}

}  // namespace brim
