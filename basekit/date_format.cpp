#include "basekit/date_format.h"

#include <optional>

#include "basekit/calendar.h"
#include "basekit/exception.h"
#include "basekit/time_zone.h"

namespace bk {
namespace {

std::unique_ptr<DateFormat>& format_instance() {
    static std::unique_ptr<DateFormat> instance;
    return instance;
}

bool is_white(char16_t c) {
    return c == u' ' || (c >= 0x09 && c <= 0x0D) || c == 0x85 || c == 0xA0 || c == 0x1680 ||
           (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F ||
           c == 0x205F || c == 0x3000;
}

bool is_field_letter(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }

String number(std::int64_t value, int digits) {
    String text;
    const bool negative = value < 0;
    std::uint64_t v = negative ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
    do {
        text.insert(text.begin(), static_cast<char16_t>(u'0' + v % 10));
        v /= 10;
    } while (v != 0);
    while (text.size() < static_cast<std::size_t>(digits)) text.insert(text.begin(), u'0');
    if (negative) text.insert(text.begin(), u'-');
    return text;
}

struct LocalParts {
    std::int64_t year;
    int month, day, hour, minute, second, weekday, day_of_year;
};

LocalParts local_parts(const Date& date) {
    const std::int64_t local = date.time() + TimeZone::current_time_zone().offset(date.time());
    const std::int64_t days = calendar::floor_div(local, microseconds_per_day);
    const std::int64_t of_day = local - days * microseconds_per_day;
    const auto civil = calendar::civil_from_days(days);
    const int day_of_year =
        static_cast<int>(days - calendar::days_from_civil(civil.year, 1, 1)) + 1;
    return {civil.year,
            civil.month,
            civil.day,
            static_cast<int>(of_day / microseconds_per_hour),
            static_cast<int>(of_day / microseconds_per_minute % 60),
            static_cast<int>(of_day / microseconds_per_second % 60),
            calendar::weekday_from_days(days),
            day_of_year};
}

// Reads a quoted literal starting after the opening quote at pattern[i];
// returns the index after the closing quote.
std::size_t read_quoted(StringView pattern, std::size_t i, String& literal) {
    while (i < pattern.size()) {
        if (pattern[i] == u'\'') {
            if (i + 1 < pattern.size() && pattern[i + 1] == u'\'') {
                literal.push_back(u'\'');
                i += 2;
                continue;
            }
            return i + 1;
        }
        literal.push_back(pattern[i++]);
    }
    return i;
}

String format_field(char16_t letter, int count, const LocalParts& p, const DatePatternSet& names) {
    switch (letter) {
        case u'y': return count >= 3 ? number(p.year, count) : number(p.year % 100, count == 1 ? 1 : 2);
        case u'M':
            if (count >= 4) return names.month_names[static_cast<std::size_t>(p.month - 1)];
            if (count == 3) return names.month_abbreviations[static_cast<std::size_t>(p.month - 1)];
            return number(p.month, count);
        case u'd': return number(p.day, 2);
        case u'H': return number(p.hour, 2);
        case u'm': return number(p.minute, 2);
        case u's': return number(p.second, 2);
        case u'h': return number(p.hour % 12 == 0 ? 12 : p.hour % 12, count == 1 ? 1 : 2);
        case u'E': return names.day_names[static_cast<std::size_t>(p.weekday)];
        case u'e': return names.day_abbreviations[static_cast<std::size_t>(p.weekday)];
        case u'p': return names.day_period_markers[p.hour < 12 ? 0 : 1];
        case u'w': {
            // Weeks start on Sunday; the week holding January 1 is week 1.
            const int first_weekday = ((p.weekday - (p.day_of_year - 1)) % 7 + 7) % 7;
            return number((p.day_of_year - 1 + first_weekday) / 7 + 1, 1);
        }
        case u'G': case u'W': case u'Z': case u'g': case u'z': return {};
        default: return String(static_cast<std::size_t>(count), letter);
    }
}

// The state of one parse: each field may be given once.
struct ParsedFields {
    std::optional<std::int64_t> year, month, day, hour, hour12, minute, second;
    bool afternoon = false;
    bool has_marker = false;
};

bool read_number(StringView text, std::size_t& t, std::size_t max_digits, std::int64_t& value,
                 std::size_t& digits) {
    value = 0;
    digits = 0;
    while (t < text.size() && digits < max_digits && text[t] >= u'0' && text[t] <= u'9') {
        value = value * 10 + (text[t++] - u'0');
        ++digits;
    }
    return digits > 0;
}

}  // namespace

const DatePatternSet& DatePatternSet::us() {
    static const DatePatternSet set{
        u"HH:mm", u"HH:mm:ss", u"MM/dd/yyyy", u"E, MMMM dd, yyyy", u"MMMM dd", u"yyyy MMMM",
        {u"January", u"February", u"March", u"April", u"May", u"June", u"July", u"August",
         u"September", u"October", u"November", u"December"},
        {u"Jan", u"Feb", u"Mar", u"Apr", u"May", u"Jun", u"Jul", u"Aug", u"Sep", u"Oct", u"Nov", u"Dec"},
        {u"Sunday", u"Monday", u"Tuesday", u"Wednesday", u"Thursday", u"Friday", u"Saturday"},
        {u"Sun", u"Mon", u"Tue", u"Wed", u"Thu", u"Fri", u"Sat"},
        {u"AM", u"PM"}};
    return set;
}

const DatePatternSet& DatePatternSet::chinese() {
    static const DatePatternSet set{
        u"HH:mm", u"HH:mm:ss", u"yyyy-M-d", u"yyyy'\u5E74'M'\u6708'd'\u65E5' E", u"MMMMd'\u65E5'",
        u"yyyy'\u5E74'MMMM",
        {u"\u4E00\u6708", u"\u4E8C\u6708", u"\u4E09\u6708", u"\u56DB\u6708", u"\u4E94\u6708",
         u"\u516D\u6708", u"\u4E03\u6708", u"\u516B\u6708", u"\u4E5D\u6708", u"\u5341\u6708",
         u"\u5341\u4E00\u6708", u"\u5341\u4E8C\u6708"},
        {u"\u4E00\u6708", u"\u4E8C\u6708", u"\u4E09\u6708", u"\u56DB\u6708", u"\u4E94\u6708",
         u"\u516D\u6708", u"\u4E03\u6708", u"\u516B\u6708", u"\u4E5D\u6708", u"\u5341\u6708",
         u"\u5341\u4E00\u6708", u"\u5341\u4E8C\u6708"},
        {u"\u661F\u671F\u5929", u"\u661F\u671F\u4E00", u"\u661F\u671F\u4E8C", u"\u661F\u671F\u4E09",
         u"\u661F\u671F\u56DB", u"\u661F\u671F\u4E94", u"\u661F\u671F\u516D"},
        {u"\u5468\u65E5", u"\u5468\u4E00", u"\u5468\u4E8C", u"\u5468\u4E09", u"\u5468\u56DB",
         u"\u5468\u4E94", u"\u5468\u516D"},
        {u"\u4E0A\u5348", u"\u4E0B\u5348"}};
    return set;
}

DateFormat& DateFormat::local_instance() {
    auto& instance = format_instance();
    if (!instance) instance = std::make_unique<DateFormat>();
    return *instance;
}

void DateFormat::del_local_instance() { format_instance().reset(); }

const DatePatternSet& DateFormat::patterns() const {
    return Locale::current_locale().uses_chinese_dates() ? DatePatternSet::chinese() : DatePatternSet::us();
}

String DateFormat::format(const Date& date, StringView pattern) const {
    const LocalParts parts = local_parts(date);
    const DatePatternSet& names = patterns();
    String out;
    std::size_t i = 0;
    while (i < pattern.size()) {
        const char16_t c = pattern[i];
        if (c == u'\'') {
            i = read_quoted(pattern, i + 1, out);
            continue;
        }
        if (!is_field_letter(c)) {
            out.push_back(c);
            ++i;
            continue;
        }
        std::size_t end = i;
        while (end < pattern.size() && pattern[end] == c) ++end;
        out += format_field(c, static_cast<int>(end - i), parts, names);
        i = end;
    }
    return out;
}

String DateFormat::to_time_string(const Date& date, TimePattern pattern) const {
    switch (pattern) {
        case TimePattern::Short: return format(date, patterns().short_time);
        case TimePattern::Long: return format(date, patterns().long_time);
    }
    return {};
}

String DateFormat::to_date_string(const Date& date, DatePattern pattern) const {
    const DatePatternSet& set = patterns();
    switch (pattern) {
        case DatePattern::Short: return format(date, set.short_date);
        case DatePattern::Long: return format(date, set.long_date);
        case DatePattern::MonthDay: return format(date, set.month_day);
        case DatePattern::YearMonth: return format(date, set.year_month);
    }
    return {};
}

String DateFormat::to_full_string(const Date& date, FullDatePattern pattern) const {
    const DatePatternSet& set = patterns();
    switch (pattern) {
        case FullDatePattern::Short: return format(date, set.short_date + u" " + set.short_time);
        case FullDatePattern::Long: return format(date, set.long_date + u" " + set.long_time);
        case FullDatePattern::LongJoined: return format(date, set.long_date + set.long_time);
    }
    return {};
}

Date DateFormat::parse(StringView text) const {
    const DatePatternSet& set = patterns();
    std::int64_t time = 0;
    if (!do_parse(text, set.short_date + u" " + set.short_time, time))
        throw FormatException(u"The date string format is unexpected");
    return Date(time);
}

bool DateFormat::do_parse(StringView text, StringView pattern, std::int64_t& time) const {
    ParsedFields f;
    std::size_t p = 0, t = 0;
    while (p < pattern.size()) {
        const char16_t c = pattern[p];
        if (is_white(c)) {
            if (t >= text.size() || !is_white(text[t])) return false;
            while (p < pattern.size() && is_white(pattern[p])) ++p;
            while (t < text.size() && is_white(text[t])) ++t;
            continue;
        }
        if (c == u'\'') {
            String literal;
            p = read_quoted(pattern, p + 1, literal);
            if (text.substr(std::min(t, text.size())).substr(0, literal.size()) != literal) return false;
            t += literal.size();
            continue;
        }
        std::size_t end = p;
        while (end < pattern.size() && pattern[end] == c) ++end;
        const std::size_t run = end - p;
        std::optional<std::int64_t>* field = nullptr;
        switch (c) {
            case u'd': field = &f.day; break;
            case u'M': field = run <= 2 ? &f.month : nullptr; break;
            case u'y': field = &f.year; break;
            case u'H': field = &f.hour; break;
            case u'h': field = &f.hour12; break;
            case u'm': field = &f.minute; break;
            case u's': field = &f.second; break;
            default: break;
        }
        if (field != nullptr) {
            if (field->has_value()) return false;
            const bool bounded = end < pattern.size() &&
                                 (is_field_letter(pattern[end]) || pattern[end] == u'\'' ||
                                  (pattern[end] >= u'0' && pattern[end] <= u'9'));
            std::int64_t value;
            std::size_t digits;
            if (!read_number(text, t, bounded ? 2 : 9, value, digits)) return false;
            if (c == u'y' && digits < 3) value += value < 30 ? 2000 : 1900;
            *field = value;
            p = end;
            continue;
        }
        if (c == u'p') {
            bool matched = false;
            for (int i = 0; i < 2 && !matched; ++i) {
                const String& marker = patterns().day_period_markers[static_cast<std::size_t>(i)];
                if (text.substr(std::min(t, text.size())).starts_with(marker)) {
                    t += marker.size();
                    f.afternoon = i == 1;
                    f.has_marker = matched = true;
                }
            }
            if (!matched) return false;
            p = end;
            continue;
        }
        // Single characters of the pattern.
        if (c == u'z' || t >= text.size()) return false;
        if (c != u'/' && c != u':' && text[t] != c) return false;
        ++t;
        ++p;
    }
    while (t < text.size() && is_white(text[t])) ++t;
    if (t != text.size()) return false;

    if (f.hour12) {
        if (f.hour || *f.hour12 > 12) return false;
        f.hour = *f.hour12 % 12 + (f.afternoon ? 12 : 0);
    }
    const std::int64_t year = f.year.value_or(1), month = f.month.value_or(1), day = f.day.value_or(1);
    const std::int64_t hour = f.hour.value_or(0), minute = f.minute.value_or(0), second = f.second.value_or(0);
    if (year <= 0 || year >= 10000 || month < 1 || month > 12) return false;
    if (day < 1 || day > Date::days_in_month(static_cast<int>(year), static_cast<int>(month))) return false;
    if (hour > 23 || minute > 59 || second > 59) return false;
    const std::int64_t local =
        calendar::days_from_civil(year, static_cast<int>(month), static_cast<int>(day)) * microseconds_per_day +
        hour * microseconds_per_hour + minute * microseconds_per_minute + second * microseconds_per_second;
    time = local - TimeZone::current_time_zone().offset_of_local(local);
    return true;
}

}  // namespace bk
