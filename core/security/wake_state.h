#pragma once
// WAKE (Wheeler, 1993) in cipher-feedback mode: the key table, the four
// registers and the word step. Internal to the security folder; callers use
// WakeCipher.
#include <array>
#include <cstddef>
#include <cstdint>

namespace brim::detail {

using WakeTable = std::array<std::uint32_t, 257>;

// Wheeler's table schedule from the four table key words K0..K3. The fill
// step shifts arithmetically (copying the sign bit), as in the original.
[[nodiscard]] WakeTable wake_table(const std::uint32_t key[4]);

struct WakeState {
    WakeTable t;
    std::uint32_t r3, r4, r5, r6;

    // The state of a 32-byte key read as eight big-endian words: words 0-3
    // are R3..R6, words 4-7 the table key.
    [[nodiscard]] static WakeState from_key(const std::uint8_t key[32]);

    [[nodiscard]] std::uint32_t mix(std::uint32_t x, std::uint32_t y) const {
        const std::uint32_t s = x + y;
        return t[s & 0xff] ^ (s >> 8);
    }

    // Cipher feedback: the registers always take in the ciphertext word.
    void feed(std::uint32_t cipher) {
        r3 = mix(r3, cipher);
        r4 = mix(r4, r3);
        r5 = mix(r5, r4);
        r6 = mix(r6, r5);
    }

    std::uint32_t encrypt_word(std::uint32_t plain) {
        const std::uint32_t cipher = plain ^ r6;
        feed(cipher);
        return cipher;
    }

    std::uint32_t decrypt_word(std::uint32_t cipher) {
        const std::uint32_t plain = cipher ^ r6;
        feed(cipher);
        return plain;
    }
};

}  // namespace brim::detail
