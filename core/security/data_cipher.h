#pragma once
// The interface of the three data ciphers. A cipher is created per data item
// when the item is opened for reading or writing and destroyed with it; the
// caller owns it. One thread at a time; every call is independent of the
// previous ones (each buffer is enciphered on its own).
#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/security/cipher_selection.h"

namespace brim {

class DataCipher {
public:
    virtual ~DataCipher() = default;
    DataCipher(const DataCipher&) = delete;
    DataCipher& operator=(const DataCipher&) = delete;

    [[nodiscard]] virtual CipherId id() const = 0;

    // Enciphers `length` bytes into `output`, resized to the result.
    virtual void encrypt(const std::uint8_t* input, std::size_t length, std::vector<std::uint8_t>& output);
    // Enciphers into a caller buffer of at least max_encrypted_size(length)
    // bytes; returns the number of bytes written.
    [[nodiscard]] virtual std::size_t encrypt(const std::uint8_t* input, std::size_t length,
                                              std::uint8_t* output) = 0;
    // Deciphers `length` bytes into `output`, resized to the result.
    virtual void decrypt(const std::uint8_t* input, std::size_t length, std::vector<std::uint8_t>& output);
    // Deciphers into a caller buffer of at least `length` bytes; returns the
    // number of bytes written.
    [[nodiscard]] virtual std::size_t decrypt(const std::uint8_t* input, std::size_t length,
                                              std::uint8_t* output) = 0;

    // The most bytes that encrypt writes for `length` input bytes.
    [[nodiscard]] virtual std::size_t max_encrypted_size(std::size_t length) const { return length; }

protected:
    DataCipher() = default;
};

}  // namespace brim
