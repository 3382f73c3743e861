#include "core/security/wake_cipher.h"

#include <cstring>

#include "core/security/byte_order.h"
#include "core/security/wipe.h"

namespace brim {
namespace {

// Runs whole words through `step`, then the final partial word padded with
// `pad` bytes; only `length` bytes are written.
template <class Step>
void process(detail::WakeState& state, const std::uint8_t* input, std::size_t length, std::uint8_t* output,
             std::uint8_t pad, Step step) {
    const std::size_t whole = length - length % 4;
    for (std::size_t i = 0; i < whole; i += 4)
        bytes::store_le32(output + i, step(state, bytes::load_le32(input + i)));
    const std::size_t rest = length - whole;
    if (rest == 0) return;
    std::uint8_t word[4];
    std::memset(word, pad, sizeof word);
    std::memcpy(word, input + whole, rest);
    bytes::store_le32(word, step(state, bytes::load_le32(word)));
    std::memcpy(output + whole, word, rest);
    secure_zero(word, sizeof word);
}

}  // namespace

WakeCipher::WakeCipher(const std::uint8_t* key) : initial_(detail::WakeState::from_key(key)) {}

WakeCipher::~WakeCipher() { secure_zero(&initial_, sizeof initial_); }

std::size_t WakeCipher::encrypt(const std::uint8_t* input, std::size_t length, std::uint8_t* output) {
    // A whole padding word (length a multiple of 4) would be enciphered and
    // dropped at once, so it is skipped.
    detail::WakeState state = initial_;
    const auto pad = static_cast<std::uint8_t>(4 - length % 4);
    process(state, input, length, output, pad,
            [](detail::WakeState& s, std::uint32_t word) { return s.encrypt_word(word); });
    secure_zero(&state, sizeof state);
    return length;
}

std::size_t WakeCipher::decrypt(const std::uint8_t* input, std::size_t length, std::uint8_t* output) {
    // The stored bytes are followed by zero filler; the plaintext bytes kept
    // do not depend on it, because a word's keystream comes from earlier words.
    detail::WakeState state = initial_;
    process(state, input, length, output, 0,
            [](detail::WakeState& s, std::uint32_t word) { return s.decrypt_word(word); });
    secure_zero(&state, sizeof state);
    return length;
}

}  // namespace brim
