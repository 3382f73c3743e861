#pragma once
// The part that the enciphered store files ("brimkeep.dat", "secdata1.db")
// share: a header holding, at offsets each file places itself, a magic, the
// program version, salt, IV, time of writing, entry count and the digest of
// the plain records (all little-endian), followed somewhere by the records
// sealed under the key that salt, time and user name give
// (core/security/store_seal.h).
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "basekit/types.h"
#include "core/security/store_seal.h"

namespace brim {

struct SealedStoreLayout {
    std::uint32_t magic = 0;
    std::size_t version = 0;
    std::size_t salt = 0;
    std::size_t iv = 0;
    std::size_t time = 0;
    std::size_t count = 0;
    std::size_t digest = 0;
    StoreKeyPieces key_pieces;
};

struct StoreStamp {
    std::uint32_t version = 0;
    std::int64_t now = 0;
    bk::StringView user;
};

// Fills the layout's fields of `header` (a fresh salt and IV from
// random_pool()) and returns `plain` sealed; `plain` is wiped. Throws what
// random_pool() throws.
[[nodiscard]] std::vector<std::uint8_t> seal_store(std::uint8_t* header, const SealedStoreLayout& layout,
                                                   const StoreStamp& stamp, std::uint32_t count,
                                                   std::vector<std::uint8_t>& plain);

// The plain records of `sealed`, read with the key of `header` and `user`;
// nothing for a wrong length, bad padding or a failed digest. The caller
// wipes the result.
[[nodiscard]] std::optional<std::vector<std::uint8_t>> open_store(const std::uint8_t* header,
                                                                  const SealedStoreLayout& layout,
                                                                  const std::uint8_t* sealed, std::size_t size,
                                                                  bk::StringView user);

[[nodiscard]] std::uint32_t stored_word(const std::uint8_t* header, std::size_t at);

}  // namespace brim
