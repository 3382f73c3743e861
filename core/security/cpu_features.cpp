#include "core/security/cpu_features.h"

#include <atomic>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif

namespace brim {
namespace {

struct Features {
    bool aes = false;
    bool sha = false;
    bool vaes = false;
};

#if defined(__x86_64__) || defined(__i386__)
// Whether the system saves the 512-bit registers (and their masks) across
// task switches: XMM, YMM, opmask and both ZMM halves.
bool os_saves_wide_registers(unsigned cpuid1_ecx) {
    if ((cpuid1_ecx & bit_OSXSAVE) == 0) return false;
    unsigned low = 0, high = 0;
    __asm__("xgetbv" : "=a"(low), "=d"(high) : "c"(0));
    constexpr unsigned wide_state = 0xe6;
    return (low & wide_state) == wide_state;
}
#endif

Features detect() {
    Features features;
#if defined(__x86_64__) || defined(__i386__)
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (__get_cpuid(1, &eax, &ebx, &ecx, &edx) == 0) return features;
    const bool ssse3 = (ecx & bit_SSSE3) != 0;
    const bool sse41 = (ecx & bit_SSE4_1) != 0;
    features.aes = sse41 && (ecx & bit_AES) != 0;
    const bool wide = os_saves_wide_registers(ecx);
    if (__get_cpuid_count(7, 0, &eax, &ebx, &ecx, &edx) != 0) {
        features.sha = ssse3 && sse41 && (ebx & bit_SHA) != 0;
        features.vaes = features.aes && wide && (ebx & bit_AVX2) != 0 && (ebx & bit_AVX512F) != 0 &&
                        (ecx & bit_VAES) != 0;
    }
#endif
    return features;
}

const Features& features() {
    static const Features detected = detect();
    return detected;
}

std::atomic<bool> portable_forced{false};

}  // namespace

bool cpu_has_aes() { return features().aes; }
bool cpu_has_sha() { return features().sha; }
bool cpu_has_vaes() { return features().vaes; }

void force_portable_crypto(bool portable) { portable_forced.store(portable, std::memory_order_relaxed); }

bool aes_accelerated() { return cpu_has_aes() && !portable_forced.load(std::memory_order_relaxed); }
bool sha_accelerated() { return cpu_has_sha() && !portable_forced.load(std::memory_order_relaxed); }

}  // namespace brim
