#include "core/security/wake_state.h"

#include "core/security/byte_order.h"
#include "core/security/wipe.h"

namespace brim::detail {
namespace {

constexpr std::uint32_t fill_constants[8] = {0x726a8f3b, 0xe69a3b5c, 0xd3c71fe5, 0xab3c73d2,
                                             0x4d3a8eb3, 0x0396d6e8, 0x3d4c2f7a, 0x9ee27cf3};

// Right shift by 3 that copies the sign bit, whatever the width of `long`.
constexpr std::uint32_t arithmetic_shift3(std::uint32_t s) {
    return static_cast<std::uint32_t>(static_cast<std::int32_t>(s) >> 3);
}

}  // namespace

WakeTable wake_table(const std::uint32_t key[4]) {
    WakeTable t{};
    for (int i = 0; i < 4; ++i) t[i] = key[i];
    for (int i = 4; i < 256; ++i) {
        const std::uint32_t s = t[i - 4] + t[i - 1];
        t[i] = arithmetic_shift3(s) ^ fill_constants[s & 7];
    }
    for (int i = 0; i < 23; ++i) t[i] += t[i + 89];
    // Make the top bytes a permutation of 0..255: b's top byte is odd and
    // bit 23 of both operands is clear, so each step adds exactly that byte.
    std::uint32_t a = t[33];
    const std::uint32_t b = (t[59] | 0x01000001) & 0xff7fffff;
    for (int i = 0; i < 256; ++i) {
        a = (a & 0xff7fffff) + b;
        t[i] = (t[i] & 0x00ffffff) ^ a;
    }
    t[256] = t[0];
    std::uint32_t y = a & 0xff;
    for (int i = 0; i < 256; ++i) {
        y = (t[i ^ y] ^ y) & 0xff;
        t[i] = t[y];
        t[y] = t[i + 1];
    }
    return t;
}

WakeState WakeState::from_key(const std::uint8_t key[32]) {
    std::uint32_t words[8];
    for (int i = 0; i < 8; ++i) words[i] = bytes::load_be32(key + 4 * i);
    WakeState state{wake_table(words + 4), words[0], words[1], words[2], words[3]};
    secure_zero(words, sizeof words);
    return state;
}

}  // namespace brim::detail
