#pragma once
// The core library's string table: every message the core shows, logs or
// reports, by number. Texts are filled with bk::format_text.
#include <cstdint>

#include "basekit/string_table.h"

namespace brim {

const bk::StringTable& core_strings();

// The entry's text, or an empty text when the table has none.
bk::String core_string(std::uint32_t id);

}  // namespace brim
