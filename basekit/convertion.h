#pragma once
// Conversions between UTF-8, UTF-16 and the system's "ANSI code page".
//
// On POSIX the ANSI code page is UTF-8 with the surrogate-escape rule, so that
// every byte string the kernel can hold as a name survives a trip through
// UTF-16:
//  - bytes that are not part of a valid UTF-8 sequence become the lone
//    surrogates U+DC80..U+DCFF (byte 0x80..0xFF) and go back to those bytes;
//  - any other lone surrogate in UTF-16 text is written as its three-byte
//    generalized UTF-8 form and read back as the same code unit, so that any
//    UTF-16 text written as a line reads back unchanged.
// Only UTF-16 text that holds escaped bytes which together spell valid UTF-8
// does not come back unchanged; such text never comes from a byte string.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "basekit/types.h"

namespace bk {

class Convertion final {
public:
    // Decodes strict UTF-8. `room` holds the free code units of dst on entry
    // and what is left of them on return. Stops with true when the input is
    // used up or the room is exhausted (a surrogate pair is never split);
    // false for malformed input (stray continuation byte, lead byte of more
    // than four bytes, missing continuation, overlong form, encoded surrogate,
    // code point above 0x10FFFF).
    static bool utf8_to_utf16(const std::uint8_t* src, std::size_t src_len, char16_t* dst,
                              std::size_t& room);
    // The reverse, with `room` counted in bytes; false for a lone surrogate.
    static bool utf16_to_utf8(const char16_t* src, std::size_t src_len, std::uint8_t* dst,
                              std::size_t& room);

    // The ANSI code page conversions. With a null destination the size needed
    // is returned; a length of 0 gives 0; otherwise the number of bytes or
    // code units written, or 0 when the destination is too small.
    static int utf16_to_ansi(const char16_t* src, int len, char* dst, int dst_len);
    static int ansi_to_utf16(const char* src, int len, char16_t* dst, int dst_len);
};

// Whole-string forms of the ANSI code page conversions; these never fail.
std::string to_ansi(StringView text);
String from_ansi(std::string_view bytes);

// Names cross to the file system in the ANSI code page.
inline std::string to_native_path(StringView path) { return to_ansi(path); }
inline String from_native_path(std::string_view bytes) { return from_ansi(bytes); }

// UTF-8 forms for texts that leave the system (libraries, terminals): the
// same lossless rules as the ANSI code page.
inline std::string to_utf8(StringView text) { return to_ansi(text); }
inline String from_utf8(std::string_view bytes) { return from_ansi(bytes); }

}  // namespace bk
