#pragma once
// Which processor instructions the ciphers and digests use. The choice is
// made per call from facts detected once, so a test or benchmark can switch
// to the portable code at any time and compare both paths.

namespace brim {

// Whether the processor offers AES-NI (with SSE4.1) / the SHA extensions.
[[nodiscard]] bool cpu_has_aes();
[[nodiscard]] bool cpu_has_sha();
// Whether it also offers the AES instructions on 512-bit registers (VAES with
// AVX-512, saved by the system), four blocks per instruction.
[[nodiscard]] bool cpu_has_vaes();

// true: every cipher and digest uses its portable code from now on, even
// where the processor has faster instructions; false: back to the fastest.
// For tests and benchmarks; not meant to change while other threads cipher.
void force_portable_crypto(bool portable);

// Whether the accelerated code is in use right now.
[[nodiscard]] bool aes_accelerated();
[[nodiscard]] bool sha_accelerated();

}  // namespace brim
