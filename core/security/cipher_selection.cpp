#include "core/security/cipher_selection.h"

namespace brim {
namespace {

constexpr std::uint32_t first_algorithm = 4;
constexpr std::uint32_t last_algorithm = 6;

// The algorithm value 4..6, or 0 when the bits hold none.
std::uint32_t algorithm(std::uint32_t options) {
    const std::uint32_t value = (options & job_option::cipher_mask) >> 8;
    return value >= first_algorithm && value <= last_algorithm ? value : 0;
}

}  // namespace

CipherId cipher_id_for_options(std::uint32_t options) {
    const std::uint32_t value = algorithm(options);
    return value == 0 ? CipherId::none : static_cast<CipherId>(value - first_algorithm + 1);
}

bk::StringView algorithm_name(std::uint32_t options) {
    static constexpr const char16_t* names[] = {u"xor", u"panama", u"rijndael"};
    const std::uint32_t value = algorithm(options);
    return value == 0 ? bk::StringView() : bk::StringView(names[value - first_algorithm]);
}

std::uint16_t security_kind(std::uint32_t options) {
    const std::uint32_t value = algorithm(options);
    const bool password = (options & job_option::password) != 0;
    if (value == 0) return password ? 1 : 0;
    return static_cast<std::uint16_t>(password ? value + 1 : value - 2);
}

}  // namespace brim
