#pragma once
// Dates as text in the patterns of a locale, and back.
//
// Pattern letters: y year, M month (1-2 letters a number, 3 the short name,
// 4+ the full name), d day, H hour 0-23, h hour 1-12, m minute, s second,
// E day name, e short day name, p morning/afternoon marker, w week number;
// G W Z g z give nothing; text in single quotes is copied ('' is a quote).
#include <array>
#include <cstdint>
#include <memory>

#include "basekit/date.h"
#include "basekit/locale.h"
#include "basekit/types.h"

namespace bk {

struct DatePatternSet {
    String short_time;
    String long_time;
    String short_date;
    String long_date;
    String month_day;
    String year_month;
    std::array<String, 12> month_names;
    std::array<String, 12> month_abbreviations;
    std::array<String, 7> day_names;
    std::array<String, 7> day_abbreviations;
    std::array<String, 2> day_period_markers;  // morning, afternoon

    static const DatePatternSet& us();
    static const DatePatternSet& chinese();
};

class DateFormat {
public:
    static DateFormat& local_instance();
    static void del_local_instance();

    virtual ~DateFormat() = default;
    // The date in local time, laid out by `pattern`.
    virtual String format(const Date& date, StringView pattern) const;
    virtual String to_full_string(const Date& date, FullDatePattern pattern) const;
    virtual String to_time_string(const Date& date, TimePattern pattern) const;
    virtual String to_date_string(const Date& date, DatePattern pattern) const;
    // Parses full pattern 0; FormatException when the text does not fit.
    virtual Date parse(StringView text) const;
    // Reads `text` as local time laid out by `pattern`; false when it does
    // not fit or names no valid date.
    virtual bool do_parse(StringView text, StringView pattern, std::int64_t& time) const;

    // The patterns of the current locale.
    const DatePatternSet& patterns() const;
};

}  // namespace bk
