// AES on 512-bit registers: the VAES instructions run the round on four
// blocks at once, so the runs whose blocks are independent (ECB, CBC
// decryption) go about 1.7 times as fast as with AES-NI. (On 256-bit registers
// they went no faster than AES-NI on the processors measured.) Only this file is built
// for them; aes_kernels() hands these out only when cpu_has_vaes(). Runs
// shorter than a whole group, and the tail of longer ones, go to the narrow
// kernels, as does CBC encryption, which is serial by nature.
#include "core/security/aes_kernels.h"

#ifdef BRIM_HAVE_AES_NI
#include <immintrin.h>

// Some of GCC 12's AVX-512 intrinsics start from a deliberately undefined
// register, which its own flow analysis then reports once they are inlined.
#pragma GCC diagnostic ignored "-Wuninitialized"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"

#define BRIM_WIDE_TARGET __attribute__((target("vaes,avx512f,avx2,aes,sse4.1")))

namespace brim::detail {
namespace {

// Registers in flight, four blocks each: enough to hide the round's latency.
constexpr std::size_t lanes = 8;
constexpr std::size_t blocks_per_lane = 4;
constexpr std::size_t lane_bytes = aes_block_size * blocks_per_lane;
constexpr std::size_t group_blocks = blocks_per_lane * lanes;
constexpr std::size_t group_bytes = aes_block_size * group_blocks;

template <int Rounds>
struct WideRoundKeys {
    __m512i k[Rounds + 1];

