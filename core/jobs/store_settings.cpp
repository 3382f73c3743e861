#include "core/jobs/store_settings.h"

#include <atomic>

namespace brim {
namespace {
std::atomic<std::uint32_t> limit{60};
}  // namespace

std::uint32_t report_limit() { return limit.load(); }

void report_limit(std::uint32_t count) { limit.store(count >= 10 && count <= 1024 ? count : 60); }

}  // namespace brim
