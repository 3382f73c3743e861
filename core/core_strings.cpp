#include "core/core_strings.h"

namespace brim {

const bk::StringTable& core_strings() {
    static const bk::StringTable table{
        {106, u"Internal exception occurred"},
        {401, u"Unsupported block mode"},
        {402, u"Unsupported operation direction"},
        {403, u"The key length was incorrect"},
        {404, u"The key is incorrect"},
        {405, u"Rijndael still not initialized"},
        {406, u"The operation direction was incorrect"},
        {407, u"The data is corrupted"},
        {408, u"The length of the inputing buffer was too long to encrypt"},
    };
    return table;
}

bk::String core_string(std::uint32_t id) { return core_strings().text(id); }

}  // namespace brim
