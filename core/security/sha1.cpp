#include "core/security/sha1.h"

#include "core/security/cpu_features.h"
#include "core/security/digest_kernels.h"
#include "core/security/wipe.h"

namespace brim::detail {
namespace {

inline std::uint32_t rotl(std::uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }

}  // namespace

void sha1_blocks_portable(std::uint32_t state[5], const std::uint8_t* blocks, std::size_t count) {
    std::uint32_t w[80];
    for (; count > 0; --count, blocks += 64) {
        for (int i = 0; i < 16; ++i) w[i] = bytes::load_be32(blocks + 4 * i);
        for (int i = 16; i < 80; ++i) w[i] = rotl(w[i - 3] ^ w[i - 8] ^ w[i - 14] ^ w[i - 16], 1);
        std::uint32_t a = state[0], b = state[1], c = state[2], d = state[3], e = state[4];
        for (int i = 0; i < 80; ++i) {
            std::uint32_t f, k;
            if (i < 20) {
                f = (b & c) | (~b & d);
                k = 0x5a827999;
            } else if (i < 40) {
                f = b ^ c ^ d;
                k = 0x6ed9eba1;
            } else if (i < 60) {
                f = (b & c) | (b & d) | (c & d);
                k = 0x8f1bbcdc;
            } else {
                f = b ^ c ^ d;
                k = 0xca62c1d6;
            }
            const std::uint32_t t = rotl(a, 5) + f + e + k + w[i];
            e = d;
            d = c;
            c = rotl(b, 30);
            b = a;
            a = t;
        }
        state[0] += a;
        state[1] += b;
        state[2] += c;
        state[3] += d;
        state[4] += e;
    }
    secure_zero(w, sizeof w);
}

void Sha1Algorithm::compress(std::uint32_t state[5], const std::uint8_t* blocks, std::size_t count) {
#ifdef BRIM_HAVE_SHA_NI
    if (sha_accelerated()) return sha1_blocks_ni(state, blocks, count);
#endif
    sha1_blocks_portable(state, blocks, count);
}

}  // namespace brim::detail
