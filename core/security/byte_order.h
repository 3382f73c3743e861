#pragma once
// Loads and stores of 32- and 64-bit words in a stated byte order, for the
// ciphers and digests whose standards fix the order of their words.
#include <bit>
#include <cstdint>
#include <cstring>

namespace brim::bytes {

inline std::uint32_t load_be32(const std::uint8_t* p) {
    std::uint32_t v;
    std::memcpy(&v, p, 4);
    if constexpr (std::endian::native == std::endian::little) v = __builtin_bswap32(v);
    return v;
}

inline void store_be32(std::uint8_t* p, std::uint32_t v) {
    if constexpr (std::endian::native == std::endian::little) v = __builtin_bswap32(v);
    std::memcpy(p, &v, 4);
}

inline std::uint32_t load_le32(const std::uint8_t* p) {
    std::uint32_t v;
    std::memcpy(&v, p, 4);
    if constexpr (std::endian::native == std::endian::big) v = __builtin_bswap32(v);
    return v;
}

inline void store_le32(std::uint8_t* p, std::uint32_t v) {
    if constexpr (std::endian::native == std::endian::big) v = __builtin_bswap32(v);
    std::memcpy(p, &v, 4);
}

inline void store_be64(std::uint8_t* p, std::uint64_t v) {
    if constexpr (std::endian::native == std::endian::little) v = __builtin_bswap64(v);
    std::memcpy(p, &v, 8);
}

inline void store_le64(std::uint8_t* p, std::uint64_t v) {
    if constexpr (std::endian::native == std::endian::big) v = __builtin_bswap64(v);
    std::memcpy(p, &v, 8);
}

}  // namespace brim::bytes
