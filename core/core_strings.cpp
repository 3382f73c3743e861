#include "core/core_strings.h"

namespace brim {

const bk::StringTable& core_strings() {
    static const bk::StringTable table{
        {106, u"Internal exception occurred"},
    };
    return table;
}

bk::String core_string(std::uint32_t id) { return core_strings().text(id); }

}  // namespace brim
