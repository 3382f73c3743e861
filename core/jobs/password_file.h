#pragma once
// The job store's password file "brimkeep.dat": the passwords of the
// protected jobs, sealed (core/security/store_seal.h) behind a fixed header.
// Every number is stored least significant byte first.
//
//   offset  size  content
//        0     4  magic 0x6D89EC11
//        4     4  program version: major in the high, minor in the low half
//        8    16  salt, random
//       24    16  IV, random
//       40     8  time of writing, microseconds since 1970
//       48     4  number of entries
//       52    32  SHA-256 of the plain entries
//       84    16  the words 0xFFFFFFFF, 0xFE03CA49, 0xFFFFFFFF, 0xFFFFFFFF
//      100     4  reserved, 0
//      104        the entries, sealed: 16 * (n / 16 + 1) bytes for n plain bytes
//
// One plain entry per protected job, in ascending id order:
//   job id (4), password length n (2), the password in the ANSI code page (n),
//   marker 0xFE03CA49 (4).
#include <cstddef>
#include <cstdint>
#include <vector>

#include "basekit/types.h"

namespace brim {

namespace password_file {
inline constexpr std::uint32_t magic = 0x6D89EC11;
inline constexpr std::size_t header_size = 104;
// The shortest and the first refused length of a file worth deciphering.
inline constexpr std::uint64_t min_length = 118;
inline constexpr std::uint64_t length_limit = 0x80000000;
inline constexpr std::uint32_t entry_marker = 0xFE03CA49;
inline constexpr std::size_t max_password_bytes = 0xFFFF;
}  // namespace password_file

struct JobPassword {
    std::uint32_t job_id = 0;
    bk::String password;
};

enum class PasswordFileState : std::uint8_t {
    read,     // the entries below are what the file holds
    foreign,  // shorter than the header, or another magic: not a password file
    damaged,  // a length out of range, bad padding or a failed digest: no entry is trusted
};

struct PasswordFileContent {
    PasswordFileState state = PasswordFileState::foreign;
    std::uint32_t version = 0;  // the header's version word, unless foreign
    std::vector<JobPassword> entries;
};

// The whole file for `entries` (kept in the given order), written by program
// `version` at `now`, with a fresh salt and IV from random_pool(). Throws
// ArgumentException when a password takes more than 65 535 bytes, so that no
// entry is ever stored cut short; what random_pool() throws.
[[nodiscard]] std::vector<std::uint8_t> encode_password_file(const std::vector<JobPassword>& entries,
                                                             std::uint32_t version, std::int64_t now);

// Reads `start`, the first bytes of a file of `length` bytes (the whole file
// when the length lies within the limits). Entries are taken while fewer
// than the stored count were taken and a whole entry remains; an entry with
// a wrong marker ends the reading. Never throws for bad data.
[[nodiscard]] PasswordFileContent decode_password_file(const std::vector<std::uint8_t>& start, std::uint64_t length);

// Overwrites every password of `entries` (wipe_string). Never throws.
void wipe_passwords(std::vector<JobPassword>& entries) noexcept;

// Reads the file at `path`; throws IOException when it cannot be read.
[[nodiscard]] PasswordFileContent read_password_file(bk::StringView path);
// Encodes the entries and replaces the file at `path` safely with mode 0600;
// throws as encode_password_file and IOException.
void write_password_file(bk::StringView path, const std::vector<JobPassword>& entries);

}  // namespace brim
