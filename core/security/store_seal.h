#pragma once
// Sealing the records of the program's small secret stores (the job
// passwords, the logon entries): a 256-bit key derived from the file's salt
// and time of writing (and, for a store bound to one user, that user's
// name), Rijndael in CBC mode with padding, and the SHA-256 of the plain
// records, which proves both the key and the data when the file is read.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "basekit/types.h"
#include "core/security/archive_keys.h"
#include "core/security/sha256.h"

namespace brim {

// The program's own constants that go into a store's key material; each
// store has its own, so that no two stores share a key.
struct StoreKeyPieces {
    std::uint32_t lead = 0;
    std::uint32_t middle = 0;
    std::uint16_t tail = 0;
};

using RecordDigest = Sha256::Digest;

// K = SHA-256(salt || U), U = MD5 of: `lead` (4 bytes), the time (8 bytes),
// `middle` (4 bytes), the low byte of every unit of `user`, `tail` (2 bytes),
// every number least significant byte first. U and its input are wiped; the
// caller wipes K.
[[nodiscard]] PasswordKey store_key(const std::uint8_t salt[salt_size], std::int64_t time, bk::StringView user,
                                    const StoreKeyPieces& pieces);

// The records enciphered under `key` and the 16-byte `iv`, padded:
// 16 * (size / 16 + 1) bytes. Throws CryptoException only for a size beyond
// the cipher's limit.
[[nodiscard]] std::vector<std::uint8_t> seal_records(const std::vector<std::uint8_t>& plain, const PasswordKey& key,
                                                     const std::uint8_t iv[16]);

// The plain records, or nothing when the length or the padding is wrong or
// their SHA-256 differs from `digest` (a damaged file or another key). Never
// throws for bad data; whatever was deciphered of rejected data is wiped.
// The caller wipes the result.
[[nodiscard]] std::optional<std::vector<std::uint8_t>> open_records(const std::uint8_t* sealed, std::size_t size,
                                                                    const PasswordKey& key,
                                                                    const std::uint8_t iv[16],
                                                                    const RecordDigest& digest);

}  // namespace brim
