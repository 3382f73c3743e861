#pragma once
// The platform's sources of unpredictable bytes, behind one thin interface:
// the kernel's entropy source for key material, and a record of the
// machine's momentary state that is mixed in beside it.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace bk::os {

// Fills `buffer` with `size` bytes from the kernel's cryptographic random
// source, waiting until that source is initialised. Throws IOException with
// the system's error code when the source cannot be read. Any thread.
void random_bytes(void* buffer, std::size_t size);

// A record of the machine's momentary state (clocks, process, thread and
// user ids, resource use, a stack address). It varies between calls and
// processes but is guessable: it complements random_bytes, never replaces it.
// Any thread; never throws except std::bad_alloc.
std::vector<std::uint8_t> machine_state();

}  // namespace bk::os
