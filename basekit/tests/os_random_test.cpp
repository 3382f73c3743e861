#include "basekit/platform/os_random.h"

#include <vector>

#include <gtest/gtest.h>

namespace bk {
namespace {

TEST(OsRandom, FillsEveryByteAndNeverRepeats) {
    // 64 bytes all left at zero, or two equal draws, would take a broken source.
    std::vector<std::uint8_t> a(64, 0), b(64, 0);
    os::random_bytes(a.data(), a.size());
    os::random_bytes(b.data(), b.size());
    EXPECT_NE(a, std::vector<std::uint8_t>(64, 0));
    EXPECT_NE(a, b);
    os::random_bytes(nullptr, 0);
}

TEST(OsRandom, MachineStateChangesBetweenCalls) {
    const auto first = os::machine_state();
    const auto second = os::machine_state();
    EXPECT_GE(first.size(), 64u);
    EXPECT_NE(first, second) << "the clocks move";
}

}  // namespace
}  // namespace bk
