#include "basekit/date.h"

#include <cstdlib>
#include <ctime>

#include <gtest/gtest.h>

#include "basekit/convertion.h"
#include "basekit/date_format.h"
#include "basekit/exception.h"
#include "basekit/locale.h"
#include "basekit/time_zone.h"

namespace bk {
namespace {

// Sets TZ and the date locale for one test and puts both back afterwards.
class ZoneAndLocale {
public:
    ZoneAndLocale(const char* zone, const Locale& locale) : saved_locale_(Locale::current_locale()) {
        if (const char* tz = std::getenv("TZ")) saved_zone_ = tz;
        use(zone, locale);
    }
    ~ZoneAndLocale() {
        if (saved_zone_.empty()) ::unsetenv("TZ");
        else ::setenv("TZ", saved_zone_.c_str(), 1);
        ::tzset();
        Locale::current_locale(saved_locale_);
    }
    void use(const char* zone, const Locale& locale) {
        ::setenv("TZ", zone, 1);
        ::tzset();
        Locale::current_locale(locale);
    }

private:
    std::string saved_zone_;
    Locale saved_locale_;
};

TEST(Date, CalendarParts) {
    EXPECT_EQ(Date(0).year(), 1970);
    EXPECT_EQ(Date(0).day_of_week(), Weekday::Thursday);
    const Date d(2008, 3, 1, 13, 45, 30, 250);
    EXPECT_EQ(d.year(), 2008);
    EXPECT_EQ(d.month(), 3);
    EXPECT_EQ(d.day(), 1);
    EXPECT_EQ(d.day_of_year(), 61);
    EXPECT_EQ(d.day_of_week(), Weekday::Saturday);
    EXPECT_EQ(d.hours(), 13);
    EXPECT_EQ(d.minutes(), 45);
    EXPECT_EQ(d.seconds(), 30);
    EXPECT_EQ(d.time() % microseconds_per_second, 250000);

    const Date before_epoch(-1);  // 1969-12-31 23:59:59.999999
    EXPECT_EQ(before_epoch.year(), 1969);
    EXPECT_EQ(before_epoch.day(), 31);
    EXPECT_EQ(before_epoch.hours(), 23);
    EXPECT_EQ(before_epoch.time_of_day(), microseconds_per_day - 1);

    // Outside the platform calendar the parts are 0.
    const Date ancient(Date(1601, 1, 1, 0, 0, 0).time() - 1);
    EXPECT_EQ(ancient.year(), 0);
    EXPECT_EQ(ancient.month(), 0);
}

TEST(Date, LeapYearsAndUnrepresentableParts) {
    const std::pair<int, bool> years[] = {{2000, true}, {1900, false}, {2004, true}, {2023, false}, {2400, true}};
    for (auto [year, leap] : years) EXPECT_EQ(Date::is_leap_year(year), leap) << year;
    EXPECT_NO_THROW(Date(2004, 2, 29, 0, 0, 0));
    const int bad[][6] = {{2003, 2, 29, 0, 0, 0}, {2004, 13, 1, 0, 0, 0}, {2004, 1, 1, 24, 0, 0},
                          {1600, 1, 1, 0, 0, 0},  {2004, 4, 31, 0, 0, 0}, {2004, 1, 1, 0, 60, 0}};
    for (const auto& b : bad) {
        try {
            Date(b[0], b[1], b[2], b[3], b[4], b[5]);
            ADD_FAILURE() << b[0] << "-" << b[1] << "-" << b[2];
        } catch (const ArgumentException& e) {
            EXPECT_EQ(e.message(), u"Parameters describe an unrepresentable DateTime.");
        }
    }
}

TEST(Date, SpansFileTimesAndNow) {
    const Date a(2020, 1, 1, 0, 0, 0);
    Date b = a;
    b.add_hours(36);
    EXPECT_EQ(b.subtract(a).days(), 1);
    EXPECT_EQ(a.subtract(b).days(), -1);
    EXPECT_EQ(Date(a.file_time()), a);
    EXPECT_EQ(Date(FileTime{116444736000000000}).time(), 0);
    const std::int64_t now = Date::now_time();
    EXPECT_NEAR(static_cast<double>(now / microseconds_per_second), static_cast<double>(std::time(nullptr)), 2.0);
}

std::int64_t fixed_clock() { return Date(2026, 3, 16, 9, 30, 0).time(); }

TEST(Date, NowFollowsTheClockATestSets) {
    Date::set_clock(fixed_clock);
    EXPECT_EQ(Date::now_time(), fixed_clock());
    EXPECT_EQ(Date().time(), fixed_clock());
    Date::set_clock(nullptr);
    EXPECT_NEAR(static_cast<double>(Date::now_time() / microseconds_per_second), static_cast<double>(std::time(nullptr)),
                2.0);
}

TEST(DateFormat, FormatsInBothLocales) {
    ZoneAndLocale env("UTC", Locale::US);
    const Date d(2006, 3, 5, 14, 7, 9);
    struct Case {
        const Locale* locale;
        String full_short, full_long, month_day, year_month;
    };
    const Case cases[] = {
        {&Locale::US, u"03/05/2006 14:07", u"Sunday, March 05, 2006 14:07:09", u"March 05", u"2006 March"},
        {&Locale::CHINA, u"2006-3-05 14:07", u"2006\u5E743\u670805\u65E5 \u661F\u671F\u5929 14:07:09",
         u"\u4E09\u670805\u65E5", u"2006\u5E74\u4E09\u6708"},
    };
    for (const auto& c : cases) {
        env.use("UTC", *c.locale);
        EXPECT_EQ(d.to_string(FullDatePattern::Short), c.full_short);
        EXPECT_EQ(d.to_string(FullDatePattern::Long), c.full_long);
        EXPECT_EQ(d.to_date_string(DatePattern::MonthDay), c.month_day);
        EXPECT_EQ(d.to_date_string(DatePattern::YearMonth), c.year_month);
        EXPECT_EQ(d.to_string(static_cast<FullDatePattern>(7)), u"");
        EXPECT_EQ(d.to_date_string(static_cast<DatePattern>(-1)), u"");
        EXPECT_EQ(d.to_time_string(static_cast<TimePattern>(2)), u"");
    }
}

TEST(DateFormat, PatternLetters) {
    ZoneAndLocale env("UTC", Locale::US);
    const Date d(2006, 3, 5, 0, 7, 9);
    const DateFormat& f = DateFormat::local_instance();
    const std::pair<String, String> cases[] = {
        {u"GyyyyG", u"2006"},       {u"y yy yyy", u"6 06 2006"}, {u"M MM MMM MMMM", u"3 03 Mar March"},
        {u"h hh p", u"12 12 AM"},   {u"e E", u"Sun Sunday"},    {u"'o''clock' d", u"o'clock 05"},
        {u"zZgW", u""},             {u"w", u"10"},              {u"H:m:s", u"00:07:09"},
    };
    for (const auto& [pattern, expected] : cases) EXPECT_EQ(f.format(d, pattern), expected) << to_utf8(pattern);
}

TEST(DateFormat, FractionalHourZonesShowTheirTrueLocalTime) {
    ZoneAndLocale env("UTC", Locale::US);
    const Date d(2006, 3, 5, 8, 37, 0);
    const std::pair<const char*, String> zones[] = {
        {"Asia/Kolkata", u"03/05/2006 14:07"},      // +05:30
        {"Asia/Kathmandu", u"03/05/2006 14:22"},    // +05:45
        {"America/St_Johns", u"03/05/2006 05:07"},  // -03:30
    };
    for (const auto& [zone, text] : zones) {
        env.use(zone, Locale::US);
        EXPECT_EQ(d.to_string(), text) << zone;
        EXPECT_EQ(Date::parse(text), d) << zone;
    }
}

TEST(DateFormat, WhatToStringWritesParsesBackToTheSameMinute) {
    ZoneAndLocale env("UTC", Locale::US);
    const char* zones[] = {"UTC", "Asia/Kolkata", "America/St_Johns", "Asia/Kathmandu", "Europe/Berlin",
                           "America/New_York", "Australia/Lord_Howe", "Pacific/Chatham"};
    std::vector<Date> dates;
    for (std::int64_t t = Date(1970, 1, 1, 0, 0, 0).time(); t < Date(2037, 1, 1, 0, 0, 0).time();
         t += 37 * microseconds_per_day + 7 * microseconds_per_hour + 13 * microseconds_per_minute + 17)
        dates.emplace_back(t);
    dates.emplace_back(Date(2000, 2, 29, 23, 59, 59).time());
    dates.emplace_back(Date(1999, 12, 31, 23, 59, 0).time());
    for (const Locale* locale : {&Locale::US, &Locale::CHINA}) {
        for (const char* zone : zones) {
            env.use(zone, *locale);
            for (const Date& d : dates) {
                // In the hour a daylight-saving change repeats, one wall-clock
                // text names two instants; only those are left out.
                const TimeZone& tz = TimeZone::current_time_zone();
                if (tz.offset(d.time() - 2 * microseconds_per_hour) != tz.offset(d.time() + 2 * microseconds_per_hour))
                    continue;
                const String text = d.to_string();
                const std::int64_t minute = d.time() - d.time() % microseconds_per_minute;
                EXPECT_EQ(Date::parse(text).time(), minute) << zone << " " << to_utf8(text);
            }
        }
    }
}

TEST(DateFormat, ParseRejectsWhatDoesNotFit) {
    ZoneAndLocale env("UTC", Locale::US);
    const String bad[] = {u"", u"03/05/2006", u"13/05/2006 10:00", u"02/30/2006 10:00", u"03/05/2006 24:00",
                          u"03/05/2006 10:60", u"03/05/2006 10:00 x", u"ab/05/2006 10:00", u"03/05/0 10:00x",
                          u"03/05/10000 10:00"};
    for (const auto& text : bad) {
        try {
            Date::parse(text);
            ADD_FAILURE() << to_utf8(text);
        } catch (const FormatException& e) {
            EXPECT_EQ(e.message(), u"The date string format is unexpected");
        }
    }
}

TEST(DateFormat, ParseReadsShortYearsAndWhiteSpaceRuns) {
    ZoneAndLocale env("UTC", Locale::US);
    const std::pair<String, Date> cases[] = {
        {u"03/05/06 14:07", Date(2006, 3, 5, 14, 7, 0)},
        {u"03/05/75 14:07", Date(1975, 3, 5, 14, 7, 0)},
        {u"3-5-2006\t \t14.07", Date(2006, 3, 5, 14, 7, 0)},  // "/" and ":" match any character
        {u"  03/05/2006 14:07  ", Date(2006, 3, 5, 14, 7, 0)},
    };
    for (const auto& [text, date] : cases) {
        std::int64_t time = 0;
        const String trimmed = text.substr(text.find_first_not_of(u' '));
        ASSERT_TRUE(DateFormat::local_instance().do_parse(trimmed, u"MM/dd/yyyy HH:mm", time)) << to_utf8(text);
        EXPECT_EQ(time, date.time()) << to_utf8(text);
    }
    env.use("UTC", Locale::CHINA);
    EXPECT_EQ(Date::parse(u"2006-3-05 14:07"), Date(2006, 3, 5, 14, 7, 0));
}

TEST(Locale, ComesFromTheEnvironment) {
    const char* names[] = {"LC_ALL", "LC_TIME", "LANG"};
    std::vector<std::pair<std::string, std::string>> saved;
    for (const char* n : names)
        if (const char* v = std::getenv(n)) saved.emplace_back(n, v);
    auto set = [&](const char* all, const char* time, const char* lang) {
        const char* values[] = {all, time, lang};
        for (int i = 0; i < 3; ++i)
            values[i] ? ::setenv(names[i], values[i], 1) : ::unsetenv(names[i]);
    };
    set(nullptr, nullptr, "zh_CN.UTF-8");
    EXPECT_EQ(Locale::from_environment(), Locale::CHINA);
    set(nullptr, "zh_TW.UTF-8", "en_GB.UTF-8");
    EXPECT_EQ(Locale::from_environment(), Locale::TAIWAN);
    set("C", "zh_TW.UTF-8", "zh_CN.UTF-8");
    EXPECT_EQ(Locale::from_environment(), Locale::US);
    set(nullptr, nullptr, "de_DE.UTF-8@euro");
    EXPECT_EQ(Locale::from_environment().to_string(), u"de_DE");
    EXPECT_FALSE(Locale::from_environment().uses_chinese_dates());
    set(nullptr, nullptr, nullptr);
    for (const auto& [n, v] : saved) ::setenv(n.c_str(), v.c_str(), 1);
    EXPECT_EQ(Locale::US.to_string(), u"en_US");
    EXPECT_EQ(Locale(u"zh", u"CN", u"x").to_string(), u"zh_CN_x");
}

}  // namespace
}  // namespace bk
