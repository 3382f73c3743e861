#pragma once
// The length of a stored file as it was backed up. The catalogue keeps only
// the bytes stored; rijndael pads every 64 KiB chunk, so for such a set the
// padding of the file's last chunk is taken off by deciphering that chunk.
#include <cstdint>

#include "core/archive/set_layout.h"
#include "core/restore/opened_set.h"

namespace brim::restore {

// The plain length of `item`'s stored data in `run` of `set`. Throws the
// reader's or the cipher's exception when the stored bytes do not read.
std::uint64_t plain_length(const OpenedSet& set, const archive::RunLayout& run, const DataHeader& item);

}  // namespace brim::restore
