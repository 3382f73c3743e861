#pragma once
// Wiping secrets (passwords, keys) from memory once they are no longer needed.
// The writes are made through volatile access and a compiler barrier, so the
// optimiser cannot drop them even when the memory is freed right after.
#include <cstddef>
#include <string>

#include "basekit/types.h"

namespace brim {

// Overwrites `size` bytes three times with pseudo-random bytes (rand()),
// then with zeros. No effect for a null buffer or a size of 0. Never throws.
void wipe(void* buffer, std::size_t size) noexcept;

// Sets `size` bytes to zero in a way the optimiser keeps: for short-lived
// internal copies of secrets. No effect for a null buffer. Never throws.
void secure_zero(void* buffer, std::size_t size) noexcept;

// Overwrites every unit three times with printable characters (space to the
// vertical bar), then empties the text (its capacity is kept). Never throws.
void wipe_string(bk::String& text) noexcept;
void wipe_string(std::string& text) noexcept;

}  // namespace brim
