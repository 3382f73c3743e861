// The raw-disk reader binding and the open-file path, against scripted test
// modules and the real module.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <random>
#include <unistd.h>

#include "basekit/convertion.h"
#include "basekit/error_code.h"
#include "basekit/exception.h"
#include "basekit/file_stream.h"
#include "core/core_strings.h"
#include "core/media/loadable_module.h"
#include "core/media/open_file_reader.h"
#include "tests/support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using brim::RawDiskBinding;
using brim::RawDiskOutcome;

bk::String wide(const fs::path& path) { return bk::from_native_path(path.string()); }
bk::String module_dir(const char* name) { return wide(fs::path(BRIM_TEST_MODULES) / name); }

std::string read_all(bk::InputStream& stream) {
    std::string bytes;
    std::uint8_t buffer[10'000];
    for (int got; (got = stream.read(buffer, sizeof buffer)) > 0;) bytes.append(reinterpret_cast<char*>(buffer), got);
    return bytes;
}

// Sets the scripted module's environment for one test and clears it after.
class ScriptedModule : public ::testing::Test {
protected:
    ~ScriptedModule() override {
        for (const char* name : {"BRIM_TEST_HDRW_PARTITION", "BRIM_TEST_HDRW_ERROR", "BRIM_TEST_HDRW_SHADOW",
                                 "BRIM_TEST_HDRW_ENCRYPTED"})
            ::unsetenv(name);
    }
    static void script(const char* name, const std::string& value) { ::setenv(name, value.c_str(), 1); }

    const std::vector<bk::String> roots_{u"/", u"/tmp"};
};

TEST_F(ScriptedModule, EachProbeOutcomeGivesItsWarning) {
    const struct {
        const char* module;
        const char* partition;
        const char* error;
        RawDiskOutcome outcome;
        std::uint32_t warning;  // 0: none
    } cases[] = {
        {"scripted_hdrw", "1", "0", RawDiskOutcome::ready, 0},
        {"scripted_hdrw", "0", "2000010E", RawDiskOutcome::no_privilege, 234},  // ends the probe at once
        {"scripted_hdrw", "0", "20000101", RawDiskOutcome::no_privilege, 234},  // every root refused
        {"hdrw_without_open", "1", "0", RawDiskOutcome::cannot_load, 232},
        {"no_such_directory", "1", "0", RawDiskOutcome::cannot_load, 232},
    };
    for (const auto& c : cases) {
        script("BRIM_TEST_HDRW_PARTITION", c.partition);
        script("BRIM_TEST_HDRW_ERROR", c.error);
        const RawDiskBinding binding(module_dir(c.module), roots_);
        EXPECT_EQ(binding.outcome(), c.outcome) << c.module << " " << c.error;
        EXPECT_EQ(brim::raw_disk_outcome_warning(binding.outcome()), c.warning ? brim::core_string(c.warning) : u"");
    }
    EXPECT_EQ(brim::core_string(232),
              u"Orvex Brimvault can't load Open File Backup module,reinstall the program properly.");
    EXPECT_EQ(brim::core_string(234),
              u"Current user has no privilege to back up opened files,user is non-administrator.");
}

// A file whose ordinary open is refused: made unreadable, and since root
// reads it anyway, the refusal also comes through the opener seam.
class RefusedFile : public ScriptedModule {
protected:
    void SetUp() override {
        fs::create_directory(tmp_ / "shadow");
        bytes_ = std::string(150'000, '\0');
        std::mt19937 generator(5);
        for (char& c : bytes_) c = static_cast<char>(generator());
        brim_test::write_bytes(locked_, bytes_);
        brim_test::write_bytes(tmp_ / "shadow" / "locked.bin", bytes_);
        fs::permissions(locked_, fs::perms::none);
        script("BRIM_TEST_HDRW_PARTITION", "1");
        script("BRIM_TEST_HDRW_SHADOW", (tmp_ / "shadow").string());
    }

    brim::OpenFileReader::Opener refusing(std::int32_t code) const {
        return [this, code](const bk::String& path) -> std::unique_ptr<bk::InputStream> {
            if (path == wide(locked_)) throw bk::IOException(bk::system_error(u"", code), code, path);
            return std::make_unique<bk::FileInputStream>(path);
        };
    }
    // The ordinary open as it is, unless root would get past the permission bits.
    brim::OpenFileReader::Opener ordinary() const {
        return ::geteuid() == 0 ? refusing(bk::error::access_denied) : brim::OpenFileReader::Opener{};
    }

    brim_test::TempDir tmp_;
    fs::path locked_ = tmp_ / "locked.bin";
    std::string bytes_;
};

TEST_F(RefusedFile, IsReadThroughTheModuleAndCounted) {
    const RawDiskBinding binding(module_dir("scripted_hdrw"), roots_);
    ASSERT_TRUE(binding.ready());
    brim::OpenFileReader reader(binding, ordinary());
    EXPECT_EQ(reader.summary(), u"");

    auto stream = reader.open(wide(locked_));
    EXPECT_EQ(read_all(*stream), bytes_);
    EXPECT_EQ(reader.files_read(), 1u);

    brim_test::write_bytes(tmp_ / "open.txt", "readable");
    auto plain = reader.open(wide(tmp_ / "open.txt"));
    EXPECT_EQ(read_all(*plain), "readable");
    EXPECT_EQ(reader.files_read(), 1u) << "a file opened the ordinary way is not counted";
    EXPECT_EQ(reader.summary(), u"1 files have been read while backing up with advanced opened file backup.");
}

TEST_F(RefusedFile, EachRefusalCodeFallsBack) {
    const RawDiskBinding binding(module_dir("scripted_hdrw"), roots_);
    for (std::int32_t code : {bk::error::access_denied, bk::error::sharing_violation, bk::error::lock_violation}) {
        brim::OpenFileReader reader(binding, refusing(code));
        EXPECT_EQ(read_all(*reader.open(wide(locked_))), bytes_) << code;
    }
}

TEST_F(RefusedFile, FailuresKeepTheirMeaning) {
    const auto thrown = [&](const RawDiskBinding& binding, brim::OpenFileReader::Opener opener) {
        brim::OpenFileReader reader(binding, std::move(opener));
        try {
            reader.open(wide(locked_));
        } catch (const bk::IOException& e) {
            EXPECT_EQ(reader.files_read(), 0u);
            return std::make_pair(e.error_code(), e.message());
        }
        ADD_FAILURE() << "no exception";
        return std::make_pair(0, bk::String());
    };
    const RawDiskBinding ready(module_dir("scripted_hdrw"), roots_);

    // Not a refusal: the ordinary failure stands.
    EXPECT_EQ(thrown(ready, refusing(bk::error::file_not_found)).first, bk::error::file_not_found);
    // The reader will not read an encrypted file: the refusal stands.
    script("BRIM_TEST_HDRW_ENCRYPTED", "1");
    EXPECT_EQ(thrown(ready, refusing(bk::error::access_denied)).first, bk::error::access_denied);
    ::unsetenv("BRIM_TEST_HDRW_ENCRYPTED");
    // The reader fails: its own code and text from the error table.
    ::unsetenv("BRIM_TEST_HDRW_SHADOW");
    script("BRIM_TEST_HDRW_ERROR", "20000107");
    const auto failed = thrown(ready, refusing(bk::error::access_denied));
    EXPECT_EQ(failed.first, 0x20000107);
    EXPECT_EQ(failed.second, u"Files or path don't exist.");
    // No reader: the refusal stands.
    const RawDiskBinding absent(module_dir("no_such_directory"), roots_);
    EXPECT_EQ(thrown(absent, refusing(bk::error::access_denied)).first, bk::error::access_denied);
}

TEST(RawDiskErrorText, TableCodesHaveTheirTextsAndOthersThePlatformsText) {
    EXPECT_EQ(brim::raw_disk_error_text(0x20000101), u"Can't open specified partition.");
    EXPECT_EQ(brim::raw_disk_error_text(0x2000010C), u"Specified file can't be accessed.");
    EXPECT_EQ(brim::raw_disk_error_text(0x20000117), u"File system error,file can't be located.");
    // 0x20000115 is not in the table.
    EXPECT_EQ(brim::raw_disk_error_text(0x20000115), bk::system_error(u"", 0x20000115));
    EXPECT_EQ(brim::raw_disk_error_text(bk::error::access_denied), bk::system_error(u"", bk::error::access_denied));
    EXPECT_FALSE(brim::raw_disk_error_text(bk::error::access_denied).empty());
}

// The module that ships: ready for a user who may read every file, and then
// reading through the file system.
TEST(RawDiskModule, ReadsThroughTheFileSystemWhenPrivileged) {
    brim_test::TempDir tmp;
    brim_test::write_bytes(tmp / "data.bin", std::string(70'000, 'x') + "end");
    const RawDiskBinding binding(brim::module_search_directory(), {wide(tmp.path()), u"/"});
    if (::geteuid() != 0) {
        EXPECT_EQ(binding.outcome(), RawDiskOutcome::no_privilege);
        return;
    }
    ASSERT_EQ(binding.outcome(), RawDiskOutcome::ready);
    EXPECT_EQ(read_all(*binding.open(wide(tmp / "data.bin"))), std::string(70'000, 'x') + "end");
    try {
        binding.open(wide(tmp / "missing"));
        ADD_FAILURE() << "no exception";
    } catch (const bk::IOException& e) {
        EXPECT_EQ(e.message(), u"Files or path don't exist.");
    }
}

}  // namespace
