// A burning module that lacks most entry points: the binding must refuse it.
#include <cstdint>

extern "C" __attribute__((visibility("default"))) std::int32_t Initialize() { return 0; }
extern "C" __attribute__((visibility("default"))) std::int32_t Burn(std::int32_t) { return 0; }
