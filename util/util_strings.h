#pragma once
// The helper program's string table in both languages.
#include <cstdint>

#include "uictl/localized_strings.h"

namespace util {

const uictl::LocalizedStrings& util_strings();

namespace text_id {
inline constexpr std::uint32_t program_running = 103;
}  // namespace text_id

}  // namespace util
