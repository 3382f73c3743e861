#include "basekit/string_table.h"

#include <algorithm>
#include <cstring>

namespace bk {

StringTable::StringTable(std::initializer_list<StringEntry> entries) : entries_(entries) {
    std::sort(entries_.begin(), entries_.end(),
              [](const StringEntry& a, const StringEntry& b) { return a.id < b.id; });
}

const char16_t* StringTable::find(std::uint32_t id, int* length) const {
    const auto it = std::lower_bound(entries_.begin(), entries_.end(), id,
                                     [](const StringEntry& e, std::uint32_t key) { return e.id < key; });
    if (it == entries_.end() || it->id != id || it->text == nullptr || it->text[0] == 0) return nullptr;
    if (length != nullptr) *length = static_cast<int>(std::char_traits<char16_t>::length(it->text));
    return it->text;
}

String StringTable::text(std::uint32_t id) const {
    const char16_t* found = find(id);
    return found != nullptr ? String(found) : String();
}

const char16_t* load_res_string(const StringTable* module, std::uint32_t id, int* length) {
    return module != nullptr ? module->find(id, length) : nullptr;
}

}  // namespace bk
