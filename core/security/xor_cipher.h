#pragma once
// The "xor" data cipher: every 32-byte block of a buffer XORed with the
// 32-byte key (byte i of each block with key byte i), a final partial block
// with the first key bytes. Encryption and decryption are the same; every
// call starts again at key byte 0. Output length equals input length.
#include <cstddef>
#include <cstdint>

#include "core/security/data_cipher.h"

namespace brim {

class XorCipher final : public DataCipher {
public:
    static constexpr std::size_t key_size = 32;

    // `key` is 32 bytes, copied.
    explicit XorCipher(const std::uint8_t* key);
    // Wipes the key copy.
    ~XorCipher() override;

    [[nodiscard]] CipherId id() const override { return CipherId::xor_key; }

    // `output` may be `input`. Never throw.
    using DataCipher::decrypt;
    using DataCipher::encrypt;
    [[nodiscard]] std::size_t encrypt(const std::uint8_t* input, std::size_t length, std::uint8_t* output) override;
    [[nodiscard]] std::size_t decrypt(const std::uint8_t* input, std::size_t length, std::uint8_t* output) override;

private:
    std::uint64_t key_words_[key_size / 8];
};

}  // namespace brim
