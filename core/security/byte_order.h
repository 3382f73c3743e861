#pragma once
// Loads and stores of 16-, 32- and 64-bit words in a stated byte order, for
// the ciphers, digests and binary store files whose layouts fix the order.
#include <bit>
#include <cstdint>
#include <cstring>

namespace brim::bytes {

inline std::uint16_t load_be16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>((p[0] << 8) | p[1]);
}

inline void store_be16(std::uint8_t* p, std::uint16_t v) {
    p[0] = static_cast<std::uint8_t>(v >> 8);
    p[1] = static_cast<std::uint8_t>(v);
}

inline std::uint16_t load_le16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

inline void store_le16(std::uint8_t* p, std::uint16_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}

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

inline std::uint64_t load_le64(const std::uint8_t* p) {
    std::uint64_t v;
    std::memcpy(&v, p, 8);
    if constexpr (std::endian::native == std::endian::big) v = __builtin_bswap64(v);
    return v;
}

inline void store_le64(std::uint8_t* p, std::uint64_t v) {
    if constexpr (std::endian::native == std::endian::big) v = __builtin_bswap64(v);
    std::memcpy(p, &v, 8);
}

}  // namespace brim::bytes
