#include "basekit/exception.h"

#include <cerrno>

#include <gtest/gtest.h>

#include "basekit/error_code.h"
#include "basekit/system_file.h"

namespace bk {
namespace {

TEST(Exception, DefaultMessagesOfTheTree) {
    struct Case {
        Exception e;
        const char16_t* message;
    };
    const Case cases[] = {
        {Exception(), u""},
        {ArgumentException(), u""},
        {OutOfRangeException(), u""},
        {OutOfMemoryException(), u"Out of memory"},
        {InvalidOperationException(), u"Invalid operation exception"},
        {FormatException(), u"Invalid format"},
        {IOException(), u"I/O exception"},
        {FileNotFoundException(), u"File not found"},
        {DirectoryNotFoundException(), u"Directory not found"},
        {EOFException(), u"Have reached the end of file"},
        {InstantiationException(), u""},
        {ClassFoundException(), u""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.e.message(), c.message);
        EXPECT_EQ(c.e.to_string(), c.message);
    }
}

TEST(Exception, BaseExceptionFollowsTheCauseChain) {
    const Exception third(u"third");
    const Exception second(u"second", &third);
    const Exception first(u"first", &second);
    EXPECT_EQ(&first.base_exception(), &third);
    EXPECT_EQ(&third.base_exception(), &third);
    EXPECT_EQ(first.to_string(), u"first");  // the cause adds nothing to the text
}

TEST(Exception, CopiesKeepMessageCauseAndArgumentName) {
    const Exception cause(u"cause");
    const InvalidOperationException original(u"outer", &cause);
    const InvalidOperationException copy = original;
    EXPECT_EQ(copy.message(), u"outer");
    EXPECT_EQ(copy.cause(), &cause);

    const ArgumentException argument(u"The len cannot be 0.", u"len");
    ArgumentException assigned;
    assigned = argument;
    EXPECT_EQ(assigned.message(), u"The len cannot be 0.");
    EXPECT_EQ(assigned.argument_name(), u"len");
    EXPECT_STREQ(assigned.what(), "The len cannot be 0.");
}

TEST(Exception, IOExceptionHandlerCatchesItsSubclasses) {
    auto caught_as_io = [](auto thrown) {
        try {
            throw thrown;
        } catch (const IOException&) {
            return true;
        } catch (...) {
            return false;
        }
    };
    EXPECT_TRUE(caught_as_io(EOFException()));
    EXPECT_TRUE(caught_as_io(FileNotFoundException()));
    EXPECT_TRUE(caught_as_io(DirectoryNotFoundException()));
    EXPECT_FALSE(caught_as_io(FormatException()));
}

TEST(PlatformError, NativeErrorsMapToTheSystemCodes) {
    const std::pair<int, std::int32_t> cases[] = {
        {ENOENT, 2},    {ENOTDIR, 3},   {EACCES, 5},    {EPERM, 5},     {EBADF, 6},
        {ENOSPC, 112},  {EDQUOT, 112},  {EEXIST, 183},  {ENETUNREACH, 1231},
        {EHOSTUNREACH, 1232}, {ESTALE, 64}, {ENOTCONN, 64}, {EREMOTEIO, 64}, {0, 0},
    };
    for (auto [native, code] : cases) EXPECT_EQ(error_from_native(native), code) << native;
    EXPECT_EQ(error_from_native(EOWNERDEAD), error::native_flag | EOWNERDEAD);
}

TEST(PlatformError, SystemErrorGivesThePrefixAndThePlatformTextWithoutLineBreak) {
    const String text = system_error(u"Cannot stop thread: ", error::file_not_found);
    EXPECT_EQ(text, u"Cannot stop thread: No such file or directory");
    EXPECT_EQ(system_error(u"prefix", 987654), u"prefix");
}

TEST(PlatformError, TheTextIsTheOriginalNativeErrors) {
    // EDQUOT and ENOSPC share a code, but the user sees what really happened.
    const std::int32_t code = set_last_native_error(EDQUOT);
    EXPECT_EQ(code, error::disk_full);
    EXPECT_EQ(system_error(u"", code), u"Disk quota exceeded");
    set_last_native_error(ENOENT);
    EXPECT_EQ(system_error(u"", error::disk_full), u"No space left on device");
}

TEST(PlatformError, ThrowIoExceptionCarriesCodeTextAndPath) {
    try {
        SystemFile::throw_io_exception(error::access_denied, false, u"/x/y");
        FAIL();
    } catch (const IOException& e) {
        EXPECT_EQ(e.message(), u"Permission denied");
        EXPECT_EQ(e.error_code(), error::access_denied);
        EXPECT_EQ(e.path(), u"/x/y");
    }
}

}  // namespace
}  // namespace bk
