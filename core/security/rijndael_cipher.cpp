#include "core/security/rijndael_cipher.h"

#include "basekit/exception.h"
#include "core/core_strings.h"
#include "core/security/crypto_exception.h"
#include "core/security/crypto_messages.h"

namespace brim {
namespace {

void check_length(std::size_t length) {
    if (length > RijndaelCipher::max_length)
        throw bk::ArgumentException(core_string(crypto_message::length_too_long), u"length");
}

std::int64_t bits(std::size_t length) { return static_cast<std::int64_t>(length) * 8; }

}  // namespace

void check_rijndael_result(std::int64_t result) {
    switch (result) {
        case Rijndael::unsupported_mode: throw CryptoException(crypto_message::unsupported_block_mode);
        case Rijndael::unsupported_direction: throw CryptoException(crypto_message::unsupported_direction);
        case Rijndael::unsupported_key_length: throw CryptoException(crypto_message::bad_key_length);
        case Rijndael::bad_key: throw CryptoException(crypto_message::bad_key);
        case Rijndael::not_initialized:
            throw bk::InvalidOperationException(core_string(crypto_message::not_initialized));
        case Rijndael::bad_direction: throw CryptoException(crypto_message::wrong_direction);
        case Rijndael::corrupted_data: throw CryptoException(crypto_message::data_corrupted);
        default: return;
    }
}

RijndaelCipher::RijndaelCipher(const std::uint8_t* key, bool decrypting, const std::uint8_t* iv) {
    check_rijndael_result(engine_.init(Rijndael::cbc, decrypting ? Rijndael::decrypt : Rijndael::encrypt, key,
                                       Rijndael::key_32_bytes, iv));
}

void RijndaelCipher::encrypt(const std::uint8_t* input, std::size_t length, std::vector<std::uint8_t>& output) {
    check_length(length);
    DataCipher::encrypt(input, length, output);
}

std::size_t RijndaelCipher::encrypt(const std::uint8_t* input, std::size_t length, std::uint8_t* output) {
    check_length(length);
    const std::int64_t result = engine_.pad_encrypt(input, static_cast<std::int64_t>(length), output);
    check_rijndael_result(result);
    return static_cast<std::size_t>(result);
}

void RijndaelCipher::decrypt(const std::uint8_t* input, std::size_t length, std::vector<std::uint8_t>& output) {
    check_length(length);
    DataCipher::decrypt(input, length, output);
}

std::size_t RijndaelCipher::decrypt(const std::uint8_t* input, std::size_t length, std::uint8_t* output) {
    check_length(length);
    // encrypt turns no data into no data; that must come back too.
    if (length == 0) return 0;
    const std::int64_t result = engine_.pad_decrypt(input, static_cast<std::int64_t>(length), output);
    check_rijndael_result(result);
    return static_cast<std::size_t>(result);
}

void RijndaelCipher::wrap(const std::uint8_t* input, std::size_t length, std::uint8_t* output) {
    check_length(length);
    check_rijndael_result(engine_.block_encrypt(input, bits(length), output));
}

void RijndaelCipher::unwrap(const std::uint8_t* input, std::size_t length, std::uint8_t* output) {
    check_length(length);
    check_rijndael_result(engine_.block_decrypt(input, bits(length), output));
}

}  // namespace brim
