#pragma once
// SHA-1 (FIPS 180-1): init, update, final, and the bare compression function
// that the random pool uses as a block cipher. Uses the processor's SHA
// extensions where it has them.
#include <array>
#include <cstddef>
#include <cstdint>

#include "core/security/md_digest.h"

namespace brim {
namespace detail {

struct Sha1Algorithm {
    static constexpr std::size_t digest_size = 20;
    static constexpr std::size_t state_words = 5;
    static constexpr bool big_endian = true;
    static constexpr std::array<std::uint32_t, 5> initial_state = {0x67452301, 0xefcdab89, 0x98badcfe,
                                                                   0x10325476, 0xc3d2e1f0};
    static void compress(std::uint32_t state[5], const std::uint8_t* blocks, std::size_t count);
};

}  // namespace detail

using Sha1 = detail::MdDigest<detail::Sha1Algorithm>;

// The digest of one message in one call.
[[nodiscard]] inline Sha1::Digest sha1(const void* data, std::size_t size) { return Sha1::digest(data, size); }

// One call of the compression function, including the final addition of the
// incoming state: `state` (H0..H4) absorbs the 64-byte `block` as it is, with
// no padding.
inline void sha1_compress(std::uint32_t state[5], const std::uint8_t block[64]) {
    detail::Sha1Algorithm::compress(state, block, 1);
}

}  // namespace brim
