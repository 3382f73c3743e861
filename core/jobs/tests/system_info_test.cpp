#include "core/jobs/system_info.h"

#include <filesystem>

#include "core/jobs/tests/store_home.h"
#include "core/jobs/version.h"

namespace brim {
namespace {

namespace fs = std::filesystem;
using brim_test::StoreHome;

class SystemInfoTest : public StoreHome {};

TEST_F(SystemInfoTest, DataDirectoriesLieUnderBrimvaultHomeAndAreCreated) {
    const fs::path data = home.data_dir();
    EXPECT_EQ(narrow(SystemInfo::config_path()), (data / "config").string());
    EXPECT_EQ(narrow(SystemInfo::log_path()), (data / "logs").string());
    EXPECT_EQ(narrow(SystemInfo::report_path()), (data / "reports").string());
    for (const char* name : {"config", "logs", "reports"}) EXPECT_TRUE(fs::is_directory(data / name)) << name;
    EXPECT_EQ(SystemInfo::current_os_version(), bk::OSVersion::win2003_and_later);
}

TEST_F(SystemInfoTest, WithoutBrimvaultHomeTheXdgDataDirectoryIsUsedThenHome) {
    home.set("BRIMVAULT_HOME", std::nullopt);
    SystemInfo::del_instance();
    const fs::path xdg = home.dir() / "xdg";
    home.set("XDG_DATA_HOME", xdg.string());
    EXPECT_EQ(narrow(SystemInfo::config_path()), (xdg / "Orvex/Brimvault/config").string());

    SystemInfo::del_instance();
    home.set("XDG_DATA_HOME", std::nullopt);
    EXPECT_EQ(narrow(SystemInfo::log_path()), (home.dir() / "home/.local/share/Orvex/Brimvault/logs").string());
    SystemInfo::del_instance();
}

TEST_F(SystemInfoTest, UserNameComesFromThePasswordDatabaseElseAdministrator) {
    EXPECT_FALSE(SystemInfo::current_user().empty());
    EXPECT_EQ(SystemInfo::user_or_default(u""), u"Administrator");
    EXPECT_EQ(SystemInfo::user_or_default(u"ada"), u"ada");
}

TEST_F(SystemInfoTest, SegmentSizeFollowsClusterAndMemory) {
    struct Case {
        std::uint32_t cluster;
        std::uint32_t memory;
        std::uint32_t expected;
    };
    const Case cases[] = {
        {4096, 512u << 20, 16u << 20},    // doubles to 64 MiB, capped at 16 MiB
        {4096, 2u << 20, 2u << 20},       // 4 MiB does not fit: halved to 2 MiB
        {4096, 30u << 20, 4u << 20},      // 10 × 4 MiB > 30 MiB: kept
        {4096, 3u << 20, 2u << 20},       // halved until at most the memory
        {0, 512u << 20, 8u << 20},        // no cluster size
        {4096, 1000, 4096 * 64},          // memory below one cluster
        {4096, 0xFFFFFFFFu, 16u << 20},   // no overflow near the 32-bit limit
    };
    for (const auto& c : cases)
        EXPECT_EQ(SystemInfo::segment_size_for(c.cluster, c.memory), c.expected) << c.cluster << " " << c.memory;
    const std::uint32_t real = SystemInfo::magic_segment_size(wide(home.dir().str()));
    EXPECT_GT(real, 0u);
    EXPECT_LE(real, 16u << 20);
}

TEST_F(SystemInfoTest, VolumeQueriesAnswerForMissingPathsUnderAnExistingDirectory) {
    const bk::String missing = wide((home.dir() / "not/yet/there").string());
    EXPECT_GT(SystemInfo::cluster_size(missing), 0u);
    EXPECT_GT(SystemInfo::drive_free_size(missing), 0);
    EXPECT_EQ(SystemInfo::cluster_size(missing), SystemInfo::cluster_size(wide(home.dir().str())));
}

TEST_F(SystemInfoTest, RemoveAllTakesTheStoresAndOnlyAnEmptyDataDirectory) {
    SystemInfo::instance();
    const fs::path data = home.data_dir();
    brim_test::write_bytes(data / "config" / "brimkeep.config", "x");
    ASSERT_TRUE(fs::exists(data / "config" / "brimkeep.config"));
    brim_test::write_bytes(data / "keep.txt", "user file");
    SystemInfo::remove_all();
    EXPECT_FALSE(fs::exists(data / "config"));
    EXPECT_FALSE(fs::exists(data / "logs"));
    EXPECT_FALSE(fs::exists(data / "reports"));
    EXPECT_TRUE(fs::exists(data / "keep.txt"));

    fs::remove(data / "keep.txt");
    SystemInfo::del_instance();
    SystemInfo::instance();
    SystemInfo::remove_all();
    EXPECT_FALSE(fs::exists(data));
}

TEST(Version, NumbersAndComparisons) {
    const Version& v = *Version::instance();
    EXPECT_EQ(v.version_string(), u"1.7.0");
    EXPECT_EQ(v.to_int(), 0x00010007);
    EXPECT_TRUE(v.support(u"2.0"));
    EXPECT_TRUE(v.support(u"1"));
    EXPECT_FALSE(v.support(u"0.9"));
    EXPECT_FALSE(v.support(u""));
    EXPECT_TRUE(v.support(1, 99));
    EXPECT_FALSE(v.support(0, 0));
    EXPECT_TRUE(v.support(std::uint32_t{0x00010009}));
    EXPECT_FALSE(v.support(std::uint32_t{0x00020000}));
    EXPECT_EQ(Version::version_exception_string().substr(0, 40), u"Sorry, the current version of Orvex Brim");
}

}  // namespace
}  // namespace brim
