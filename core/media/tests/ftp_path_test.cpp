#include "core/media/ftp_path.h"

#include <gtest/gtest.h>

#include "basekit/convertion.h"

namespace brim {
namespace {

TEST(FtpPath, HostAndRemotePathOfANames) {
    struct Case {
        const char16_t* name;
        const char16_t* host;
        const char16_t* remote;
    };
    const Case cases[] = {
        {u"ftp://host/pub/file", u"host", u"/pub/file"},
        {u"ftp://host/", u"host", u"/"},
        {u"ftp://host", u"host", u"/"},  // the server itself
        {u"/pub/file", u"", u"/pub/file"},
        {u"pub/file", u"pub", u"pub/file"},
        // The prefix must be lower case; otherwise the name is a remote path.
        {u"FTP://host/pub", u"FTP:", u"FTP://host/pub"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name, c.name + std::char_traits<char16_t>::length(c.name)));
        EXPECT_EQ(ftp_host(c.name), c.host);
        EXPECT_EQ(ftp_remote_path(c.name), c.remote);
    }
}

TEST(FtpPath, HostsCompareIgnoringCaseButThePrefixMustBeLowerCase) {
    EXPECT_TRUE(same_ftp_host(u"ftp://FTP.Example.ORG/dir", u"ftp.example.org"));
    EXPECT_TRUE(same_ftp_host(u"ftp://Server", u"ftp://server/a/b"));
    EXPECT_FALSE(same_ftp_host(u"ftp://server1", u"server2"));
    EXPECT_FALSE(same_ftp_host(u"FTP://server", u"server"));
    EXPECT_EQ(strip_ftp_prefix(u"ftp://Host"), u"Host");
    EXPECT_EQ(strip_ftp_prefix(u"Ftp://Host"), u"Ftp://Host");
}

TEST(FtpPath, APortWrittenAfterTheHostIsTakenApart) {
    const struct {
        const char16_t* name;
        const char16_t* host;
        std::uint16_t port;
    } cases[] = {
        {u"ftp://example.org/pub", u"example.org", 0},
        {u"ftp://127.0.0.1:2121/pub", u"127.0.0.1", 2121},
        {u"Example.org:21", u"Example.org", 21},
        {u"ftp://[::1]:2121/x", u"::1", 2121},
        {u"ftp://[::1]/x", u"::1", 0},
        {u"ftp://::1/x", u"::1", 0},          // no brackets: every colon is the address's
        {u"ftp://host:port/x", u"host:port", 0},  // not a port: the whole text is the host
        {u"ftp://host:70000/x", u"host:70000", 0},
    };
    for (const auto& c : cases) {
        const FtpEndpoint endpoint = ftp_endpoint(c.name);
        EXPECT_EQ(endpoint.host, c.host) << bk::to_utf8(c.name);
        EXPECT_EQ(endpoint.port, c.port) << bk::to_utf8(c.name);
    }
}

TEST(FtpPath, JoinPutsExactlyOneSlashBetween) {
    EXPECT_EQ(ftp_path_join(u"ftp://h/pub/", u"a"), u"ftp://h/pub/a");
    EXPECT_EQ(ftp_path_join(u"ftp://h/pub", u"a"), u"ftp://h/pub/a");
    EXPECT_EQ(ftp_path_join(u"", u"a"), u"a");
    EXPECT_EQ(ftp_path_join(u"/pub", u""), u"/pub");
}

TEST(FtpPath, RelativePathsStartFromTheCurrentDirectory) {
    EXPECT_EQ(ftp_absolute_path(u"/home/u", u"a/b"), u"/home/u/a/b");
    EXPECT_EQ(ftp_absolute_path(u"/", u"a"), u"/a");
    EXPECT_EQ(ftp_absolute_path(u"/home/u", u"/abs"), u"/abs");
}

TEST(FtpPath, ListPatternAppendsAStarUnlessThereIsOne) {
    struct Case {
        const char16_t* path;
        const char16_t* directory;
        const char16_t* prefix;
    };
    const Case cases[] = {
        {u"/pub", u"/pub", u""},
        {u"/pub/", u"/pub", u""},
        {u"/", u"/", u""},
        {u"/pub/*", u"/pub", u""},       // already a pattern: unchanged
        {u"/pub/ab*", u"/pub", u"ab"},
    };
    for (const Case& c : cases) {
        const FtpListPattern pattern = ftp_list_pattern(c.path);
        EXPECT_EQ(pattern.directory, c.directory);
        EXPECT_EQ(pattern.name_prefix, c.prefix);
    }
}

}  // namespace
}  // namespace brim
