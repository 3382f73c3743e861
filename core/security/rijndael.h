#pragma once
// The Rijndael block-cipher engine (AES: 128-bit blocks; 128-, 192- and
// 256-bit keys) in ECB, CBC and one-bit CFB mode. It reports failures as
// result codes; RijndaelCipher turns them into exceptions. Uses the
// processor's AES instructions where it has them.
#include <cstddef>
#include <cstdint>

#include "core/security/aes_kernels.h"

namespace brim {

class Rijndael final {
public:
    enum Mode : int { ecb = 0, cbc = 1, cfb1 = 2 };
    enum Direction : int { encrypt = 0, decrypt = 1 };
    enum KeyLength : int { key_16_bytes = 0, key_24_bytes = 1, key_32_bytes = 2 };
    // Results: 0 or more is success (bits or bytes processed).
    enum Result : int {
        unsupported_mode = -1,
        unsupported_direction = -2,
        unsupported_key_length = -3,
        bad_key = -4,
        not_initialized = -5,
        bad_direction = -6,
        corrupted_data = -7,
    };
    static constexpr std::size_t block_size = 16;
    static constexpr std::size_t iv_size = 16;

    Rijndael() = default;
    // Wipes the key schedule and the IV.
    ~Rijndael();
    Rijndael(const Rijndael&) = delete;
    Rijndael& operator=(const Rijndael&) = delete;

    // Sets mode, direction, key and IV (16 zero bytes when `iv` is null).
    // Checks, in this order: mode, direction, key length code (0, 1, 2 for
    // 16, 24, 32 key bytes), key present. Returns 0 or the failing code; a
    // failed init leaves the engine as it was.
    [[nodiscard]] int init(int mode, int direction, const std::uint8_t* key, int key_length_code,
                           const std::uint8_t* iv = nullptr);

    // Whole 16-byte blocks only (length_in_bits / 128 of them); returns the
    // bits processed. not_initialized before init; bad_direction when the
    // engine was set up for the other direction (one-bit CFB decrypts in
    // either). Every call starts again from the IV given to init. `output`
    // may be `input`.
    [[nodiscard]] std::int64_t block_encrypt(const std::uint8_t* input, std::int64_t length_in_bits,
                                             std::uint8_t* output);
    [[nodiscard]] std::int64_t block_decrypt(const std::uint8_t* input, std::int64_t length_in_bits,
                                             std::uint8_t* output);

    // ECB or CBC with padding: the r = length mod 16 last bytes are followed
    // by 16 - r bytes of value 16 - r (a whole block when r is 0). `output`
    // takes 16 * (length / 16 + 1) bytes; returns that count, 0 for no input.
    // not_initialized before init and on a decrypting engine;
    // unsupported_mode in CFB.
    [[nodiscard]] std::int64_t pad_encrypt(const std::uint8_t* input, std::int64_t length, std::uint8_t* output);
    // The inverse: returns the plaintext length. corrupted_data when the
    // length is not a positive multiple of 16 or the padding is wrong;
    // not_initialized before init, bad_direction on an encrypting engine,
    // unsupported_mode in CFB. `output` takes `length` bytes.
    [[nodiscard]] std::int64_t pad_decrypt(const std::uint8_t* input, std::int64_t length, std::uint8_t* output);

private:
    std::int64_t run_blocks(const std::uint8_t* input, std::int64_t length_in_bits, std::uint8_t* output,
                            bool decrypting) const;
    void run_cfb1(const std::uint8_t* input, std::size_t blocks, std::uint8_t* output, bool decrypting) const;

    detail::AesKeySchedule schedule_{};
    std::uint8_t iv_[iv_size] = {};
    int mode_ = ecb;
    int direction_ = encrypt;
    bool initialized_ = false;
};

}  // namespace brim
