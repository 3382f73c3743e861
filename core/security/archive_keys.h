#pragma once
// The key material of an archive's security header: deriving the password
// key, wrapping the data key under it, the verifier that proves a password
// without deciphering data, the job-slot copy of the data key, and fresh
// material for a new header. All buffers are plain bytes; every secret this
// code copies is wiped before it returns.
#include <array>
#include <cstddef>
#include <cstdint>

#include "basekit/types.h"

namespace brim {

inline constexpr std::size_t salt_size = 16;
inline constexpr std::size_t archive_iv_size = 16;
inline constexpr std::size_t data_key_size = 32;
inline constexpr std::size_t verifier_size = 16;

using PasswordKey = std::array<std::uint8_t, 32>;
using KeyVerifier = std::array<std::uint8_t, verifier_size>;

// How the password becomes bytes: UTF-16LE units for archives of the current
// format, the ANSI code page for the older format. Neither has a terminator.
enum class PasswordBytes { utf16le, ansi };

// K = SHA-256(salt || password bytes); a job without a password uses the
// empty password, so K = SHA-256(salt). The caller wipes K after use.
[[nodiscard]] PasswordKey password_key(const std::uint8_t salt[salt_size], bk::StringView password,
                                       PasswordBytes encoding);

// Enciphers / deciphers the 32-byte data key in place: Rijndael, key K, CBC,
// the header's IV, two whole blocks, no padding. Unwrapping with a wrong key
// succeeds and yields a wrong key, which the verifier then rejects.
void wrap_data_key(std::uint8_t data_key[data_key_size], const PasswordKey& key,
                   const std::uint8_t iv[archive_iv_size]);
void unwrap_data_key(std::uint8_t data_key[data_key_size], const PasswordKey& key,
                     const std::uint8_t iv[archive_iv_size]);

// V = MD5(data key || time value, most significant byte first), over the
// unwrapped data key.
[[nodiscard]] KeyVerifier key_verifier(const std::uint8_t data_key[data_key_size], std::uint32_t time_value);
// Whether the unwrapped key matches the stored verifier (all 16 bytes).
[[nodiscard]] bool verifier_matches(const std::uint8_t data_key[data_key_size], std::uint32_t time_value,
                                    const std::uint8_t verifier[verifier_size]);

// What the job key J is built from.
struct JobKeySource {
    bk::StringView job_name;
    std::int64_t creation_time = 0;  // microseconds since 1970, as every Date
    std::uint32_t source_count = 0;
    bk::StringView first_source_path;
};

// J = SHA-256 of: the low byte of every unit of the job's name, a 4-byte
// constant, the creation time (8 bytes, least significant first), a 2-byte
// constant, the source count (4 bytes, most significant first), the low byte
// of every unit of the first source's path, zero bytes up to 32 in all.
[[nodiscard]] PasswordKey job_key(const JobKeySource& source);

// The job-slot copy: the data key enciphered under J with Rijndael, CBC and
// a zero IV. Nothing reads it back; it is written beside the verifier.
[[nodiscard]] std::array<std::uint8_t, data_key_size> job_slot_copy(const std::uint8_t data_key[data_key_size],
                                                                     const JobKeySource& source);

// Fresh material for a new header, drawn from random_pool() in this order:
// salt, (time value), IV, data key. The caller wipes the data key.
struct FreshKeyMaterial {
    std::array<std::uint8_t, salt_size> salt{};
    std::uint32_t time_value = 0;
    std::array<std::uint8_t, archive_iv_size> iv{};
    std::array<std::uint8_t, data_key_size> data_key{};
};

// `now` is the current time (microseconds since 1970); the time value is it
// modulo one day (86 400 000 000), kept to 32 bits. Throws what
// random_pool() throws.
[[nodiscard]] FreshKeyMaterial fresh_key_material(std::int64_t now);

}  // namespace brim
