#include "core/security/random_pool.h"

#include <set>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "core/security/tests/both_paths.h"
#include "core/security/tests/vector_file.h"

namespace brim {
namespace {

using brim_test::Bytes;

Bytes draw(RandomPool& pool, std::size_t n) {
    Bytes out(n);
    pool.generate(out.data(), n);
    return out;
}

class RandomPoolPaths : public brim_test::BothPaths {};

// The pool is a deterministic function of what was put in: both SHA-1 paths
// agree, output does not depend on how it is requested, and any change of
// input changes it.
TEST_P(RandomPoolPaths, OutputFollowsInputExactly) {
    const Bytes seed{'s', 'e', 'e', 'd'};
    RandomPool one, two, other;
    one.put(seed.data(), seed.size());
    two.put(seed.data(), seed.size());
    const Bytes altered{'s', 'e', 'e', 'e'};
    other.put(altered.data(), altered.size());

    const Bytes whole = draw(one, 1000);  // several stirs
    Bytes pieces;
    for (std::size_t n : {1u, 63u, 64u, 191u, 192u, 489u}) {
        const Bytes piece = draw(two, n);
        pieces.insert(pieces.end(), piece.begin(), piece.end());
    }
    EXPECT_EQ(pieces, whole);
    EXPECT_NE(draw(other, 1000), whole);

    // Each stir's 192 output bytes differ from the previous stir's.
    for (std::size_t at = 192; at + 192 <= whole.size(); at += 192)
        EXPECT_FALSE(std::equal(whole.begin() + static_cast<long>(at - 192), whole.begin() + static_cast<long>(at),
                                whole.begin() + static_cast<long>(at)));
}

BRIM_INSTANTIATE_BOTH_PATHS(RandomPoolPaths);

TEST(RandomPool, PutAfterDrawingChangesTheNextOutput) {
    RandomPool a, b;
    (void)draw(a, 10);
    (void)draw(b, 10);
    const std::uint8_t extra = 1;
    a.put(&extra, 1);
    EXPECT_NE(draw(a, 32), draw(b, 32));
}

TEST(RandomPool, LongInputsStirAndStillCount) {
    Bytes input(700, 0x5A), changed = input;
    changed[650] ^= 1;  // beyond two pool lengths
    RandomPool a, b;
    a.put(input.data(), input.size());
    b.put(changed.data(), changed.size());
    EXPECT_NE(draw(a, 64), draw(b, 64));
}

TEST(RandomPool, ProcessPoolIsSeededAndSharedSafely) {
    RandomPool& pool = random_pool();
    EXPECT_EQ(&pool, &random_pool());
    EXPECT_NE(draw(pool, 32), Bytes(32, 0));

    // Threads drawing keys at the same time never receive the same bytes.
    std::vector<std::vector<Bytes>> keys(4);
    std::vector<std::thread> threads;
    for (auto& mine : keys)
        threads.emplace_back([&mine] {
            for (int i = 0; i < 200; ++i) mine.push_back(draw(random_pool(), 32));
        });
    for (auto& t : threads) t.join();
    std::set<Bytes> distinct;
    for (const auto& mine : keys) distinct.insert(mine.begin(), mine.end());
    EXPECT_EQ(distinct.size(), 800u);
}

}  // namespace
}  // namespace brim
