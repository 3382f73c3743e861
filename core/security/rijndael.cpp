#include "core/security/rijndael.h"

#include <cstring>

#include "core/security/wipe.h"

namespace brim {
namespace {

constexpr std::size_t key_sizes[] = {16, 24, 32};

}  // namespace

Rijndael::~Rijndael() {
    secure_zero(&schedule_, sizeof schedule_);
    secure_zero(iv_, sizeof iv_);
}

int Rijndael::init(int mode, int direction, const std::uint8_t* key, int key_length_code, const std::uint8_t* iv) {
    if (mode < ecb || mode > cfb1) return unsupported_mode;
    if (direction < encrypt || direction > decrypt) return unsupported_direction;
    if (key_length_code < key_16_bytes || key_length_code > key_32_bytes) return unsupported_key_length;
    if (key == nullptr) return bad_key;
    mode_ = mode;
    direction_ = direction;
    if (iv != nullptr)
        std::memcpy(iv_, iv, iv_size);
    else
        std::memset(iv_, 0, iv_size);
    // Both schedules are kept, so one-bit CFB (which only ever enciphers)
    // also works on an engine set up for decryption.
    detail::aes_expand_key(schedule_, key, key_sizes[key_length_code]);
    initialized_ = true;
    return 0;
}

void Rijndael::run_cfb1(const std::uint8_t* input, std::size_t blocks, std::uint8_t* output, bool decrypting) const {
    const auto& kernels = detail::aes_kernels();
    std::uint8_t shift[block_size], keystream[block_size];
    std::memcpy(shift, iv_, block_size);
    for (std::size_t byte = 0; byte < blocks * block_size; ++byte) {
        const std::uint8_t in = input[byte];
        std::uint8_t out = 0;
        for (int bit = 7; bit >= 0; --bit) {
            kernels.encrypt_ecb(schedule_, shift, keystream, 1);
            const std::uint8_t in_bit = (in >> bit) & 1;
            const std::uint8_t out_bit = in_bit ^ (keystream[0] >> 7);
            out = static_cast<std::uint8_t>(out | (out_bit << bit));
            // The register moves one bit left and takes in the ciphertext bit.
            const std::uint8_t cipher_bit = decrypting ? in_bit : out_bit;
            for (std::size_t i = 0; i + 1 < block_size; ++i)
                shift[i] = static_cast<std::uint8_t>((shift[i] << 1) | (shift[i + 1] >> 7));
            shift[block_size - 1] = static_cast<std::uint8_t>((shift[block_size - 1] << 1) | cipher_bit);
        }
        output[byte] = out;
    }
    secure_zero(keystream, sizeof keystream);
}

std::int64_t Rijndael::run_blocks(const std::uint8_t* input, std::int64_t length_in_bits, std::uint8_t* output,
                                  bool decrypting) const {
    if (input == nullptr || length_in_bits <= 0) return 0;
    const auto blocks = static_cast<std::size_t>(length_in_bits / 128);
    const auto& kernels = detail::aes_kernels();
    std::uint8_t chain[block_size];
    switch (mode_) {
        case ecb: (decrypting ? kernels.decrypt_ecb : kernels.encrypt_ecb)(schedule_, input, output, blocks); break;
        case cbc:
            std::memcpy(chain, iv_, block_size);
            (decrypting ? kernels.decrypt_cbc : kernels.encrypt_cbc)(schedule_, chain, input, output, blocks);
            break;
        default: run_cfb1(input, blocks, output, decrypting); break;
    }
    return static_cast<std::int64_t>(blocks) * 128;
}

std::int64_t Rijndael::block_encrypt(const std::uint8_t* input, std::int64_t length_in_bits, std::uint8_t* output) {
    if (!initialized_) return not_initialized;
    if (direction_ != encrypt) return bad_direction;
    return run_blocks(input, length_in_bits, output, false);
}

std::int64_t Rijndael::block_decrypt(const std::uint8_t* input, std::int64_t length_in_bits, std::uint8_t* output) {
    if (!initialized_) return not_initialized;
    if (mode_ != cfb1 && direction_ != decrypt) return bad_direction;
    return run_blocks(input, length_in_bits, output, true);
}

std::int64_t Rijndael::pad_encrypt(const std::uint8_t* input, std::int64_t length, std::uint8_t* output) {
    if (!initialized_ || direction_ == decrypt) return not_initialized;
    if (mode_ == cfb1) return unsupported_mode;
    if (input == nullptr || length <= 0) return 0;
    const auto whole = static_cast<std::size_t>(length) / block_size;
    const auto rest = static_cast<std::size_t>(length) % block_size;
    std::uint8_t last[block_size];
    std::memcpy(last, input + whole * block_size, rest);
    std::memset(last + rest, static_cast<int>(block_size - rest), block_size - rest);
    const auto& kernels = detail::aes_kernels();
    if (mode_ == ecb) {
        kernels.encrypt_ecb(schedule_, input, output, whole);
        kernels.encrypt_ecb(schedule_, last, output + whole * block_size, 1);
    } else {
        std::uint8_t chain[block_size];
        std::memcpy(chain, iv_, block_size);
        kernels.encrypt_cbc(schedule_, chain, input, output, whole);
        kernels.encrypt_cbc(schedule_, chain, last, output + whole * block_size, 1);
    }
    secure_zero(last, sizeof last);
    return static_cast<std::int64_t>((whole + 1) * block_size);
}

std::int64_t Rijndael::pad_decrypt(const std::uint8_t* input, std::int64_t length, std::uint8_t* output) {
    if (!initialized_) return not_initialized;
    if (direction_ != decrypt) return bad_direction;
    if (mode_ == cfb1) return unsupported_mode;
    if (input == nullptr || length <= 0 || length % static_cast<std::int64_t>(block_size) != 0)
        return corrupted_data;
    const auto whole = static_cast<std::size_t>(length) / block_size - 1;
    std::uint8_t last[block_size];
    const auto& kernels = detail::aes_kernels();
    if (mode_ == ecb) {
        kernels.decrypt_ecb(schedule_, input, output, whole);
        kernels.decrypt_ecb(schedule_, input + whole * block_size, last, 1);
    } else {
        std::uint8_t chain[block_size];
        std::memcpy(chain, iv_, block_size);
        kernels.decrypt_cbc(schedule_, chain, input, output, whole);
        kernels.decrypt_cbc(schedule_, chain, input + whole * block_size, last, 1);
    }
    // The last block goes through a local copy so that bad padding never
    // writes past the plaintext the caller expects.
    const std::uint8_t pad = last[block_size - 1];
    bool good = pad >= 1 && pad <= block_size;
    for (std::size_t i = block_size - (good ? pad : 0); i < block_size; ++i) good = good && last[i] == pad;
    if (good) std::memcpy(output + whole * block_size, last, block_size - pad);
    secure_zero(last, sizeof last);
    if (!good) return corrupted_data;
    return static_cast<std::int64_t>(whole * block_size + block_size - pad);
}

}  // namespace brim