    BRIM_WIDE_TARGET explicit WideRoundKeys(const std::uint8_t (*keys)[16]) {
        for (int r = 0; r <= Rounds; ++r)
            k[r] = _mm512_broadcast_i32x4(_mm_load_si128(reinterpret_cast<const __m128i*>(keys[r])));
    }
};

BRIM_WIDE_TARGET inline __m512i load(const std::uint8_t* p) {
    return _mm512_loadu_si512(p);
}

BRIM_WIDE_TARGET inline void store(std::uint8_t* p, __m512i v) {
    _mm512_storeu_si512(p, v);
}

template <int Rounds, bool Decrypt>
BRIM_WIDE_TARGET inline void run_lanes(const WideRoundKeys<Rounds>& keys, __m512i (&b)[lanes]) {
#pragma GCC unroll 8
    for (std::size_t i = 0; i < lanes; ++i) b[i] = _mm512_xor_si512(b[i], keys.k[0]);
#pragma GCC unroll 14
    for (int r = 1; r < Rounds; ++r) {
#pragma GCC unroll 8
        for (std::size_t i = 0; i < lanes; ++i)
            b[i] = Decrypt ? _mm512_aesdec_epi128(b[i], keys.k[r]) : _mm512_aesenc_epi128(b[i], keys.k[r]);
    }
#pragma GCC unroll 8
    for (std::size_t i = 0; i < lanes; ++i)
        b[i] = Decrypt ? _mm512_aesdeclast_epi128(b[i], keys.k[Rounds]) : _mm512_aesenclast_epi128(b[i], keys.k[Rounds]);
}

// Whole groups only; returns how many blocks it did.
template <int Rounds, bool Decrypt>
BRIM_WIDE_TARGET std::size_t ecb_groups(const AesKeySchedule& ks, const std::uint8_t* in, std::uint8_t* out,
                                        std::size_t blocks) {
    const WideRoundKeys<Rounds> keys(Decrypt ? ks.decrypt : ks.encrypt);
    std::size_t done = 0;
    for (; blocks - done >= group_blocks; done += group_blocks, in += group_bytes, out += group_bytes) {
        __m512i b[lanes];
        for (std::size_t i = 0; i < lanes; ++i) b[i] = load(in + lane_bytes * i);
        run_lanes<Rounds, Decrypt>(keys, b);
        for (std::size_t i = 0; i < lanes; ++i) store(out + lane_bytes * i, b[i]);
    }
    return done;
}

// Whole groups only; `chain` is read and left as the last ciphertext block.
template <int Rounds>
BRIM_WIDE_TARGET std::size_t cbc_decrypt_groups(const AesKeySchedule& ks, std::uint8_t chain[16],
                                                const std::uint8_t* in, std::uint8_t* out, std::size_t blocks) {
    const WideRoundKeys<Rounds> keys(ks.decrypt);
    __m128i previous = _mm_loadu_si128(reinterpret_cast<const __m128i*>(chain));
    std::size_t done = 0;
    for (; blocks - done >= group_blocks; done += group_blocks, in += group_bytes, out += group_bytes) {
        // Every ciphertext block is read before anything is stored: `out` may be `in`.
        __m512i b[lanes], before[lanes];
        for (std::size_t i = 0; i < lanes; ++i) b[i] = load(in + lane_bytes * i);
        // Each block is XORed with the ciphertext block before it: one block
        // back in the input, and the chaining value for the very first.
        before[0] = _mm512_alignr_epi64(b[0], _mm512_broadcast_i32x4(previous), 6);
        for (std::size_t i = 1; i < lanes; ++i) before[i] = load(in + lane_bytes * i - aes_block_size);
        previous = _mm512_extracti32x4_epi32(b[lanes - 1], 3);
        run_lanes<Rounds, true>(keys, b);
        for (std::size_t i = 0; i < lanes; ++i) store(out + lane_bytes * i, _mm512_xor_si512(b[i], before[i]));
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(chain), previous);
    return done;
}

template <int Rounds, bool Decrypt>
void ecb(const AesKeySchedule& ks, const std::uint8_t* in, std::uint8_t* out, std::size_t blocks) {
    const std::size_t done = ecb_groups<Rounds, Decrypt>(ks, in, out, blocks);
    const AesKernels& narrow = aes_ni_kernels();
    (Decrypt ? narrow.decrypt_ecb : narrow.encrypt_ecb)(ks, in + aes_block_size * done, out + aes_block_size * done,
                                                         blocks - done);
}

template <int Rounds>
void cbc_decrypt(const AesKeySchedule& ks, std::uint8_t chain[16], const std::uint8_t* in, std::uint8_t* out,
                 std::size_t blocks) {
    const std::size_t done = cbc_decrypt_groups<Rounds>(ks, chain, in, out, blocks);
    aes_ni_kernels().decrypt_cbc(ks, chain, in + aes_block_size * done, out + aes_block_size * done, blocks - done);
}

template <bool Decrypt>
void ecb_by_rounds(const AesKeySchedule& ks, const std::uint8_t* in, std::uint8_t* out, std::size_t blocks) {
    switch (ks.rounds) {
        case 10: return ecb<10, Decrypt>(ks, in, out, blocks);
        case 12: return ecb<12, Decrypt>(ks, in, out, blocks);
        default: return ecb<14, Decrypt>(ks, in, out, blocks);
    }
}

void cbc_decrypt_by_rounds(const AesKeySchedule& ks, std::uint8_t chain[16], const std::uint8_t* in,
                           std::uint8_t* out, std::size_t blocks) {
    switch (ks.rounds) {
        case 10: return cbc_decrypt<10>(ks, chain, in, out, blocks);
        case 12: return cbc_decrypt<12>(ks, chain, in, out, blocks);
        default: return cbc_decrypt<14>(ks, chain, in, out, blocks);
    }
}

void cbc_encrypt_narrow(const AesKeySchedule& ks, std::uint8_t chain[16], const std::uint8_t* in, std::uint8_t* out,
                        std::size_t blocks) {
    aes_ni_kernels().encrypt_cbc(ks, chain, in, out, blocks);
}

constexpr AesKernels wide{ecb_by_rounds<false>, ecb_by_rounds<true>, cbc_encrypt_narrow, cbc_decrypt_by_rounds};

}  // namespace

const AesKernels& aes_wide_kernels() { return wide; }

}  // namespace brim::detail

#endif
