#include "core/security/store_seal.h"

#include "core/security/crypto_exception.h"
#include "core/security/md5.h"
#include "core/security/rijndael_cipher.h"
#include "core/security/wipe.h"

namespace brim {
namespace {

void append_le(std::vector<std::uint8_t>& out, std::uint64_t value, int size) {
    for (int i = 0; i < size; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

bool same_digest(const RecordDigest& a, const RecordDigest& b) {
    std::uint8_t difference = 0;
    for (std::size_t i = 0; i < a.size(); ++i) difference |= a[i] ^ b[i];
    return difference == 0;
}

}  // namespace

PasswordKey store_key(const std::uint8_t salt[salt_size], std::int64_t time, bk::StringView user,
                      const StoreKeyPieces& pieces) {
    std::vector<std::uint8_t> material;
    material.reserve(18 + user.size());
    append_le(material, pieces.lead, 4);
    append_le(material, static_cast<std::uint64_t>(time), 8);
    append_le(material, pieces.middle, 4);
    for (char16_t unit : user) material.push_back(static_cast<std::uint8_t>(unit & 0xff));
    append_le(material, pieces.tail, 2);
    Md5::Digest secret = md5(material.data(), material.size());
    wipe(material.data(), material.size());

    Sha256 hash;
    hash.update(salt, salt_size);
    hash.update(secret.data(), secret.size());
    wipe(secret.data(), secret.size());
    return hash.final();
}

std::vector<std::uint8_t> seal_records(const std::vector<std::uint8_t>& plain, const PasswordKey& key,
                                       const std::uint8_t iv[16]) {
    RijndaelCipher cipher(key.data(), false, iv);
    std::vector<std::uint8_t> sealed;
    cipher.encrypt(plain.data(), plain.size(), sealed);
    return sealed;
}

std::optional<std::vector<std::uint8_t>> open_records(const std::uint8_t* sealed, std::size_t size,
                                                      const PasswordKey& key, const std::uint8_t iv[16],
                                                      const RecordDigest& digest) {
    if (size == 0 || size % Rijndael::block_size != 0 || size > RijndaelCipher::max_length) return std::nullopt;
    RijndaelCipher cipher(key.data(), true, iv);
    std::vector<std::uint8_t> plain(size);
    try {
        plain.resize(cipher.decrypt(sealed, size, plain.data()));
    } catch (const CryptoException&) {
        wipe(plain.data(), plain.size());
        return std::nullopt;
    }
    if (!same_digest(sha256(plain.data(), plain.size()), digest)) {
        wipe(plain.data(), plain.size());
        return std::nullopt;
    }
    return plain;
}

}  // namespace brim
