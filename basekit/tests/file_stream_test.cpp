#include "basekit/file_stream.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "basekit/convertion.h"
#include "basekit/error_code.h"
#include "basekit/exception.h"
#include "basekit/platform/os_fs.h"
#include "tests/support/temp_dir.h"

namespace bk {
namespace {

using brim_test::read_bytes;
using brim_test::TempDir;
using brim_test::write_bytes;

String name_of(const std::filesystem::path& p) { return from_native_path(p.string()); }

const std::uint8_t* bytes_of(const char* text) { return reinterpret_cast<const std::uint8_t*>(text); }

TEST(FileInputStream, ReadsToTheEndThenReportsMinusOne) {
    TempDir dir;
    write_bytes(dir / "f", "hello");
    FileInputStream in(name_of(dir / "f"));
    std::uint8_t buffer[16];
    EXPECT_EQ(in.available(), 5);
    EXPECT_EQ(in.read(buffer, 3), 3);
    EXPECT_EQ(in.read(buffer, 16), 2);
    EXPECT_EQ(in.available(), 0);
    EXPECT_EQ(in.read(buffer, 16), -1);
    EXPECT_EQ(in.seek(-4, SeekOrigin::End), -4);  // returns the distance moved
    EXPECT_EQ(in.read(), 'e');
}

TEST(FileInputStream, ArgumentAndOpenErrors) {
    TempDir dir;
    EXPECT_THROW(FileInputStream(u""), ArgumentException);
    try {
        FileInputStream in(name_of(dir / "missing"));
        FAIL();
    } catch (const IOException& e) {
        EXPECT_EQ(e.error_code(), error::file_not_found);
        EXPECT_EQ(e.message(), u"No such file or directory");
    }
    write_bytes(dir / "f", "x");
    FileInputStream in(name_of(dir / "f"));
    std::uint8_t byte;
    EXPECT_THROW(in.read(nullptr, 1), ArgumentException);
    EXPECT_THROW(in.read(&byte, 0), ArgumentException);
    in.close();
    in.close();
    try {
        in.read(&byte, 1);
        FAIL();
    } catch (const IOException& e) {
        EXPECT_EQ(e.message(), u"The file '" + name_of(dir / "f") + u"' has been closed.");
    }
}

TEST(FileOutputStream, ModesCreateTruncateAndAppend) {
    TempDir dir;
    const String name = name_of(dir / "f");
    {
        FileOutputStream out(name, FileMode::CreateNew);
        out.write(bytes_of("abc"), 3);
    }
    EXPECT_THROW(FileOutputStream(name, FileMode::CreateNew), IOException);
    {
        FileOutputStream out(name, FileMode::Append);
        EXPECT_EQ(out.get_current_offset(), 3);
        out.write(bytes_of("de"), 2);
    }
    EXPECT_EQ(read_bytes(dir / "f"), "abcde");
    {
        FileOutputStream out(name, FileMode::Open);
        out.seek(1, SeekOrigin::Begin);
        out.write('X');
    }
    EXPECT_EQ(read_bytes(dir / "f"), "aXcde");
    { FileOutputStream out(name, FileMode::Truncate); }
    EXPECT_EQ(read_bytes(dir / "f"), "");
    EXPECT_THROW(FileOutputStream(name_of(dir / "none"), FileMode::Open), IOException);
    EXPECT_THROW(FileOutputStream(name_of(dir / "none"), FileMode::Truncate), IOException);
    { FileOutputStream out(name_of(dir / "new"), FileMode::OpenOrCreate); }
    EXPECT_TRUE(std::filesystem::exists(dir / "new"));
}

TEST(FileOutputStream, NamesThatAreNotUtf8AreWrittenUnderTheirExactBytes) {
    TempDir dir;
    const std::string raw = (dir.path() / "bad\xFFname\\x").string();
    {
        FileOutputStream out(from_native_path(raw), FileMode::Create);
        out.write(bytes_of("1"), 1);
    }
    struct stat st;
    EXPECT_EQ(::stat(raw.c_str(), &st), 0);
}

// A directory is never opened as a file, for reading or writing; the check
// for it runs only where the system would not refuse by itself.
TEST(FileStreams, ADirectoryIsRefusedWhateverTheMode) {
    TempDir dir;
    std::filesystem::create_directory(dir / "folder");
    const String folder = name_of(dir / "folder");
    for (const FileMode mode : {FileMode::Open, FileMode::OpenOrCreate, FileMode::Append}) {
        try {
            FileOutputStream out(folder, mode);
            ADD_FAILURE() << "opened for writing in mode " << static_cast<int>(mode);
        } catch (const IOException& e) {
            EXPECT_EQ(e.error_code(), error::access_denied);
        }
    }
    try {
        FileInputStream in(folder);
        ADD_FAILURE() << "opened for reading";
    } catch (const IOException& e) {
        EXPECT_EQ(e.error_code(), error::access_denied);
    }
    // A caller that listed the name as a file a moment ago learns it at the
    // first read instead, with the same error.
    FileInputStream late(folder, FileShare::Read, DirectoryCheck::on_read);
    std::uint8_t byte = 0;
    try {
        late.read(&byte, 1);
        ADD_FAILURE() << "read a directory";
    } catch (const IOException& e) {
        EXPECT_EQ(e.error_code(), error::access_denied);
    }
}

// Mode and times set through the open handle after the last write stay as
// set once the file is closed.
TEST(FileOutputStream, ModeAndTimesSetThroughTheHandleStay) {
    TempDir dir;
    const String name = name_of(dir / "f");
    constexpr std::int64_t modified = -1'500'000;  // before 1970, with a fraction
    constexpr std::int64_t accessed = 1'700'000'000'123'456;
    {
        FileOutputStream out(name, FileMode::CreateNew, FileShare::None, 0600);
        out.write(bytes_of("data"), 4);
        os::set_mode(out.get_handle(), 0444, name);
        os::set_times(out.get_handle(), accessed, modified, name);
    }
    struct stat st;
    ASSERT_EQ(::stat((dir / "f").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0444u);
    EXPECT_EQ(st.st_mtim.tv_sec, -2);
    EXPECT_EQ(st.st_mtim.tv_nsec, 500'000'000);
    EXPECT_EQ(st.st_atim.tv_sec, 1'700'000'000);
    EXPECT_EQ(st.st_atim.tv_nsec, 123'456'000);
    EXPECT_EQ(read_bytes(dir / "f"), "data");
}

}  // namespace
}  // namespace bk
