#pragma once
// SHA-256 (FIPS 180-2): init, update, final over a 64-byte block buffer with
// a 64-bit bit count. Uses the processor's SHA extensions where it has them.
#include <array>
#include <cstddef>
#include <cstdint>

#include "core/security/md_digest.h"

namespace brim {
namespace detail {

struct Sha256Algorithm {
    static constexpr std::size_t digest_size = 32;
    static constexpr std::size_t state_words = 8;
    static constexpr bool big_endian = true;
    static constexpr std::array<std::uint32_t, 8> initial_state = {
        0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a, 0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
    static void compress(std::uint32_t state[8], const std::uint8_t* blocks, std::size_t count);
};

}  // namespace detail

using Sha256 = detail::MdDigest<detail::Sha256Algorithm>;

// The digest of one message in one call.
[[nodiscard]] inline Sha256::Digest sha256(const void* data, std::size_t size) { return Sha256::digest(data, size); }

}  // namespace brim
