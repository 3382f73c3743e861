#include "core/archive/set_names.h"

#include <cstdlib>

#include <gtest/gtest.h>

#include "basekit/convertion.h"
#include "basekit/locale.h"
#include "tests/support/temp_dir.h"

namespace brim::archive {
namespace {

TEST(SetNames, VolumeNamesAreDatedThenNumberedAndReserved) {
    brim_test::TempDir dir;
    ::setenv("TZ", "UTC", 1);
    bk::Locale::current_locale(bk::Locale::US);
    const bk::Date when(2026, 12, 9, 14, 7, 0);
    const bk::String main = bk::from_native_path((dir / "Daily.bvf").string());
    const bk::String base = bk::from_native_path((dir / "Daily_12-09-2026 14-07").string());
    EXPECT_EQ(reserve_volume_path(main, when), base + u".bvs");
    EXPECT_EQ(reserve_volume_path(main, when), base + u"_1.bvs");  // the dated name is taken now
    EXPECT_EQ(reserve_volume_path(main, when), base + u"_2.bvs");
    EXPECT_TRUE(std::filesystem::exists(dir / "Daily_12-09-2026 14-07_1.bvs"));
    EXPECT_EQ(copy_root_name(u"Daily", when), u"Daily_12-09-2026 14-07");
    ::unsetenv("TZ");
}

}  // namespace
}  // namespace brim::archive
