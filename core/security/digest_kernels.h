#pragma once
// The compression functions of the digests, in their portable and their
// accelerated forms. Internal to the security folder: callers use Sha1,
// Sha256 and Md5, which pick the form per call.
#include <cstddef>
#include <cstdint>

namespace brim::detail {

// The 64 round constants of SHA-256.
const std::uint32_t* sha256_round_constants();

// Each consumes `count` whole 64-byte blocks into `state`.
void sha256_blocks_portable(std::uint32_t state[8], const std::uint8_t* blocks, std::size_t count);
void sha1_blocks_portable(std::uint32_t state[5], const std::uint8_t* blocks, std::size_t count);

#if defined(__x86_64__) || defined(__i386__)
#define BRIM_HAVE_SHA_NI 1
// Only when cpu_has_sha().
void sha256_blocks_ni(std::uint32_t state[8], const std::uint8_t* blocks, std::size_t count);
void sha1_blocks_ni(std::uint32_t state[5], const std::uint8_t* blocks, std::size_t count);
#endif

}  // namespace brim::detail
