#include "basekit/file_ops.h"

#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>

#include "basekit/convertion.h"
#include "basekit/exception.h"
#include "tests/support/temp_dir.h"

namespace bk {
namespace {

namespace fs = std::filesystem;
using brim_test::read_bytes;
using brim_test::write_bytes;

String wide(const fs::path& p) { return from_ansi(p.string()); }

void write_text(OutputStream& out, const std::string& text) {
    out.write(reinterpret_cast<const std::uint8_t*>(text.data()), static_cast<std::uint32_t>(text.size()));
}

TEST(ReplacingFileWriter, CommitReplacesTheTargetWithAPrivateFileAndLeavesNoTemporary) {
    brim_test::TempDir dir;
    const fs::path target = dir / "store";
    write_bytes(target, "old content");
    ::chmod(target.c_str(), 0644);
    {
        ReplacingFileWriter writer(wide(target), 0600);
        write_text(writer.stream(), "new");
        EXPECT_EQ(read_bytes(target), "old content");  // untouched until the commit
        writer.commit();
    }
    EXPECT_EQ(read_bytes(target), "new");
    EXPECT_FALSE(fs::exists(dir / "store~~temp"));
    struct stat st;
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST(ReplacingFileWriter, AbandonedWriteKeepsTheOldFile) {
    brim_test::TempDir dir;
    const fs::path target = dir / "store";
    write_bytes(target, "old content");
    write_bytes(dir / "store~~temp", "left by a crash");
    {
        ReplacingFileWriter writer(wide(target));
        write_text(writer.stream(), "half");
    }
    EXPECT_EQ(read_bytes(target), "old content");
    EXPECT_FALSE(fs::exists(dir / "store~~temp"));
}

TEST(CopyFile, CopiesOverAnExistingFileAndFailsForAMissingSource) {
    brim_test::TempDir dir;
    const std::string big(200000, 'x');
    write_bytes(dir / "a", big);
    write_bytes(dir / "b", std::string(300000, 'y'));
    copy_file(wide(dir / "a"), wide(dir / "b"));
    EXPECT_EQ(read_bytes(dir / "b"), big);
    EXPECT_THROW(copy_file(wide(dir / "missing"), wide(dir / "c")), IOException);
}

TEST(FileLock, ExcludesASecondDescriptorUntilReleased) {
    brim_test::TempDir dir;
    write_bytes(dir / "f", "");
    FileOutputStream first(wide(dir / "f"), FileMode::Open);
    FileOutputStream second(wide(dir / "f"), FileMode::Open);
    auto lock = std::make_unique<FileLock>(first.get_handle(), wide(dir / "f"));
    // flock locks belong to the open file description, so a second descriptor
    // of the same process is refused while the first holds the lock.
    EXPECT_NE(::flock(second.get_handle(), LOCK_EX | LOCK_NB), 0);
    lock.reset();
    EXPECT_EQ(::flock(second.get_handle(), LOCK_EX | LOCK_NB), 0);
}

}  // namespace
}  // namespace bk
