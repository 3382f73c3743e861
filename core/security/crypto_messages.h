#pragma once
// Numbers of the cipher messages in the core library's string table.
#include <cstdint>

namespace brim::crypto_message {

inline constexpr std::uint32_t unsupported_block_mode = 401;
inline constexpr std::uint32_t unsupported_direction = 402;
inline constexpr std::uint32_t bad_key_length = 403;
inline constexpr std::uint32_t bad_key = 404;
inline constexpr std::uint32_t not_initialized = 405;
inline constexpr std::uint32_t wrong_direction = 406;
inline constexpr std::uint32_t data_corrupted = 407;
inline constexpr std::uint32_t length_too_long = 408;

}  // namespace brim::crypto_message
