#include "core/media/ftp_listing.h"

#include <array>
#include <charconv>
#include <chrono>

#include "basekit/convertion.h"

namespace brim {
namespace {

constexpr std::int64_t micros_per_second = 1'000'000;
constexpr std::int64_t seconds_per_day = 86'400;

struct DateTime {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    std::int64_t micros = 0;  // below the second
};

std::optional<std::int64_t> to_micros(const DateTime& t) {
    namespace chr = std::chrono;
    const chr::year_month_day date{chr::year{t.year}, chr::month{static_cast<unsigned>(t.month)},
                                   chr::day{static_cast<unsigned>(t.day)}};
    if (!date.ok() || t.hour < 0 || t.hour > 23 || t.minute < 0 || t.minute > 59 || t.second < 0 ||
        t.second > 60)
        return std::nullopt;
    const std::int64_t days = chr::sys_days{date}.time_since_epoch().count();
    const std::int64_t seconds = days * seconds_per_day + t.hour * 3600 + t.minute * 60 + t.second;
    return seconds * micros_per_second + t.micros;
}

int year_of(std::int64_t micros) {
    namespace chr = std::chrono;
    const auto days = chr::floor<chr::days>(chr::sys_time<chr::microseconds>(chr::microseconds(micros)));
    return static_cast<int>(chr::year_month_day{days}.year());
}

bool all_digits(std::string_view text) {
    if (text.empty()) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    return true;
}

template <typename Int>
bool parse_number(std::string_view text, Int& value) {
    if (!all_digits(text)) return false;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

bool iequals(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

bool is_dot_name(std::string_view name) { return name == "." || name == ".."; }

std::string_view trim_line_end(std::string_view line) {
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.remove_suffix(1);
    return line;
}

// "YYYYMMDDHHMMSS" with an optional fraction of a second.
std::optional<std::int64_t> parse_mlsd_time(std::string_view text) {
    const std::size_t dot = text.find('.');
    const std::string_view whole = text.substr(0, dot);
    if (whole.size() != 14 || !all_digits(whole)) return std::nullopt;
    DateTime t;
    const auto field = [&](std::size_t at, std::size_t length) {
        int value = 0;
        parse_number(whole.substr(at, length), value);
        return value;
    };
    t.year = field(0, 4), t.month = field(4, 2), t.day = field(6, 2);
    t.hour = field(8, 2), t.minute = field(10, 2), t.second = field(12, 2);
    if (dot != std::string_view::npos) {
        std::string_view fraction = text.substr(dot + 1);
        if (!all_digits(fraction)) return std::nullopt;
        fraction = fraction.substr(0, 6);
        std::int64_t micros = 0;
        parse_number(fraction, micros);
        for (std::size_t i = fraction.size(); i < 6; ++i) micros *= 10;
        t.micros = micros;
    }
    return to_micros(t);
}

// Splits off the next blank-separated word of `rest`.
std::string_view next_word(std::string_view& rest) {
    const std::size_t start = rest.find_first_not_of(' ');
    if (start == std::string_view::npos) {
        rest = {};
        return {};
    }
    rest.remove_prefix(start);
    const std::size_t end = rest.find(' ');
    const std::string_view word = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end);
    return word;
}

int month_number(std::string_view word) {
    static constexpr std::array<std::string_view, 12> months = {"jan", "feb", "mar", "apr", "may", "jun",
                                                                "jul", "aug", "sep", "oct", "nov", "dec"};
    for (std::size_t i = 0; i < months.size(); ++i)
        if (iequals(word, months[i])) return static_cast<int>(i) + 1;
    return 0;
}

// "hh:mm", also with one hour digit.
bool parse_clock(std::string_view text, int& hour, int& minute) {
    const std::size_t colon = text.find(':');
    return colon != std::string_view::npos && colon >= 1 && colon <= 2 &&
           parse_number(text.substr(0, colon), hour) && text.size() - colon - 1 == 2 &&
           parse_number(text.substr(colon + 1), minute);
}

// "-rw-r--r--  1 owner group  1234 Mar  5 14:07 name" and the form with a
// year in place of the time; owner and group may be missing.
std::optional<FtpListEntry> parse_unix_line(std::string_view line, std::int64_t now) {
    std::string_view rest = line;
    const std::string_view mode = next_word(rest);
    if (mode.size() < 10 || std::string_view("-dlcbpsD").find(mode[0]) == std::string_view::npos)
        return std::nullopt;
    // The size is the number right before the month.
    std::string_view previous;
    while (!rest.empty()) {
        const std::string_view word = next_word(rest);
        const int month = month_number(word);
        if (month == 0 || !all_digits(previous)) {
            previous = word;
            continue;
        }
        std::string_view after = rest;
        DateTime t;
        t.month = month;
        const std::string_view day = next_word(after);
        const std::string_view time_or_year = next_word(after);
        if (!parse_number(day, t.day)) {
            previous = word;
            continue;
        }
        const bool has_clock = parse_clock(time_or_year, t.hour, t.minute);
        if (!has_clock && !(time_or_year.size() == 4 && parse_number(time_or_year, t.year))) {
            previous = word;
            continue;
        }
        if (after.size() < 2 || after[0] != ' ') return std::nullopt;
        std::string_view name = after.substr(1);
        FtpListEntry entry;
        entry.is_directory = mode[0] == 'd';
        if (mode[0] == 'l') name = name.substr(0, name.find(" -> "));
        if (name.empty() || is_dot_name(name)) return std::nullopt;
        if (!parse_number(previous, entry.size)) return std::nullopt;
        if (has_clock) {
            t.year = year_of(now);
            std::optional<std::int64_t> time = to_micros(t);
            if (time && *time > now + seconds_per_day * micros_per_second) {
                --t.year;
                time = to_micros(t);
            }
            entry.modified_time = time.value_or(0);
        } else {
            entry.modified_time = to_micros(t).value_or(0);
        }
        if (entry.is_directory) entry.size = 0;
        entry.name = bk::from_utf8(name);
        return entry;
    }
    return std::nullopt;
}

// "01-16-02  11:14AM       <DIR>          name" or a size in place of <DIR>;
// the year may have four digits, the time may be on a 24-hour clock.
std::optional<FtpListEntry> parse_dos_line(std::string_view line) {
    std::string_view rest = line;
    const std::string_view date = next_word(rest);
    const std::string_view clock = next_word(rest);
    const std::string_view size_or_dir = next_word(rest);
    DateTime t;
    if ((date.size() != 8 && date.size() != 10) || date[2] != '-' || date[5] != '-' ||
        !parse_number(date.substr(0, 2), t.month) || !parse_number(date.substr(3, 2), t.day) ||
        !parse_number(date.substr(6), t.year))
        return std::nullopt;
    if (date.size() == 8) t.year += t.year < 70 ? 2000 : 1900;
    std::string_view hhmm = clock;
    int add_hours = 0;
    if (clock.size() > 2 && (iequals(clock.substr(clock.size() - 2), "AM") || iequals(clock.substr(clock.size() - 2), "PM"))) {
        hhmm = clock.substr(0, clock.size() - 2);
        add_hours = iequals(clock.substr(clock.size() - 2), "PM") ? 12 : 0;
        if (!parse_clock(hhmm, t.hour, t.minute) || t.hour < 1 || t.hour > 12) return std::nullopt;
        t.hour = t.hour % 12 + add_hours;
    } else if (!parse_clock(hhmm, t.hour, t.minute)) {
        return std::nullopt;
    }
    FtpListEntry entry;
    entry.is_directory = size_or_dir == "<DIR>";
    if (!entry.is_directory && !parse_number(size_or_dir, entry.size)) return std::nullopt;
    const std::size_t start = rest.find_first_not_of(' ');
    if (start == std::string_view::npos) return std::nullopt;
    const std::string_view name = rest.substr(start);
    if (is_dot_name(name)) return std::nullopt;
    entry.modified_time = to_micros(t).value_or(0);
    entry.name = bk::from_utf8(name);
    return entry;
}

template <typename LineParser>
std::vector<FtpListEntry> parse_lines(std::string_view text, LineParser parse_line) {
    std::vector<FtpListEntry> entries;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = trim_line_end(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (std::optional<FtpListEntry> entry = parse_line(line)) entries.push_back(std::move(*entry));
    }
    return entries;
}

}  // namespace

std::optional<FtpListEntry> parse_mlsd_line(std::string_view line) {
    line = trim_line_end(line);
    const std::size_t space = line.find(' ');
    if (space == std::string_view::npos || space + 1 >= line.size()) return std::nullopt;
    std::string_view facts = line.substr(0, space);
    const std::string_view name = line.substr(space + 1);
    FtpListEntry entry;
    bool has_type = false;
    while (!facts.empty()) {
        const std::size_t end = facts.find(';');
        const std::string_view fact = facts.substr(0, end);
        facts = end == std::string_view::npos ? std::string_view() : facts.substr(end + 1);
        const std::size_t equals = fact.find('=');
        if (equals == std::string_view::npos) continue;
        const std::string_view key = fact.substr(0, equals);
        const std::string_view value = fact.substr(equals + 1);
        if (iequals(key, "type")) {
            if (iequals(value, "cdir") || iequals(value, "pdir")) return std::nullopt;
            entry.is_directory = iequals(value, "dir");
            has_type = true;
        } else if (iequals(key, "size")) {
            if (!parse_number(value, entry.size)) entry.size = 0;
        } else if (iequals(key, "modify")) {
            entry.modified_time = parse_mlsd_time(value).value_or(0);
        }
    }
    if (!has_type || is_dot_name(name)) return std::nullopt;
    if (entry.is_directory) entry.size = 0;
    entry.name = bk::from_utf8(name);
    return entry;
}

std::optional<FtpListEntry> parse_list_line(std::string_view line, std::int64_t now) {
    line = trim_line_end(line);
    if (line.empty()) return std::nullopt;
    if (line[0] >= '0' && line[0] <= '9') return parse_dos_line(line);
    return parse_unix_line(line, now);
}

std::vector<FtpListEntry> parse_mlsd_listing(std::string_view text) {
    return parse_lines(text, [](std::string_view line) { return parse_mlsd_line(line); });
}

std::vector<FtpListEntry> parse_list_listing(std::string_view text, std::int64_t now) {
    return parse_lines(text, [now](std::string_view line) { return parse_list_line(line, now); });
}

}  // namespace brim
