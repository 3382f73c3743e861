#pragma once
// The general category of every UTF-16 code unit, in two stages: the block of
// a code unit (its high bits) selects one of the distinct blocks of
// categories, indexed by its low bits. Generated into char_table.cpp by
// tools/gen_char_table.py; used by Char only.
#include <cstdint>

namespace bk::char_table {

inline constexpr unsigned block_shift = 7;
inline constexpr unsigned block_size = 1u << block_shift;

extern const std::uint8_t block_index[0x10000 >> block_shift];
extern const std::uint8_t blocks[][block_size];

inline std::uint8_t category_of(char16_t unit) {
    return blocks[block_index[unit >> block_shift]][unit & (block_size - 1)];
}

}  // namespace bk::char_table
