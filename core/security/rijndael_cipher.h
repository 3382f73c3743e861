#pragma once
// Archive data under Rijndael: a 256-bit key, CBC, the archive's IV, padding
// on every buffer. Every call starts again from the IV, so each 64 KiB chunk
// of archive data is enciphered on its own: c bytes are stored as
// (c + 16) rounded down to a multiple of 16.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/security/data_cipher.h"
#include "core/security/rijndael.h"

namespace brim {

// Raises the exception of a negative engine result: CryptoException with the
// code's message, InvalidOperationException for not_initialized. Codes of 0
// or more, and negative codes the engine does not define, raise nothing.
void check_rijndael_result(std::int64_t result);

class RijndaelCipher final : public DataCipher {
public:
    static constexpr std::size_t key_size = 32;
    static constexpr std::size_t iv_size = Rijndael::iv_size;
    // The largest length any entry point accepts.
    static constexpr std::size_t max_length = 0x7FFFFFFE;

    // `key` is 32 bytes, `iv` 16 bytes (zeros when null); the direction is
    // fixed here. Throws CryptoException("The key is incorrect") for a null key.
    RijndaelCipher(const std::uint8_t* key, bool decrypting, const std::uint8_t* iv);

    [[nodiscard]] CipherId id() const override { return CipherId::rijndael; }

    // Every entry point first throws ArgumentException (parameter "length")
    // for a length above max_length, then CryptoException for a wrong
    // direction ("The operation direction was incorrect" or, for encrypting
    // on a decrypting cipher, InvalidOperationException) or corrupted data
    // ("The data is corrupted").
    using DataCipher::decrypt;
    using DataCipher::encrypt;
    void encrypt(const std::uint8_t* input, std::size_t length, std::vector<std::uint8_t>& output) override;
    [[nodiscard]] std::size_t encrypt(const std::uint8_t* input, std::size_t length, std::uint8_t* output) override;
    void decrypt(const std::uint8_t* input, std::size_t length, std::vector<std::uint8_t>& output) override;
    [[nodiscard]] std::size_t decrypt(const std::uint8_t* input, std::size_t length, std::uint8_t* output) override;
    [[nodiscard]] std::size_t max_encrypted_size(std::size_t length) const override { return length + 16; }

    // Key wrapping: `length` bytes (whole blocks, no padding) enciphered or
    // deciphered into `output`; throws like the entry points above.
    void wrap(const std::uint8_t* input, std::size_t length, std::uint8_t* output);
    void unwrap(const std::uint8_t* input, std::size_t length, std::uint8_t* output);

private:
    Rijndael engine_;
};

}  // namespace brim
