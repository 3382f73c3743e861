#include "core/jobs/password_file.h"

#include <string>

#include "basekit/convertion.h"
#include "basekit/date.h"
#include "basekit/exception.h"
#include "basekit/system_file.h"
#include "core/core_strings.h"
#include "core/jobs/sealed_store.h"
#include "core/jobs/secret_file.h"
#include "core/jobs/version.h"
#include "core/security/byte_order.h"
#include "core/security/crypto_messages.h"
#include "core/security/wipe.h"

namespace brim {
namespace {

using namespace password_file;

// The header's fields (see the layout in the header file). The key pieces
// only have to stay fixed: they are part of every key of this file.
constexpr SealedStoreLayout layout{magic, 4, 8, 24, 40, 48, 52, {0x93C4A16Eu, 0x5B0F27D8u, 0xE61Du}};
constexpr std::size_t at_words = 84;
constexpr std::uint32_t fixed_words[4] = {0xFFFFFFFF, entry_marker, 0xFFFFFFFF, 0xFFFFFFFF};
constexpr std::size_t entry_overhead = 10;  // id, length and marker

void append_le32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    const std::size_t at = out.size();
    out.resize(at + 4);
    bytes::store_le32(out.data() + at, value);
}

std::vector<std::uint8_t> plain_entries(const std::vector<JobPassword>& entries) {
    std::vector<std::uint8_t> plain;
    try {
        for (const JobPassword& entry : entries) {
            std::string ansi = bk::to_ansi(entry.password);
            if (ansi.size() > max_password_bytes) {
                wipe_string(ansi);
                throw bk::ArgumentException(core_string(crypto_message::length_too_long), u"password");
            }
            append_le32(plain, entry.job_id);
            plain.push_back(static_cast<std::uint8_t>(ansi.size()));
            plain.push_back(static_cast<std::uint8_t>(ansi.size() >> 8));
            plain.insert(plain.end(), ansi.begin(), ansi.end());
            wipe_string(ansi);
            append_le32(plain, entry_marker);
        }
    } catch (...) {
        wipe(plain.data(), plain.size());
        throw;
    }
    return plain;
}

std::vector<JobPassword> parse_entries(const std::vector<std::uint8_t>& plain, std::uint32_t count) {
    std::vector<JobPassword> entries;
    std::size_t at = 0;
    while (entries.size() < count && plain.size() - at >= entry_overhead) {
        const std::size_t length = bytes::load_le16(plain.data() + at + 4);
        if (plain.size() - at - entry_overhead < length) break;
        const std::uint8_t* text = plain.data() + at + 6;
        if (bytes::load_le32(text + length) != entry_marker) break;
        const char* chars = reinterpret_cast<const char*>(text);
        entries.push_back({bytes::load_le32(plain.data() + at), bk::from_ansi(std::string_view(chars, length))});
        at += entry_overhead + length;
    }
    return entries;
}

}  // namespace

std::vector<std::uint8_t> encode_password_file(const std::vector<JobPassword>& entries, std::uint32_t version,
                                               std::int64_t now) {
    std::vector<std::uint8_t> plain = plain_entries(entries);
    std::vector<std::uint8_t> file(header_size, 0);
    for (std::size_t i = 0; i < 4; ++i) bytes::store_le32(file.data() + at_words + 4 * i, fixed_words[i]);
    const std::vector<std::uint8_t> sealed =
        seal_store(file.data(), layout, {version, now, {}}, static_cast<std::uint32_t>(entries.size()), plain);
    file.insert(file.end(), sealed.begin(), sealed.end());
    return file;
}

PasswordFileContent decode_password_file(const std::vector<std::uint8_t>& start, std::uint64_t length) {
    PasswordFileContent content;
    if (start.size() < header_size || stored_word(start.data(), 0) != magic) return content;
    const std::uint8_t* header = start.data();
    content.version = stored_word(header, layout.version);
    content.state = PasswordFileState::damaged;
    if (length < min_length || length >= length_limit || start.size() != length) return content;

    auto plain = open_store(header, layout, header + header_size, start.size() - header_size, {});
    if (!plain) return content;
    content.entries = parse_entries(*plain, stored_word(header, layout.count));
    wipe(plain->data(), plain->size());
    content.state = PasswordFileState::read;
    return content;
}

void wipe_passwords(std::vector<JobPassword>& entries) noexcept {
    for (JobPassword& entry : entries) wipe_string(entry.password);
}

PasswordFileContent read_password_file(bk::StringView path) {
    // An oversized file is refused by its length: only its header is read.
    const bool oversized = bk::File(path).length() >= length_limit;
    const FileStart start = read_file_start(path, oversized ? header_size : length_limit);
    return decode_password_file(start.bytes, start.length);
}

void write_password_file(bk::StringView path, const std::vector<JobPassword>& entries) {
    replace_secret_file(path, encode_password_file(entries, static_cast<std::uint32_t>(Version::instance()->to_int()),
                                                   bk::Date::now_time()));
}

}  // namespace brim
