#include "core/media/ftp_listing.h"

#include <chrono>

#include <gtest/gtest.h>

namespace brim {
namespace {

std::int64_t utc(int y, unsigned m, unsigned d, int hh = 0, int mm = 0, int ss = 0) {
    using namespace std::chrono;
    const sys_days date = year{y} / month{m} / day{d};
    return (static_cast<std::int64_t>(date.time_since_epoch().count()) * 86400 + hh * 3600 + mm * 60 + ss) * 1'000'000;
}

FtpListEntry entry(std::u16string name, bool directory, std::int64_t size, std::int64_t time) {
    return FtpListEntry{std::move(name), directory, size, time};
}

TEST(FtpListing, ReadsMlsdFactsInAnyOrderAndCase) {
    const std::string text =
        "type=cdir;modify=20240101000000; .\r\n"
        "type=pdir;modify=20240101000000; ..\r\n"
        "modify=20240305140703;perm=r;size=156;type=file;unique=1; my file;v2.txt\r\n"
        "Type=DIR;Size=4096;Modify=19991231235959; sub dir\r\n"
        "type=file;size=7;modify=20240305140703.25; \xc3\xa9t\xc3\xa9\r\n"
        "type=OS.unix=symlink;size=3;modify=20240305140703; link\r\n"
        "garbage-without-name\r\n";
    const std::vector<FtpListEntry> expected = {
        entry(u"my file;v2.txt", false, 156, utc(2024, 3, 5, 14, 7, 3)),
        entry(u"sub dir", true, 0, utc(1999, 12, 31, 23, 59, 59)),
        entry(u"\u00e9t\u00e9", false, 7, utc(2024, 3, 5, 14, 7, 3) + 250'000),
        entry(u"link", false, 3, utc(2024, 3, 5, 14, 7, 3)),
    };
    EXPECT_EQ(parse_mlsd_listing(text), expected);
}

TEST(FtpListing, MlsdEntriesWithBadFactsKeepTheirName) {
    const auto parsed = parse_mlsd_line("type=file;size=x;modify=2024130199; odd");
    ASSERT_TRUE(parsed);
    EXPECT_EQ(*parsed, entry(u"odd", false, 0, 0));
    EXPECT_FALSE(parse_mlsd_line("size=3; no type"));
}

TEST(FtpListing, ReadsUnixListForms) {
    const std::int64_t now = utc(2024, 3, 10, 12, 0);
    const std::string text =
        "total 12\r\n"
        "drwxr-xr-x   2 owner    group        4096 Mar 05 14:07 sub dir\r\n"
        "-rw-r--r--   1 owner    group     7045120 Sep 02  2023 music.mp3\r\n"
        "-rw-r--r--   1 1000     1000          380 Dec 24 23:59 last year.txt\r\n"
        "-rw-r--r--   1 owner              12 Mar  5  9:07 no group\r\n"
        "lrwxrwxrwx   1 owner    group          7 Mar 05 14:07 link -> target\r\n"
        "drwxr-xr-x   2 owner    group        4096 Mar 05 14:07 .\r\n"
        "-rw-r--r--   1 may      jun            5 Jan 01  2020 month names as owners\r\n"
        "-rw-r--r--   1 owner    group          9 Feb 30 14:07 bad day\r\n";
    const std::vector<FtpListEntry> expected = {
        entry(u"sub dir", true, 0, utc(2024, 3, 5, 14, 7)),
        entry(u"music.mp3", false, 7045120, utc(2023, 9, 2)),
        // Without a year a date after now belongs to the year before.
        entry(u"last year.txt", false, 380, utc(2023, 12, 24, 23, 59)),
        entry(u"no group", false, 12, utc(2024, 3, 5, 9, 7)),
        entry(u"link", false, 7, utc(2024, 3, 5, 14, 7)),
        entry(u"month names as owners", false, 5, utc(2020, 1, 1)),
        entry(u"bad day", false, 9, 0),
    };
    EXPECT_EQ(parse_list_listing(text, now), expected);
}

TEST(FtpListing, ReadsDosListForms) {
    const std::string text =
        "01-16-02  11:14AM       <DIR>          epsgroup\r\n"
        "06-05-03  03:19PM                 1973 read me.txt\r\n"
        "12-31-1999  12:00AM                0 midnight\r\n"
        "07-04-2021  17:30                  10 twenty-four\r\n"
        "13-01-02  11:14AM                  1 bad month\r\n"
        "01-16-02  25:00                    2 late\r\n";
    const std::vector<FtpListEntry> expected = {
        entry(u"epsgroup", true, 0, utc(2002, 1, 16, 11, 14)),
        entry(u"read me.txt", false, 1973, utc(2003, 6, 5, 15, 19)),
        entry(u"midnight", false, 0, utc(1999, 12, 31, 0, 0)),
        entry(u"twenty-four", false, 10, utc(2021, 7, 4, 17, 30)),
        // An unreadable date keeps the entry, without a time.
        entry(u"bad month", false, 1, 0),
        entry(u"late", false, 2, 0),
    };
    EXPECT_EQ(parse_list_listing(text, utc(2024, 1, 1)), expected);
}

TEST(FtpListing, RejectsLinesInNoKnownForm) {
    const char* lines[] = {"", "total 0", "hello world", "-rw-r--r-- 1 o g notanumber Mar 05 14:07 x",
                           "-rw-r--r-- 1 o g 5 Mar 05 14:07", "01-16-02 11:14AM <DIR>"};
    for (const char* line : lines) EXPECT_FALSE(parse_list_line(line, utc(2024, 1, 1))) << line;
}

}  // namespace
}  // namespace brim
