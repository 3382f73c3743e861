#pragma once
// The report limit of the job store, readable by every job's report
// collection without reaching the store itself.
#include <cstdint>

namespace brim {

// Reports kept per job: 60 unless the store was given another value.
std::uint32_t report_limit();
// Stores `count` when 10 <= count <= 1024, else 60.
void report_limit(std::uint32_t count);

}  // namespace brim
