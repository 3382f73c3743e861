#include "core/jobs/logon_store_file.h"

#include <algorithm>

#include "basekit/exception.h"
#include "core/core_strings.h"
#include "core/jobs/sealed_store.h"
#include "core/security/byte_order.h"
#include "core/security/crypto_messages.h"
#include "core/security/sha256.h"
#include "core/security/wipe.h"

namespace brim {
namespace {

using namespace logon_store;

// The header's fields (see the layout in the header file). The key pieces
// only have to stay fixed: they are part of every key of this store.
constexpr SealedStoreLayout layout{magic, 4, 520, 664, 808, 816, 820, {0x2F8C61D3u, 0xA47E0B95u, 0x3C59u}};
constexpr std::size_t at_marker = 852;
struct Run {
    std::size_t at;
    std::size_t size;
    std::uint8_t value;
};
constexpr Run header_runs[] = {{8, 512, 0xFF}, {536, 128, 0x00}, {680, 128, 0xFF}, {856, 252, 0xFF}};
constexpr std::uint8_t marker[4] = {0xFE, 0x03, 0xCA, 0x49};
constexpr std::uint8_t trailer_end[4] = {0x01, 0x01, 0x01, 0x01};

constexpr std::size_t companion_time_at = 520;
constexpr std::size_t companion_size = 520 + 8 + 32 + 512 + 1024;

void append_text(std::vector<std::uint8_t>& out, bk::StringView text) {
    if (text.size() > max_text_units)
        throw bk::ArgumentException(core_string(crypto_message::length_too_long), u"text");
    const std::size_t at = out.size();
    out.resize(at + 2 + 2 * text.size());
    bytes::store_be16(out.data() + at, static_cast<std::uint16_t>(2 * text.size()));
    for (std::size_t i = 0; i < text.size(); ++i) {
        out[at + 2 + 2 * i] = static_cast<std::uint8_t>(text[i]);
        out[at + 3 + 2 * i] = static_cast<std::uint8_t>(text[i] >> 8);
    }
}

std::vector<std::uint8_t> plain_records(const std::vector<LogonRecord>& records) {
    std::vector<std::uint8_t> plain;
    plain.reserve(1024);
    try {
        for (const LogonRecord& record : records) {
            append_text(plain, record.key);
            append_text(plain, record.aux_text);
            append_text(plain, record.password);
        }
    } catch (...) {
        wipe(plain.data(), plain.size());
        throw;
    }
    return plain;
}

// Reads one string at `at`, moving past it; false when no whole string of
// even length remains.
bool take_text(const std::vector<std::uint8_t>& plain, std::size_t& at, bk::String& text) {
    if (plain.size() - at < 2) return false;
    const std::size_t size = bytes::load_be16(plain.data() + at);
    if (size % 2 != 0 || plain.size() - at - 2 < size) return false;
    text.resize(size / 2);
    for (std::size_t i = 0; i < text.size(); ++i) text[i] = static_cast<char16_t>(bytes::load_le16(plain.data() + at + 2 + 2 * i));
    at += 2 + size;
    return true;
}

std::vector<LogonRecord> parse_records(const std::vector<std::uint8_t>& plain, std::uint32_t count) {
    std::vector<LogonRecord> records;
    std::size_t at = 0;
    while (records.size() < count) {
        LogonRecord record;
        if (!take_text(plain, at, record.key) || !take_text(plain, at, record.aux_text) ||
            !take_text(plain, at, record.password)) {
            wipe_string(record.password);
            break;
        }
        records.push_back(std::move(record));
    }
    return records;
}

}  // namespace

std::vector<std::uint8_t> encode_logon_store(const std::vector<LogonRecord>& records, std::uint32_t version,
                                             std::int64_t now, bk::StringView user) {
    std::vector<std::uint8_t> plain = plain_records(records);
    std::vector<std::uint8_t> file(header_size, 0);
    for (const Run& run : header_runs) std::fill_n(file.data() + run.at, run.size, run.value);
    std::copy(std::begin(marker), std::end(marker), file.data() + at_marker);
    const std::vector<std::uint8_t> sealed =
        seal_store(file.data(), layout, {version, now, user}, static_cast<std::uint32_t>(records.size()), plain);
    file.insert(file.end(), sealed.begin(), sealed.end());
    file.resize(file.size() + trailer_size - sizeof trailer_end, 0x00);
    file.insert(file.end(), std::begin(trailer_end), std::end(trailer_end));
    return file;
}

std::vector<LogonRecord> decode_logon_store(const std::vector<std::uint8_t>& start, std::uint64_t length,
                                            std::uint32_t version, bk::StringView user) {
    if (start.size() < header_size || stored_word(start.data(), 0) != magic) return {};
    const std::uint8_t* header = start.data();
    if ((stored_word(header, layout.version) >> 16) > (version >> 16)) return {};
    if (length < min_length || length >= length_limit || start.size() != length) return {};

    const std::size_t sealed_size = start.size() - header_size - trailer_size;
    auto plain = open_store(header, layout, header + header_size, sealed_size, user);
    if (!plain) return {};
    std::vector<LogonRecord> records = parse_records(*plain, stored_word(header, layout.count));
    wipe(plain->data(), plain->size());
    return records;
}

std::vector<std::uint8_t> encode_logon_companion(std::uint32_t version, std::int64_t now) {
    std::vector<std::uint8_t> file(companion_size, 0xFF);
    bytes::store_be32(file.data(), magic);
    bytes::store_be32(file.data() + layout.version, version);
    std::uint8_t* time = file.data() + companion_time_at;
    bytes::store_be64(time, static_cast<std::uint64_t>(now));
    const RecordDigest digest = sha256(time, 8);
    std::copy(digest.begin(), digest.end(), time + 8);
    std::uint8_t* alternating = time + 8 + digest.size();
    for (std::size_t i = 0; i < 512; ++i) alternating[i] = (i % 2 == 0) ? 0x00 : 0xFF;
    return file;
}

void wipe_records(std::vector<LogonRecord>& records) noexcept {
    for (LogonRecord& record : records) wipe_string(record.password);
}

}  // namespace brim
