#pragma once
// The program's version (1.7.0) and the comparisons the stores and archives
// make with it.
#include <cstdint>

#include "basekit/types.h"

namespace brim {

class Version final {
public:
    static constexpr std::int32_t major_version = 1;
    static constexpr std::int32_t minor_version = 7;

    // The process-wide record, created on first use; del_instance() destroys it.
    static Version* instance();
    static void del_instance();

    // "1.7.0".
    bk::String version_string() const;
    // major × 65536 + (minor AND 0xFFFF): the word stored in binary headers.
    std::int32_t to_int() const;
    std::int32_t major() const { return major_; }
    std::int32_t minor() const { return minor_; }

    // True when this program's major version is at most `major` (the minor
    // is not compared).
    bool support(std::int32_t major, std::int32_t minor) const;
    // True when this program's major version is at least the word's high 16 bits.
    bool support(std::uint32_t version_word) const;
    // True when this program's major version is at most the digit that the
    // text begins with; false for an empty text or one not beginning with a digit.
    bool support(bk::StringView text) const;

    // The core library's message 139: the program is too old for a file.
    static bk::String version_exception_string();

private:
    Version() = default;

    std::int32_t major_ = major_version;
    std::int32_t minor_ = minor_version;
    std::uint8_t build_[3] = {0, 0, 0};
};

}  // namespace brim
