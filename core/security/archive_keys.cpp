#include "core/security/archive_keys.h"

#include <string>
#include <vector>

#include "basekit/convertion.h"
#include "core/security/md5.h"
#include "core/security/random_pool.h"
#include "core/security/rijndael_cipher.h"
#include "core/security/sha256.h"
#include "core/security/wipe.h"

namespace brim {
namespace {

// The program's own pieces of the job key; no operation reads the job-slot
// copy back, so their only duty is to stay fixed.
constexpr std::uint8_t job_key_tag[4] = {'B', 'V', 'J', 'K'};
constexpr std::uint8_t job_key_version[2] = {0x01, 0x07};
constexpr std::size_t job_key_min_input = 32;
constexpr std::int64_t microseconds_per_day = 86'400'000'000;

void append_low_bytes(std::vector<std::uint8_t>& out, bk::StringView text) {
    for (char16_t unit : text) out.push_back(static_cast<std::uint8_t>(unit & 0xff));
}

void append_utf16le(std::vector<std::uint8_t>& out, bk::StringView text) {
    for (char16_t unit : text) {
        out.push_back(static_cast<std::uint8_t>(unit & 0xff));
        out.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
}

void time_bytes_be(std::uint32_t value, std::uint8_t out[4]) {
    for (int i = 0; i < 4; ++i) out[i] = static_cast<std::uint8_t>(value >> (24 - 8 * i));
}

}  // namespace

PasswordKey password_key(const std::uint8_t salt[salt_size], bk::StringView password, PasswordBytes encoding) {
    std::vector<std::uint8_t> input(salt, salt + salt_size);
    if (encoding == PasswordBytes::utf16le) {
        append_utf16le(input, password);
    } else {
        std::string ansi = bk::to_ansi(password);
        input.insert(input.end(), ansi.begin(), ansi.end());
        wipe_string(ansi);
    }
    const PasswordKey key = sha256(input.data(), input.size());
    secure_zero(input.data(), input.size());
    return key;
}

void wrap_data_key(std::uint8_t data_key[data_key_size], const PasswordKey& key,
                   const std::uint8_t iv[archive_iv_size]) {
    RijndaelCipher cipher(key.data(), false, iv);
    cipher.wrap(data_key, data_key_size, data_key);
}

void unwrap_data_key(std::uint8_t data_key[data_key_size], const PasswordKey& key,
                     const std::uint8_t iv[archive_iv_size]) {
    RijndaelCipher cipher(key.data(), true, iv);
    cipher.unwrap(data_key, data_key_size, data_key);
}

KeyVerifier key_verifier(const std::uint8_t data_key[data_key_size], std::uint32_t time_value) {
    Md5 hash;
    hash.update(data_key, data_key_size);
    std::uint8_t time[4];
    time_bytes_be(time_value, time);
    hash.update(time, sizeof time);
    return hash.final();
}

bool verifier_matches(const std::uint8_t data_key[data_key_size], std::uint32_t time_value,
                      const std::uint8_t verifier[verifier_size]) {
    const KeyVerifier computed = key_verifier(data_key, time_value);
    std::uint8_t difference = 0;
    for (std::size_t i = 0; i < verifier_size; ++i) difference |= computed[i] ^ verifier[i];
    return difference == 0;
}

PasswordKey job_key(const JobKeySource& source) {
    std::vector<std::uint8_t> input;
    append_low_bytes(input, source.job_name);
    input.insert(input.end(), std::begin(job_key_tag), std::end(job_key_tag));
    const auto created = static_cast<std::uint64_t>(source.creation_time);
    for (int i = 0; i < 8; ++i) input.push_back(static_cast<std::uint8_t>(created >> (8 * i)));
    input.insert(input.end(), std::begin(job_key_version), std::end(job_key_version));
    for (int i = 0; i < 4; ++i) input.push_back(static_cast<std::uint8_t>(source.source_count >> (24 - 8 * i)));
    append_low_bytes(input, source.first_source_path);
    if (input.size() < job_key_min_input) input.resize(job_key_min_input, 0);
    const PasswordKey key = sha256(input.data(), input.size());
    wipe(input.data(), input.size());
    return key;
}

std::array<std::uint8_t, data_key_size> job_slot_copy(const std::uint8_t data_key[data_key_size],
                                                      const JobKeySource& source) {
    PasswordKey key = job_key(source);
    std::array<std::uint8_t, data_key_size> copy;
    RijndaelCipher cipher(key.data(), false, nullptr);
    cipher.wrap(data_key, data_key_size, copy.data());
    wipe(key.data(), key.size());
    return copy;
}

FreshKeyMaterial fresh_key_material(std::int64_t now) {
    RandomPool& pool = random_pool();
    FreshKeyMaterial material;
    pool.generate(material.salt.data(), material.salt.size());
    material.time_value = static_cast<std::uint32_t>(now % microseconds_per_day);
    pool.generate(material.iv.data(), material.iv.size());
    pool.generate(material.data_key.data(), material.data_key.size());
    return material;
}

}  // namespace brim
