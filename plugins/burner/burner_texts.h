#pragma once
// The module's texts for its result codes.
#include <cstdint>

namespace brimburn {

// The text of a BURNER_E_* code; null for a code the module does not know.
const char* result_text(std::int32_t code);

}  // namespace brimburn
