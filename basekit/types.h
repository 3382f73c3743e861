#pragma once
// The system's string types: wide strings are UTF-16 code units; every length,
// limit and stored string is counted in code units.
#include <string>
#include <string_view>

namespace bk {

using String = std::u16string;
using StringView = std::u16string_view;

}  // namespace bk
