#pragma once
// Small helpers over wide strings. Indexes are code units; "not found" is -1.
#include <vector>

#include "basekit/types.h"

namespace bk {

// The first index at or after `start` holding any character of `set`, or -1
// (also for start == s.size()). Throws OutOfRangeException("The off out of
// the string range") when start is negative or beyond the length.
int find_any(StringView s, int start, StringView set);

// The last index at or before `start` holding any character of `set`, or -1.
// A negative start gives -1; a start not below the length throws
// OutOfRangeException("The off out of the string range").
int find_last_of_any(StringView s, int start, StringView set);

// s without its leading and trailing blanks: the character 0x20 only (a TAB
// or a line break stays).
String trim(StringView s);

// A copy of s with every `from` replaced by `to`.
String replace_char(StringView s, char16_t from, char16_t to);

// Appends to `out` the pieces of s between characters of `separators`. An
// empty s appends nothing; an empty separator set appends s whole; two
// separators in a row give an empty piece, and so does a leading one, but a
// separator at the very end adds no empty last piece ("a;b;" -> a, b).
void split_string(StringView s, std::vector<String>& out, StringView separators);

}  // namespace bk
