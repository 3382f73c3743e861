#pragma once
// MD5 (RFC 1321): init, update, final over a 64-byte block buffer with a
// 64-bit bit count. Serves archive verifiers and store checks.
#include <array>
#include <cstddef>
#include <cstdint>

#include "core/security/md_digest.h"

namespace brim {
namespace detail {

struct Md5Algorithm {
    static constexpr std::size_t digest_size = 16;
    static constexpr std::size_t state_words = 4;
    static constexpr bool big_endian = false;
    static constexpr std::array<std::uint32_t, 4> initial_state = {0x67452301, 0xefcdab89, 0x98badcfe,
                                                                   0x10325476};
    static void compress(std::uint32_t state[4], const std::uint8_t* blocks, std::size_t count);
};

}  // namespace detail

using Md5 = detail::MdDigest<detail::Md5Algorithm>;

// The digest of one message in one call.
[[nodiscard]] inline Md5::Digest md5(const void* data, std::size_t size) { return Md5::digest(data, size); }

}  // namespace brim
