#include "core/jobs/sealed_store.h"

#include <algorithm>

#include "core/security/byte_order.h"
#include "core/security/random_pool.h"
#include "core/security/wipe.h"

namespace brim {
namespace {

PasswordKey header_key(const std::uint8_t* header, const SealedStoreLayout& layout, bk::StringView user) {
    const auto time = static_cast<std::int64_t>(bytes::load_le64(header + layout.time));
    return store_key(header + layout.salt, time, user, layout.key_pieces);
}

}  // namespace

std::uint32_t stored_word(const std::uint8_t* header, std::size_t at) { return bytes::load_le32(header + at); }

std::vector<std::uint8_t> seal_store(std::uint8_t* header, const SealedStoreLayout& layout, const StoreStamp& stamp,
                                     std::uint32_t count, std::vector<std::uint8_t>& plain) {
    bytes::store_le32(header, layout.magic);
    bytes::store_le32(header + layout.version, stamp.version);
    random_pool().generate(header + layout.salt, salt_size);
    random_pool().generate(header + layout.iv, archive_iv_size);
    bytes::store_le64(header + layout.time, static_cast<std::uint64_t>(stamp.now));
    bytes::store_le32(header + layout.count, count);
    const RecordDigest digest = sha256(plain.data(), plain.size());
    std::copy(digest.begin(), digest.end(), header + layout.digest);

    PasswordKey key = header_key(header, layout, stamp.user);
    std::vector<std::uint8_t> sealed = seal_records(plain, key, header + layout.iv);
    wipe(key.data(), key.size());
    wipe(plain.data(), plain.size());
    return sealed;
}

std::optional<std::vector<std::uint8_t>> open_store(const std::uint8_t* header, const SealedStoreLayout& layout,
                                                    const std::uint8_t* sealed, std::size_t size,
                                                    bk::StringView user) {
    RecordDigest digest;
    std::copy(header + layout.digest, header + layout.digest + digest.size(), digest.begin());
    PasswordKey key = header_key(header, layout, user);
    auto plain = open_records(sealed, size, key, header + layout.iv, digest);
    wipe(key.data(), key.size());
    return plain;
}

}  // namespace brim
