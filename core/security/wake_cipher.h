#pragma once
// The "panama" data cipher: WAKE in cipher-feedback mode over 32-bit words
// taken in little-endian order. Every call starts from the key's state, so
// each buffer is enciphered on its own, and lengths are kept: the final
// partial word is padded for enciphering (n = 4 - length mod 4 bytes of
// value n) and only `length` bytes are written.
#include <cstddef>
#include <cstdint>

#include "core/security/data_cipher.h"
#include "core/security/wake_state.h"

namespace brim {

class WakeCipher final : public DataCipher {
public:
    static constexpr std::size_t key_size = 32;

    // `key` is 32 bytes: eight big-endian words, R3..R6 then the table key.
    explicit WakeCipher(const std::uint8_t* key);
    // Wipes the key state.
    ~WakeCipher() override;

    [[nodiscard]] CipherId id() const override { return CipherId::wake; }

    // Write exactly `length` bytes; `output` may be `input`. Never throw.
    using DataCipher::decrypt;
    using DataCipher::encrypt;
    [[nodiscard]] std::size_t encrypt(const std::uint8_t* input, std::size_t length, std::uint8_t* output) override;
    [[nodiscard]] std::size_t decrypt(const std::uint8_t* input, std::size_t length, std::uint8_t* output) override;

private:
    detail::WakeState initial_;
};

}  // namespace brim
