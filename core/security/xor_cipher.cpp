#include "core/security/xor_cipher.h"

#include <cstring>

#include "core/security/wipe.h"

namespace brim {

XorCipher::XorCipher(const std::uint8_t* key) { std::memcpy(key_words_, key, key_size); }

XorCipher::~XorCipher() { secure_zero(key_words_, sizeof key_words_); }

std::size_t XorCipher::encrypt(const std::uint8_t* input, std::size_t length, std::uint8_t* output) {
    // Whole blocks as four 64-bit words (the compiler widens them further);
    // byte order does not matter for XOR as long as key and data agree.
    const std::size_t whole = length - length % key_size;
    for (std::size_t i = 0; i < whole; i += key_size) {
        std::uint64_t block[key_size / 8];
        std::memcpy(block, input + i, key_size);
        for (std::size_t w = 0; w < key_size / 8; ++w) block[w] ^= key_words_[w];
        std::memcpy(output + i, block, key_size);
    }
    const auto* key = reinterpret_cast<const std::uint8_t*>(key_words_);
    for (std::size_t i = whole; i < length; ++i) output[i] = input[i] ^ key[i - whole];
    return length;
}

std::size_t XorCipher::decrypt(const std::uint8_t* input, std::size_t length, std::uint8_t* output) {
    return encrypt(input, length, output);
}

}  // namespace brim
