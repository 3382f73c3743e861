#include "basekit/system_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <set>

#include <gtest/gtest.h>

#include "basekit/convertion.h"
#include "basekit/error_code.h"
#include "basekit/exception.h"
#include "basekit/file_stream.h"
#include "basekit/path.h"
#include "tests/support/temp_dir.h"

namespace bk {
namespace {

using brim_test::read_bytes;
using brim_test::TempDir;
using brim_test::write_bytes;
namespace fa = file_attribute;

String wide(const std::string& native) { return from_native_path(native); }

const std::string long_name(255, 'L');

// Every kind of name and entry a backup meets on Linux, in one directory,
// with a directory outside it that links point to.
class Fixture : public ::testing::Test {
protected:
    void SetUp() override {
        root = (dir / "tree").string();
        outside = (dir / "outside").string();
        ASSERT_EQ(::mkdir(root.c_str(), 0755), 0);
        ASSERT_EQ(::mkdir(outside.c_str(), 0755), 0);
        write_bytes(outside + "/keep.txt", "keep");

        write_bytes(at("with space.txt"), "space");
        write_bytes(at("na\xC3\xAFve \xC3\x84\xC3\x96.txt"), "non-ascii");
        write_bytes(at("back\\slash"), "bs");
        write_bytes(at("new\nline"), "nl");
        write_bytes(at("bad\xFF" "byte"), "ff");
        write_bytes(at(".hidden"), "h");
        write_bytes(at(long_name), "long");
        write_bytes(at("empty"), "");
        write_bytes(at("readonly"), "ro");
        ASSERT_EQ(::chmod(at("readonly").c_str(), 0444), 0);
        ASSERT_EQ(::mkdir(at("sub").c_str(), 0755), 0);
        write_bytes(at("sub/inner.txt"), "inner");
        ASSERT_EQ(::symlink("with space.txt", at("link-file").c_str()), 0);
        ASSERT_EQ(::symlink("sub", at("link-dir-in").c_str()), 0);
        ASSERT_EQ(::symlink(outside.c_str(), at("link-dir-out").c_str()), 0);
        ASSERT_EQ(::symlink("nowhere", at("dangling").c_str()), 0);
        ASSERT_EQ(::symlink("loop", at("loop").c_str()), 0);
        ASSERT_EQ(::mkfifo(at("fifo").c_str(), 0644), 0);
    }

    std::string at(const std::string& name) const { return root + "/" + name; }
    String w(const std::string& name) const { return wide(at(name)); }

    // The native names of the fixture's top level, in ascending byte order.
    std::vector<std::string> all_names() const {
        std::vector<std::string> names = {"with space.txt", "na\xC3\xAFve \xC3\x84\xC3\x96.txt",
                                          "back\\slash", "new\nline", "bad\xFF" "byte", ".hidden",
                                          long_name, "empty", "readonly", "sub", "link-file",
                                          "link-dir-in", "link-dir-out", "dangling", "loop", "fifo"};
        std::sort(names.begin(), names.end());
        return names;
    }

