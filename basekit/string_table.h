#pragma once
// The string table of one deliverable: every text shown to a person or written
// to a log or report is an entry here, addressed by number. A table is the
// "module" handle of the resource look-up.
#include <cstdint>
#include <initializer_list>
#include <vector>

#include "basekit/types.h"

namespace bk {

struct StringEntry {
    std::uint32_t id;
    const char16_t* text;
};

class StringTable final {
public:
    StringTable(std::initializer_list<StringEntry> entries);

    // The entry's text (not owned, static), or null when there is no entry or
    // it is empty. `length` receives its length in code units when given.
    const char16_t* find(std::uint32_t id, int* length = nullptr) const;
    // The entry's text, or an empty text when it is missing.
    String text(std::uint32_t id) const;

private:
    std::vector<StringEntry> entries_;  // sorted by id
};

// The resource look-up over a table: null for a null table, a missing entry or
// an empty one; the length goes to `length` when one is given.
const char16_t* load_res_string(const StringTable* module, std::uint32_t id, int* length = nullptr);

// Kept for callers that pair it with load_res_string; there is nothing to release.
inline void after_load_string(const char16_t*) {}

}  // namespace bk
