#include <gtest/gtest.h>

#include "basekit/convertion.h"
#include "core/media/burner_run.h"

namespace {

TEST(BurnSizeTextTest, PicksTheUnitAtEachThreshold) {
    const struct {
        std::uint64_t bytes;
        const char16_t* text;
    } cases[] = {
        {0, u"0 MB"},
        {1, u"1.00 B"},
        {1'000, u"1000.00 B"},
        {1'001, u"0.98 KB"},
        {1'024'000, u"1000.00 KB"},
        {1'024'001, u"0.98 MB"},
        {1ull << 30, u"1024.00 MB"},
        {(1ull << 30) + 1, u"1.00 GB"},
        {5ull << 40, u"5120.00 GB"},
    };
    for (const auto& c : cases) EXPECT_EQ(brim::burn_size_text(c.bytes), c.text) << c.bytes;
}

}  // namespace