    TempDir dir;
    std::string root, outside;
};

std::vector<std::string> native_names(const std::vector<String>& paths) {
    std::vector<std::string> names;
    for (const auto& p : paths) {
        const std::string native = to_native_path(p);
        names.push_back(native.substr(native.rfind('/') + 1));
    }
    return names;
}

TEST_F(Fixture, ListsEveryNameExactlyInByteOrder) {
    std::vector<String> out;
    Directory(wide(root)).list(out);
    EXPECT_EQ(native_names(out), all_names());
    for (const auto& p : out) {
        const std::string native = to_native_path(p);
        EXPECT_EQ(native.substr(0, root.size() + 1), root + "/");
        struct stat st;
        EXPECT_EQ(::lstat(native.c_str(), &st), 0) << native;  // the name reaches the same entry
    }
}

TEST_F(Fixture, ListsDirectoriesAsTheyAreAndNeverThroughLinks) {
    std::vector<String> dirs, files;
    const Directory tree(wide(root));
    tree.list_dirs(dirs);
    tree.list_files(files);
    EXPECT_EQ(native_names(dirs), std::vector<std::string>{"sub"});
    std::vector<std::string> expected = all_names();
    expected.erase(std::find(expected.begin(), expected.end(), "sub"));
    EXPECT_EQ(native_names(files), expected);  // links to directories are entries, not directories
}

TEST_F(Fixture, ListsByPattern) {
    const Directory tree(wide(root));
    const struct {
        String pattern;
        std::vector<std::string> expected;
    } cases[] = {
        {u"*.txt", {"na\xC3\xAFve \xC3\x84\xC3\x96.txt", "with space.txt"}},
        {u"?ub", {"sub"}},
        {u"link-*", {"link-dir-in", "link-dir-out", "link-file"}},
        {u"*\\*", {"back\\slash"}},
        {u"new\nl?ne", {"new\nline"}},
        {u".*", {".hidden"}},
        {u"sub/*", {"inner.txt"}},
    };
    for (const auto& c : cases) {
        std::vector<String> out;
        tree.list(out, c.pattern);
        EXPECT_EQ(native_names(out), c.expected) << to_utf8(c.pattern);
    }
    std::vector<String> out;
    try {
        tree.list(out, u"no-such-*");
        FAIL();
    } catch (const IOException& e) {
        EXPECT_EQ(e.error_code(), error::file_not_found);
    }
    const String missing = w("missing");
    try {
        Directory(missing).list(out);
        FAIL();
    } catch (const DirectoryNotFoundException& e) {
        EXPECT_EQ(e.message(), u"The directory '" + missing + u"/*' not found.");
    }
    EXPECT_THROW(Directory(w("with space.txt")).list(out), DirectoryNotFoundException);
    EXPECT_THROW(tree.list(out, String(u"a\0/*", 4)), ArgumentException);
    Directory empty(w("empty-dir"));
    empty.create();
    empty.list(out);  // "*" always matches "." and "..": never an error
    EXPECT_TRUE(out.empty());
}

TEST_F(Fixture, AttributesAndKindsOfEveryEntry) {
    const struct {
        std::string name;
        FileAttributes attrs;
        bool is_file, is_dir;
    } cases[] = {
        {"with space.txt", fa::archive, true, false},
        {"bad\xFF" "byte", fa::archive, true, false},
        {".hidden", fa::archive | fa::hidden, true, false},
        {"readonly", fa::archive | fa::readonly, true, false},
        {"empty", fa::archive, true, false},
        {long_name, fa::archive, true, false},
        {"sub", fa::directory, false, true},
        {"fifo", fa::normal, true, false},
        {"link-file", fa::reparse_point, true, false},
        {"link-dir-in", fa::reparse_point, false, true},
        {"link-dir-out", fa::reparse_point, false, true},
        {"dangling", fa::reparse_point, true, false},
        {"loop", fa::reparse_point, true, false},
        {"missing", fa::not_found, false, false},
        {"with space.txt/below", fa::not_found, false, false},  // ENOTDIR is "not found" too
    };
    for (const auto& c : cases) {
        const String path = w(c.name);
        EXPECT_EQ(SystemFile::file_attrs(path), c.attrs) << c.name;
        EXPECT_EQ(File(path).exists(), c.is_file) << c.name;
        EXPECT_EQ(SystemFile::is_file(path), c.is_file) << c.name;
        EXPECT_EQ(Directory(path).exists(), c.is_dir) << c.name;
        EXPECT_EQ(SystemFile::is_dir(path), c.is_dir) << c.name;
        EXPECT_EQ(SystemFile(path).is_link(), c.attrs != fa::not_found && (c.attrs & fa::reparse_point) != 0);
    }
}

TEST_F(Fixture, SizesAndNames) {
    EXPECT_EQ(File(w("with space.txt")).length(), 5u);
    EXPECT_EQ(File(w("empty")).length(), 0u);
    EXPECT_EQ(File(w(long_name)).length(), 4u);
    EXPECT_EQ(File(w("link-file")).length(), std::string("with space.txt").size());  // the link itself
    try {
        File(w("missing")).length();
        FAIL();
    } catch (const IOException& e) {
        EXPECT_EQ(e.error_code(), error::file_not_found);
    }
    EXPECT_THROW(File(w("sub")).length(), IOException);
    EXPECT_EQ(File(w("new\nline")).name(), u"new\nline");
    EXPECT_EQ(Directory(w("sub")).name(), u"sub");
    EXPECT_EQ(to_native_path(File(w("bad\xFF" "byte")).name()), "bad\xFF" "byte");
}

TEST_F(Fixture, NamesRoundTripThroughCreateWriteAndRead) {
    const std::string names[] = {"new\xFE\x80" "bytes", "back\\slash two", "line\nbreak", std::string(255, 'z'),
                                 "\xE4\xB8\xAD\xE6\x96\x87"};
    for (const auto& name : names) {
        const File file(w(name));
        EXPECT_EQ(to_native_path(file.full_name()), at(name));
        {
            FileOutputStream out(file, FileMode::CreateNew);
            out.write(reinterpret_cast<const std::uint8_t*>(name.data()), static_cast<std::uint32_t>(name.size()));
        }
        EXPECT_EQ(read_bytes(at(name)), name);  // the kernel holds exactly these bytes
        FileInputStream in(file);
        EXPECT_EQ(in.available(), static_cast<std::int64_t>(name.size()));
        EXPECT_TRUE(file.exists());
    }
    Directory created(w("dir\xFF\\ \n"));
    created.create();
    struct stat st;
    EXPECT_EQ(::lstat(at("dir\xFF\\ \n").c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
}

TEST_F(Fixture, TimesAreMicrosecondsAndSetOnTheEntryItself) {
    File file(w("with space.txt"));
    const std::int64_t modified = 1'600'000'000'123'456;
    const std::int64_t accessed = 1'500'000'000'654'321;
    file.last_modified_time(modified);
    file.last_access_time(accessed);
    EXPECT_EQ(file.last_modified_time(), modified);
    EXPECT_EQ(file.last_access_time(), accessed);

    // Before 1970: the fraction stays positive on the way to the kernel.
    file.file_time(0, -1'500'000, -2'750'001);
    EXPECT_EQ(file.last_access_time(), -1'500'000);
    EXPECT_EQ(file.last_modified_time(), -2'750'001);
    struct stat st;
    ASSERT_EQ(::stat(at("with space.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mtim.tv_sec, -3);
    EXPECT_EQ(st.st_mtim.tv_nsec, 249'999'000);

    // Setting a link's times leaves its target alone.
    SystemFile::last_modified_time(w("link-file"), 1'000'000);
    EXPECT_EQ(SystemFile::last_modified_time(w("link-file")), 1'000'000);
    EXPECT_EQ(file.last_modified_time(), -2'750'001);

    EXPECT_THROW(SystemFile::last_modified_time(w("missing"), 0), IOException);
    EXPECT_EQ(SystemFile::last_modified_time(w("missing")), 0);
}

TEST_F(Fixture, CreationTimeIsTheBirthTimeOrTheModificationTimeAndCannotBeSet) {
    File file(w("empty"));
    struct statx stx;
    ASSERT_EQ(::statx(AT_FDCWD, at("empty").c_str(), AT_SYMLINK_NOFOLLOW, STATX_BTIME | STATX_MTIME, &stx), 0);
    const auto micros = [](const statx_timestamp& t) { return std::int64_t(t.tv_sec) * 1'000'000 + t.tv_nsec / 1000; };
    const std::int64_t expected = (stx.stx_mask & STATX_BTIME) != 0 ? micros(stx.stx_btime) : micros(stx.stx_mtime);
    EXPECT_EQ(file.creation_time(), expected);
    file.creation_time(12345);  // a no-op, never an error
    SystemFile::creation_time(w("missing"), 12345);
    EXPECT_EQ(file.creation_time(), expected);
}

TEST_F(Fixture, ReadOnlyIsTheOwnersWritePermission) {
    const std::string name = at("with space.txt");
    ASSERT_EQ(::chmod(name.c_str(), 0664), 0);
    const auto mode = [&] {
        struct stat st;
        ::stat(name.c_str(), &st);
        return st.st_mode & 07777;
    };
    File file(w("with space.txt"));
    EXPECT_FALSE(file.is_readonly());
    file.readonly(true);
    EXPECT_EQ(mode(), 0464u);
    EXPECT_TRUE(file.is_readonly());
    EXPECT_EQ(file.file_attrs(), fa::archive | fa::readonly);
    file.readonly(false);
    EXPECT_EQ(mode(), 0664u);

    file.file_attrs(fa::hidden | fa::system | fa::readonly);  // hidden and system are ignored
    EXPECT_EQ(mode(), 0464u);
    EXPECT_EQ(file.file_attrs(), fa::archive | fa::readonly);
    SystemFile::file_attrs(w("with space.txt"), fa::normal);
    EXPECT_EQ(mode(), 0664u);

    EXPECT_FALSE(File(w("missing")).is_readonly());
    EXPECT_THROW(File(w("missing")).readonly(true), IOException);
    File(w("link-file")).readonly(true);  // a link has no permissions of its own
    EXPECT_EQ(mode(), 0664u);
}

TEST_F(Fixture, RemoveTreeRemovesLinksAndNeverWhatTheyPointTo) {
    Directory(wide(root)).remove_tree();
    struct stat st;
    EXPECT_NE(::lstat(root.c_str(), &st), 0);
    EXPECT_EQ(read_bytes(outside + "/keep.txt"), "keep");  // behind link-dir-out
    EXPECT_TRUE(Directory(wide(outside)).exists());
}

TEST_F(Fixture, RemoveTreeOfALinkRemovesTheLinkOnly) {
    Directory through_link(w("link-dir-out"));
    EXPECT_TRUE(through_link.exists());
    through_link.remove_tree();
    EXPECT_FALSE(SystemFile(w("link-dir-out")).exists());
    EXPECT_EQ(read_bytes(outside + "/keep.txt"), "keep");
}

TEST_F(Fixture, RemovesFilesAndEmptyDirectories) {
    File(w("readonly")).remove();
    File(w("dangling")).remove();
    File(w("missing")).remove();  // not an error
    EXPECT_FALSE(SystemFile(w("readonly")).exists());
    EXPECT_FALSE(SystemFile(w("dangling")).exists());
    EXPECT_TRUE(read_bytes(at("sub/inner.txt")) == "inner");
    try {
        Directory(w("sub")).remove();
        FAIL();
    } catch (const IOException& e) {
        EXPECT_EQ(e.error_code(), error::dir_not_empty);
    }
    File(w("sub/inner.txt")).remove();
    Directory(w("sub")).remove();
    EXPECT_FALSE(Directory(w("sub")).exists());
}

TEST(Directory, CreatesParentsAndRefusesAnExistingDirectory) {
    TempDir dir;
    const String base = wide(dir.str());
    Directory deep(base + u"/a/b/c");
    EXPECT_FALSE(deep.exists());
    deep.create();
    EXPECT_TRUE(deep.exists());  // stale attributes were reloaded
    EXPECT_TRUE(Directory(base + u"/a/b").exists());
    try {
        deep.create();
        FAIL();
    } catch (const IOException& e) {
        EXPECT_EQ(e.error_code(), error::already_exists);
    }
    const Directory sub = Directory(base).create_subdirectory(u"made");
    EXPECT_EQ(sub.full_name(), base + u"/made");
    EXPECT_TRUE(sub.exists());
    EXPECT_EQ(deep.parent().full_name(), base + u"/a/b");

    write_bytes(dir / "file", "x");
    EXPECT_FALSE(File(base + u"/a").exists());        // a directory is not a file
    EXPECT_FALSE(Directory(base + u"/file").exists());  // a file is not a directory
    EXPECT_THROW(Directory(base + u"/file/below").create(), IOException);
    try {
        Directory(String(u"/a\0b", 4)).create();
        FAIL();
    } catch (const ArgumentException& e) {
        EXPECT_EQ(e.message(), u"Path contains invalid chars");
    }
}

TEST(Directory, RootHasNoParent) {
    Directory root(u"/");
    EXPECT_TRUE(root.is_root());
    EXPECT_EQ(root.name(), u"/");
    root.create();  // nothing to do
    try {
        root.parent();
        FAIL();
    } catch (const IOException& e) {
        EXPECT_EQ(e.message(), u"Cannot get parent due to the directory is root");
    }
    EXPECT_EQ(Directory(u"/usr").parent().full_name(), u"/");
    EXPECT_FALSE(Directory(u"/usr").is_root());
}

TEST(SystemFile, ConstructionCopiesAndRelativeNames) {
    try {
        SystemFile file(u"");
        FAIL();
    } catch (const ArgumentException& e) {
        EXPECT_EQ(e.message(), u"path or file name is invalid");
    }
    EXPECT_THROW(SystemFile(u"  "), ArgumentException);
    const File relative(u"some name");
    EXPECT_EQ(relative.full_name(), Path::combine(Path::current_path(), u"some name"));

    TempDir dir;
    write_bytes(dir / "f", "abc");
    File original(wide((dir / "f").string()));
    EXPECT_EQ(original.length(), 3u);
    File copy(original);
    write_bytes(dir / "f", "abcdef");
    EXPECT_EQ(copy.length(), 3u);  // the record was copied, still fresh
    copy.refresh();
    EXPECT_EQ(copy.length(), 6u);
    File other(u"/nowhere");
    other = copy;
    EXPECT_EQ(other.full_name(), original.full_name());
    EXPECT_EQ(other.length(), 6u);
}

}  // namespace
}  // namespace bk
