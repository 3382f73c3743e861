#include "basekit/convertion.h"

namespace bk {
namespace {

constexpr bool is_high_surrogate(char32_t u) { return u >= 0xD800 && u <= 0xDBFF; }
constexpr bool is_low_surrogate(char32_t u) { return u >= 0xDC00 && u <= 0xDFFF; }
constexpr bool is_escape(char32_t u) { return u >= 0xDC80 && u <= 0xDCFF; }
constexpr bool is_continuation(std::uint8_t b) { return (b & 0xC0) == 0x80; }

// One UTF-8 sequence at s[0..n). `allow_surrogates` accepts the three-byte
// forms of U+D800..U+DFFF (generalized UTF-8). Returns the sequence length,
// or 0 when the bytes do not start a valid sequence.
std::size_t decode_sequence(const std::uint8_t* s, std::size_t n, char32_t& cp,
                            bool allow_surrogates) {
    const std::uint8_t lead = s[0];
    std::size_t len;
    char32_t min;
    if (lead < 0x80) {
        cp = lead;
        return 1;
    } else if ((lead & 0xE0) == 0xC0) {
        len = 2, cp = lead & 0x1F, min = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        len = 3, cp = lead & 0x0F, min = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        len = 4, cp = lead & 0x07, min = 0x10000;
    } else {
        return 0;
    }
    if (n < len) return 0;
    for (std::size_t i = 1; i < len; ++i) {
        if (!is_continuation(s[i])) return 0;
        cp = (cp << 6) | (s[i] & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF) return 0;
    if (cp >= 0xD800 && cp <= 0xDFFF && !allow_surrogates) return 0;
    return len;
}

std::size_t encode_sequence(char32_t cp, std::uint8_t* out) {
    if (cp < 0x80) {
        out[0] = static_cast<std::uint8_t>(cp);
        return 1;
    }
    if (cp < 0x800) {
        out[0] = static_cast<std::uint8_t>(0xC0 | (cp >> 6));
        out[1] = static_cast<std::uint8_t>(0x80 | (cp & 0x3F));
        return 2;
    }
    if (cp < 0x10000) {
        out[0] = static_cast<std::uint8_t>(0xE0 | (cp >> 12));
        out[1] = static_cast<std::uint8_t>(0x80 | ((cp >> 6) & 0x3F));
        out[2] = static_cast<std::uint8_t>(0x80 | (cp & 0x3F));
        return 3;
    }
    out[0] = static_cast<std::uint8_t>(0xF0 | (cp >> 18));
    out[1] = static_cast<std::uint8_t>(0x80 | ((cp >> 12) & 0x3F));
    out[2] = static_cast<std::uint8_t>(0x80 | ((cp >> 6) & 0x3F));
    out[3] = static_cast<std::uint8_t>(0x80 | (cp & 0x3F));
    return 4;
}

// Appends the code units that `bytes` decode to under the surrogate-escape
// rule (see the header).
template <typename Sink>
void decode_ansi(const std::uint8_t* s, std::size_t n, Sink&& put) {
    std::size_t i = 0;
    while (i < n) {
        char32_t cp;
        std::size_t len = decode_sequence(s + i, n - i, cp, true);
        if (len == 3 && cp >= 0xD800 && cp <= 0xDFFF) {
            // Encoded surrogates are taken only in the forms the encoder
            // writes: never an escape unit, never a high one followed by a
            // low one (the encoder writes such a pair as four bytes).
            char32_t next;
            const bool pair_follows = is_high_surrogate(cp) && i + 3 < n &&
                                      decode_sequence(s + i + 3, n - i - 3, next, true) == 3 &&
                                      is_low_surrogate(next);
            if (is_escape(cp) || pair_follows) len = 0;
        }
        if (len == 0) {
            put(static_cast<char16_t>(0xDC00 | s[i]));
            ++i;
            continue;
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            put(static_cast<char16_t>(0xD800 | (cp >> 10)));
            put(static_cast<char16_t>(0xDC00 | (cp & 0x3FF)));
        } else {
            put(static_cast<char16_t>(cp));
        }
        i += len;
    }
}

template <typename Sink>
void encode_ansi(const char16_t* s, std::size_t n, Sink&& put) {
    std::uint8_t buffer[4];
    for (std::size_t i = 0; i < n; ++i) {
        char32_t u = s[i];
        if (is_high_surrogate(u) && i + 1 < n && is_low_surrogate(s[i + 1])) {
            u = 0x10000 + ((u - 0xD800) << 10) + (s[i + 1] - 0xDC00);
            ++i;
        } else if (is_escape(u)) {
            put(static_cast<char>(u & 0xFF));
            continue;
        }
        const std::size_t len = encode_sequence(u, buffer);
        for (std::size_t k = 0; k < len; ++k) put(static_cast<char>(buffer[k]));
    }
}

}  // namespace

bool Convertion::utf8_to_utf16(const std::uint8_t* src, std::size_t src_len, char16_t* dst,
                               std::size_t& room) {
    std::size_t i = 0;
    while (i < src_len && room > 0) {
        char32_t cp;
        const std::size_t len = decode_sequence(src + i, src_len - i, cp, false);
        if (len == 0) return false;
        if (cp >= 0x10000) {
            if (room < 2) return true;
            cp -= 0x10000;
            *dst++ = static_cast<char16_t>(0xD800 | (cp >> 10));
            *dst++ = static_cast<char16_t>(0xDC00 | (cp & 0x3FF));
            room -= 2;
        } else {
            *dst++ = static_cast<char16_t>(cp);
            --room;
        }
        i += len;
    }
    return true;
}

bool Convertion::utf16_to_utf8(const char16_t* src, std::size_t src_len, std::uint8_t* dst,
                               std::size_t& room) {
    std::uint8_t buffer[4];
    std::size_t i = 0;
    while (i < src_len && room > 0) {
        char32_t u = src[i];
        std::size_t units = 1;
        if (is_high_surrogate(u)) {
            if (i + 1 >= src_len || !is_low_surrogate(src[i + 1])) return false;
            u = 0x10000 + ((u - 0xD800) << 10) + (src[i + 1] - 0xDC00);
            units = 2;
        } else if (is_low_surrogate(u)) {
            return false;
        }
        const std::size_t len = encode_sequence(u, buffer);
        if (len > room) return true;
        for (std::size_t k = 0; k < len; ++k) *dst++ = buffer[k];
        room -= len;
        i += units;
    }
    return true;
}

int Convertion::utf16_to_ansi(const char16_t* src, int len, char* dst, int dst_len) {
    if (src == nullptr || len <= 0) return 0;
    const std::string bytes = to_ansi(StringView(src, static_cast<std::size_t>(len)));
    const int needed = static_cast<int>(bytes.size());
    if (dst == nullptr) return needed;
    if (dst_len < needed) return 0;
    bytes.copy(dst, bytes.size());
    return needed;
}

int Convertion::ansi_to_utf16(const char* src, int len, char16_t* dst, int dst_len) {
    if (src == nullptr || len <= 0) return 0;
    const String text = from_ansi(std::string_view(src, static_cast<std::size_t>(len)));
    const int needed = static_cast<int>(text.size());
    if (dst == nullptr) return needed;
    if (dst_len < needed) return 0;
    text.copy(dst, text.size());
    return needed;
}

std::string to_ansi(StringView text) {
    std::string out;
    out.reserve(text.size());
    encode_ansi(text.data(), text.size(), [&out](char c) { out.push_back(c); });
    return out;
}

String from_ansi(std::string_view bytes) {
    String out;
    out.reserve(bytes.size());
    decode_ansi(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(),
                [&out](char16_t u) { out.push_back(u); });
    return out;
}

}  // namespace bk
