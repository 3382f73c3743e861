#include "core/security/data_cipher.h"

namespace brim {

void DataCipher::encrypt(const std::uint8_t* input, std::size_t length, std::vector<std::uint8_t>& output) {
    output.resize(max_encrypted_size(length));
    output.resize(encrypt(input, length, output.data()));
}

void DataCipher::decrypt(const std::uint8_t* input, std::size_t length, std::vector<std::uint8_t>& output) {
    output.resize(length);
    output.resize(decrypt(input, length, output.data()));
}

}  // namespace brim
