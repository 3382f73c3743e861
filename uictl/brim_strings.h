#pragma once
// Loading and filling the GUI libraries' texts.
#include <cstdint>
#include <initializer_list>

#include "basekit/text_format.h"
#include "basekit/types.h"
#include "uictl/localized_strings.h"

// Loads entry `id` of `module` in the GUI's language into `text`; the result
// is the text's length, 0 (and an empty text) when the table has no entry.
int BrimLoadString(const uictl::LocalizedStrings& module, std::uint32_t id, bk::String& text);

// Fills entry `id` of the controls library's table with `args` into `text`;
// the result is the length of the filled text.
int BrimFormatString(bk::String& text, std::uint32_t id, std::initializer_list<bk::FormatArg> args);
