#pragma once
// The AES block functions behind the Rijndael engine: key expansion, and ECB
// and CBC runs over whole 16-byte blocks, in a portable form and in a form
// using the processor's AES instructions. Internal to the security folder.
#include <cstddef>
#include <cstdint>

namespace brim::detail {

inline constexpr std::size_t aes_block_size = 16;

// Round keys as bytes, in the order the standard writes them. `decrypt` holds
// the keys of the equivalent inverse cipher in the order they are used
// (InvMixColumns applied to the inner ones), which both forms share.
struct AesKeySchedule {
    alignas(16) std::uint8_t encrypt[15][16];
    alignas(16) std::uint8_t decrypt[15][16];
    int rounds = 0;
};

// key_size is 16, 24 or 32 bytes.
void aes_expand_key(AesKeySchedule& schedule, const std::uint8_t* key, std::size_t key_size);

// One implementation. `in` and `out` may be the same buffer; `chain` is the
// CBC chaining value, updated to the last ciphertext block.
struct AesKernels {
    void (*encrypt_ecb)(const AesKeySchedule&, const std::uint8_t* in, std::uint8_t* out, std::size_t blocks);
    void (*decrypt_ecb)(const AesKeySchedule&, const std::uint8_t* in, std::uint8_t* out, std::size_t blocks);
    void (*encrypt_cbc)(const AesKeySchedule&, std::uint8_t chain[16], const std::uint8_t* in, std::uint8_t* out,
                        std::size_t blocks);
    void (*decrypt_cbc)(const AesKeySchedule&, std::uint8_t chain[16], const std::uint8_t* in, std::uint8_t* out,
                        std::size_t blocks);
};

const AesKernels& aes_portable_kernels();
#if defined(__x86_64__) || defined(__i386__)
#define BRIM_HAVE_AES_NI 1
// Only when cpu_has_aes().
const AesKernels& aes_ni_kernels();
// Only when cpu_has_vaes(): the independent-block runs (ECB, CBC decryption)
// four blocks per instruction; CBC encryption is serial and stays narrow.
const AesKernels& aes_wide_kernels();
#endif

// The accelerated kernels when aes_accelerated(), else the portable ones.
const AesKernels& aes_kernels();

}  // namespace brim::detail
