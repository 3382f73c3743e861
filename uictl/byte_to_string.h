#pragma once
// A byte count as people read it: bytes, KB, MB, GB or TB.
#include <cstdint>

#include "basekit/types.h"

// Writes the size's text into `buffer`: at most `length` - 1 characters and a
// terminating zero. Returns the text's length plus 1, but not more than
// `length`; 0 when there is no room at all.
int ByteToString(std::int64_t size, char16_t* buffer, int length);

namespace uictl {
// The whole text of ByteToString.
bk::String byte_size_text(std::int64_t size);
}  // namespace uictl
