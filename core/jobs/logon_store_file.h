#pragma once
// The logon-entry store's files. "secdata1.db" holds the entries, sealed
// (core/security/store_seal.h) under a key bound to the user who wrote it;
// its numbers are stored least significant byte first:
//
//   offset    size  content
//        0       4  magic 0x6D89EC11
//        4       4  program version: major in the high, minor in the low half
//        8     512  bytes 0xFF
//      520      16  salt, random
//      536     128  bytes 0x00
//      664      16  IV, random
//      680     128  bytes 0xFF
//      808       8  time of writing, microseconds since 1970
//      816       4  number of entries
//      820      32  SHA-256 of the plain entry records
//      852       4  bytes FE 03 CA 49
//      856     252  bytes 0xFF
//     1108       4  not significant (written as zeros, never read)
//     1112       n  the entry records, sealed
//   1112+n    1024  bytes 0x00
//   2136+n       4  bytes 01 01 01 01
//
// An entry record is three strings (key, auxiliary text, password), each a
// 16-bit byte count (twice its UTF-16 units, most significant byte first)
// followed by its units, least significant byte first.
//
// The companion "secdata.db" holds no entries and is never read; its
// numbers are stored most significant byte first: magic, version, 512 bytes
// 0xFF, the time of writing (8), the SHA-256 of those 8 time bytes, 512
// bytes alternating 00 FF, 1024 bytes 0xFF.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "basekit/types.h"

namespace brim {

namespace logon_store {
inline constexpr std::uint32_t magic = 0x6D89EC11;
inline constexpr std::size_t header_size = 1112;
inline constexpr std::size_t trailer_size = 1028;
// A store must hold at least one byte of sealed records; longer ones than
// this are refused by their length.
inline constexpr std::uint64_t min_length = header_size + trailer_size + 1;
inline constexpr std::uint64_t length_limit = 0x80000000;
inline constexpr std::size_t max_text_units = 0x7FFF;
}  // namespace logon_store

struct LogonRecord {
    bk::String key;
    bk::String aux_text;
    bk::String password;
};

// The whole store file for `records` (in the given order), written by
// program `version` at `now` for the user named `user`, with a fresh salt
// and IV from random_pool(). Throws ArgumentException when a text has more
// than 32 767 units (its byte count would not fit); what random_pool() throws.
[[nodiscard]] std::vector<std::uint8_t> encode_logon_store(const std::vector<LogonRecord>& records,
                                                           std::uint32_t version, std::int64_t now,
                                                           bk::StringView user);

// The records of a store file whose first bytes are `start` and whose
// length is `length`, read for the user named `user` by a program whose
// version word is `version`. Nothing for a short, foreign, newer, truncated,
// tampered or oversized file or another user's store; never throws for bad
// data. Records are taken up to the stored count while whole ones remain.
[[nodiscard]] std::vector<LogonRecord> decode_logon_store(const std::vector<std::uint8_t>& start,
                                                          std::uint64_t length, std::uint32_t version,
                                                          bk::StringView user);

// The companion file written at `now` by program `version`.
[[nodiscard]] std::vector<std::uint8_t> encode_logon_companion(std::uint32_t version, std::int64_t now);

// Overwrites every password of `records` (wipe_string). Never throws.
void wipe_records(std::vector<LogonRecord>& records) noexcept;

}  // namespace brim
