#include "basekit/path.h"

#include <unistd.h>

#include <gtest/gtest.h>

#include "basekit/convertion.h"
#include "basekit/exception.h"

namespace bk {
namespace {

constexpr PathStyle win = PathStyle::windows;
constexpr PathStyle posix = PathStyle::posix;

struct Case2 {
    PathStyle style;
    String a, b, expected;
};

struct Case1 {
    PathStyle style;
    String p, expected;
};

std::string show(PathStyle style, const String& a, const String& b = u"") {
    return (style == win ? "windows: " : "posix: ") + to_utf8(a) + " | " + to_utf8(b);
}

TEST(Path, NativeConstantsArePosix) {
    EXPECT_EQ(Path::separator, u'/');
    EXPECT_EQ(Path::alt_separator, u'/');
    EXPECT_EQ(Path::path_separator, u':');
    EXPECT_EQ(Path::separator_chars, u"/");
    EXPECT_EQ(Path::invalid_path_chars, StringView(u"\0", 1));
    const PathChars w = Path::chars(win);
    EXPECT_EQ(w.separator, u'\\');
    EXPECT_EQ(w.alt_separator, u'/');
    EXPECT_EQ(w.volume_separator, u':');
    EXPECT_EQ(w.path_separator, u';');
    EXPECT_EQ(w.invalid_path_chars.size(), 15u);
}

TEST(Path, Combine) {
    const Case2 cases[] = {
        {win, u"C:\\a", u"b", u"C:\\a\\b"},
        {win, u"C:\\a\\", u"b", u"C:\\a\\b"},
        {win, u"C:\\a/", u"b", u"C:\\a/b"},
        {win, u"C:\\a", u"D:\\b", u"D:\\b"},
        {win, u"C:\\a", u"\\b", u"\\b"},
        {win, u"", u"b", u"b"},
        {win, u"a", u"", u"a"},
        {posix, u"/a", u"b", u"/a/b"},
        {posix, u"/a/", u"b", u"/a/b"},
        {posix, u"/a", u"/b", u"/b"},
        {posix, u"/a\\", u"b", u"/a\\/b"},    // a backslash is part of the name
        {posix, u"/a", u"C:\\b", u"/a/C:\\b"},  // no drives
        {posix, u"", u"b", u"b"},
        {posix, u"a", u"", u"a"},
    };
    for (const auto& c : cases) EXPECT_EQ(Path::combine(c.a, c.b, c.style), c.expected) << show(c.style, c.a, c.b);
}

TEST(Path, IsAbsolute) {
    const struct {
        PathStyle style;
        String p;
        bool expected;
    } cases[] = {
        {win, u"", false},      {win, u"\\a", true},  {win, u"/a", true},   {win, u"C:", true},
        {win, u"C:a", true},    {win, u"a\\b", false}, {win, u"a", false},
        {posix, u"", false},    {posix, u"/a", true},  {posix, u"\\a", false}, {posix, u"C:\\a", false},
        {posix, u"a/b", false},
    };
    for (const auto& c : cases) EXPECT_EQ(Path::is_absolute_path(c.p, c.style), c.expected) << show(c.style, c.p);
}

TEST(Path, Root) {
    const Case1 cases[] = {
        {win, u"", u""},
        {win, u"a\\b", u""},
        {win, u"\\\\srv\\share\\dir", u"\\\\srv\\share\\"},
        {win, u"//srv/share", u"\\\\srv\\share\\"},
        {win, u"\\\\srv", u"\\"},  // no share: not a UNC name
        {win, u"\\a\\b", u"\\"},
        {win, u"C:\\a", u"C:\\"},
        {win, u"C:/a", u"C:/"},
        {win, u"C:", u"C:"},
        {win, u"C:a", u"C:"},
        {posix, u"", u""},
        {posix, u"a/b", u""},
        {posix, u"/a/b", u"/"},
        {posix, u"//srv/share", u"/"},
        {posix, u"\\\\srv\\share", u""},
    };
    for (const auto& c : cases) EXPECT_EQ(Path::path_root(c.p, c.style), c.expected) << show(c.style, c.p);
}

TEST(Path, DirectoryName) {
    const Case1 cases[] = {
        {win, u"C:\\a", u"C:\\"},
        {win, u"C:\\", u"C:\\"},
        {win, u"C:\\a\\b", u"C:\\a"},
        {win, u"C:\\a\\b\\", u"C:\\a"},
        {win, u"\\\\srv\\share\\", u"\\\\srv\\share\\"},
        {win, u"\\\\srv\\share\\dir", u"\\\\srv\\share"},
        {win, u"\\a", u""},  // the separator at index 0
        {win, u"a\\b", u""},  // the separator at index 1
        {win, u"ab\\c", u"ab"},
        {win, u"name", u""},
        {posix, u"/a", u"/"},
        {posix, u"/", u"/"},
        {posix, u"/a/b", u"/a"},
        {posix, u"/a/b/", u"/a"},
        {posix, u"a/b", u"a"},
        {posix, u"/a\\b", u"/"},
        {posix, u"name", u""},
    };
    for (const auto& c : cases) EXPECT_EQ(Path::directory_name(c.p, c.style), c.expected) << show(c.style, c.p);
    try {
        Path::directory_name(u"");
        FAIL();
    } catch (const ArgumentException& e) {
        EXPECT_EQ(e.argument_name(), u"path");
    }
}

TEST(Path, FileName) {
    const Case1 cases[] = {
        {win, u"C:\\dir\\", u"dir\\"},
        {win, u"C:\\dir\\f.txt", u"f.txt"},
        {win, u"C:/dir/f.txt", u"f.txt"},
        {win, u"name", u""},
        {win, u"C:\\", u""},
        {win, u"", u""},
        {posix, u"/dir/", u"dir/"},
        {posix, u"/dir/f.txt", u"f.txt"},
        {posix, u"/dir/a\\b", u"a\\b"},
        {posix, u"name", u""},
        {posix, u"/", u""},
        {posix, u"", u""},
    };
    for (const auto& c : cases) EXPECT_EQ(Path::file_name(c.p, c.style), c.expected) << show(c.style, c.p);
}

TEST(Path, ExtensionName) {
    const Case1 cases[] = {
        {win, u"C:\\a.b\\c", u""},
        {win, u"C:\\a\\b.", u""},
        {win, u"C:\\a\\b.txt", u".txt"},
        {win, u"C:\\a\\b.tar.gz", u".gz"},
        {win, u"C:\\a\\.profile", u".profile"},
        {posix, u"/a.b/c", u""},
        {posix, u"/a/b.", u""},
        {posix, u"/a/b.txt", u".txt"},
        {posix, u"/a/b.x\\c", u".x\\c"},  // the backslash does not end the extension
    };
    for (const auto& c : cases) EXPECT_EQ(Path::extension_name(c.p, c.style), c.expected) << show(c.style, c.p);
}

TEST(Path, ChangeExtension) {
    const struct {
        PathStyle style;
        String p, ext, expected;
    } cases[] = {
        {win, u"report", u"log", u"report.log"},
        {win, u"a.txt", u".bvf", u"a.bvf"},
        {win, u"a.", u"bvd", u"a.bvd"},  // a final dot counts as an extension
        {win, u".txt", u"bvd", u".bvd"},
        {win, u"C:\\x.y\\job", u"bvf", u"C:\\x.y\\job.bvf"},
        {win, u"C:\\d\\job.name", u"bvf", u"C:\\d\\job.bvf"},
        {posix, u"report", u"log", u"report.log"},
        {posix, u"a.txt", u".bvf", u"a.bvf"},
        {posix, u"/x.y/job", u"bvf", u"/x.y/job.bvf"},
        {posix, u"/d/a|b.txt", u"bvf", u"/d/a|b.bvf"},  // '|' is an ordinary character here
    };
    for (const auto& c : cases) {
        String p = c.p;
        Path::change_extension(p, c.ext, c.style);
        EXPECT_EQ(p, c.expected) << show(c.style, c.p, c.ext);
    }
    String bad = u"a|b.txt";
    try {
        Path::change_extension(bad, u"x", win);
        FAIL();
    } catch (const ArgumentException& e) {
        EXPECT_EQ(e.message(), u"Illegal characters in path");
    }
    String nul(u"a\0b", 3);
    EXPECT_THROW(Path::change_extension(nul, u"x", posix), ArgumentException);
}

TEST(Path, IsValid) {
    const struct {
        PathStyle style;
        String p;
        bool expected;
    } cases[] = {
        {win, u"C:\\backups\\job", true},
        {win, u"C:/backups", false},
        {win, u"C:\\a*b", false},
        {win, u"C:\\a?b", false},
        {win, u"C:\\a\"b", false},
        {win, u"C:\\a:b", false},
        {win, u"a:", true},  // ':' at index 1 makes the path absolute
        {win, u"ab:", false},
        {win, u"relative\\dir", true},
        {posix, u"/home/u/backups", true},
        {posix, u"/a*b?c:d<e>|\"", true},
        {posix, String(u"/a\0b", 4), false},
    };
    for (const auto& c : cases) EXPECT_EQ(Path::is_valid_path(c.p, c.style), c.expected) << show(c.style, c.p);
}

TEST(Path, MakeFullPathWindows) {
    const struct {
        String p, current, expected;
    } cases[] = {
        {u"file.txt", u"C:\\work", u"C:\\work\\file.txt"},
        {u"file.txt", u"C:\\", u"C:\\file.txt"},
        {u".\\file.txt", u"C:\\work", u".\\file.txt"},  // a leading dot is kept as it is
        {u"..\\up", u"C:\\work", u"..\\up"},
        {u"\\top\\f", u"C:\\work", u"C:\\top\\f"},
        {u"\\top\\f", u"\\\\srv\\share\\dir", u"\\\\srv\\share\\top\\f"},
        {u"\\top\\f", u"/home/u", u"\\top\\f"},
        {u"D:\\x\\..\\y", u"C:\\work", u"D:\\x\\..\\y"},  // nothing is resolved
        {u"D:rel", u"C:\\work", u"D:rel"},
        {u"\\\\srv\\share", u"C:\\work", u"\\\\srv\\share"},
        {u"//srv\\share", u"C:\\work", u"\\\\srv\\share"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Path::make_full_path(c.p, c.current, win), c.expected) << to_utf8(c.p) << " in " << to_utf8(c.current);

    const struct {
        String p, message;
    } errors[] = {
        {u"   ", u"The parameter path is not of a legal form"},
        {u"", u"The parameter path is not of a legal form"},
        {u"\\\\", u"UNC path should be of the form \\\\server\\share."},
        {u"\\\\server", u"UNC path should be of the form \\\\server\\share."},
        {u"//srv/share", u"UNC path should be of the form \\\\server\\share."},
    };
    for (const auto& e : errors) {
        try {
            Path::make_full_path(e.p, u"C:\\work", win);
            ADD_FAILURE() << to_utf8(e.p);
        } catch (const ArgumentException& ex) {
            EXPECT_EQ(ex.message(), e.message) << to_utf8(e.p);
        }
    }
}

TEST(Path, MakeFullPathPosix) {
    const struct {
        String p, current, expected;
    } cases[] = {
        {u"file.txt", u"/work", u"/work/file.txt"},
        {u"file.txt", u"/", u"/file.txt"},
        {u".hidden", u"/work", u"/work/.hidden"},
        {u"./f", u"/work", u"/work/./f"},  // nothing is resolved
        {u"../up", u"/work", u"/work/../up"},
        {u"a\\b", u"/work", u"/work/a\\b"},
        {u"/abs/f", u"/work", u"/abs/f"},
        {u"//srv/share", u"/work", u"//srv/share"},
        {u"C:\\x", u"/work", u"/work/C:\\x"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Path::make_full_path(c.p, c.current, posix), c.expected) << to_utf8(c.p);
    EXPECT_THROW(Path::make_full_path(u"  ", u"/work", posix), ArgumentException);
}

TEST(Path, CurrentPathsComeFromTheProcess) {
    char buffer[4096];
    ASSERT_NE(::getcwd(buffer, sizeof buffer), nullptr);
    EXPECT_EQ(Path::current_path(), from_native_path(buffer));
    EXPECT_EQ(Path::make_full_path(u"x"), Path::combine(from_native_path(buffer), u"x"));

    const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer);
    ASSERT_GT(n, 0);
    const std::string exe(buffer, static_cast<std::size_t>(n));
    EXPECT_EQ(Path::current_module_path(), from_native_path(exe.substr(0, exe.rfind('/'))));
}

}  // namespace
}  // namespace bk
