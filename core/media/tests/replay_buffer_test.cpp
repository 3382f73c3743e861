#include "core/media/replay_buffer.h"

#include <numeric>
#include <vector>

#include <gtest/gtest.h>

namespace brim {
namespace {

TEST(ReplayBuffer, KeepsTheLastBytesAcrossTheRingsEnd) {
    ReplayBuffer buffer(10);
    std::vector<std::uint8_t> bytes(25);
    std::iota(bytes.begin(), bytes.end(), 0);
    buffer.append(bytes.data(), 7);
    buffer.append(bytes.data() + 7, 6);  // wraps and forgets 3
    EXPECT_EQ(buffer.begin(), 3);
    EXPECT_EQ(buffer.end(), 13);
    std::vector<std::uint8_t> out(10);
    buffer.copy(3, out.data(), 10);
    EXPECT_EQ(out, std::vector<std::uint8_t>(bytes.begin() + 3, bytes.begin() + 13));
    buffer.append(bytes.data() + 13, 12);  // more than the capacity at once
    EXPECT_EQ(buffer.begin(), 15);
    buffer.copy(15, out.data(), 10);
    EXPECT_EQ(out, std::vector<std::uint8_t>(bytes.begin() + 15, bytes.end()));
}

}  // namespace
}  // namespace brim
