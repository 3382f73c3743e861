#include "core/security/cipher_selection.h"

#include <gtest/gtest.h>

namespace brim {
namespace {

TEST(CipherSelection, OptionWordGivesCipherNameAndSecurityKind) {
    struct Case {
        std::uint32_t options;
        CipherId id;
        const char16_t* name;
        std::uint16_t kind;
    };
    const Case cases[] = {
        {0x0000, CipherId::none, u"", 0},
        {0x00FF, CipherId::none, u"", 0},      // unrelated bits
        {0x0800, CipherId::none, u"", 1},      // password only
        {0x0400, CipherId::xor_key, u"xor", 2},
        {0x0500, CipherId::wake, u"panama", 3},
        {0x0600, CipherId::rijndael, u"rijndael", 4},
        {0x0C00, CipherId::xor_key, u"xor", 5},
        {0x0D00, CipherId::wake, u"panama", 6},
        {0x0E33, CipherId::rijndael, u"rijndael", 7},
        {0x0300, CipherId::none, u"", 0},      // no algorithm has these values
        {0x0F00, CipherId::none, u"", 1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(cipher_id_for_options(c.options), c.id) << std::hex << c.options;
        EXPECT_EQ(algorithm_name(c.options), bk::StringView(c.name)) << std::hex << c.options;
        EXPECT_EQ(security_kind(c.options), c.kind) << std::hex << c.options;
    }
}

}  // namespace
}  // namespace brim
