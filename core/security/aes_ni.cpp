// AES with the processor's AES instructions. Only this file is built for
// them; aes_kernels() hands these out only when cpu_has_aes().
#include "core/security/aes_kernels.h"

#ifdef BRIM_HAVE_AES_NI
#include <immintrin.h>

#define BRIM_AES_TARGET __attribute__((target("aes,sse4.1")))

namespace brim::detail {
namespace {

// Blocks in flight when the blocks are independent (ECB, CBC decryption):
// enough to hide the latency of the round instruction.
constexpr std::size_t lanes = 8;

template <int Rounds>
struct RoundKeys {
    __m128i k[Rounds + 1];

    BRIM_AES_TARGET explicit RoundKeys(const std::uint8_t (*keys)[16]) {
        for (int r = 0; r <= Rounds; ++r) k[r] = _mm_load_si128(reinterpret_cast<const __m128i*>(keys[r]));
    }
};

BRIM_AES_TARGET inline __m128i load(const std::uint8_t* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

BRIM_AES_TARGET inline void store(std::uint8_t* p, __m128i v) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
}

template <int Rounds, bool Decrypt>
BRIM_AES_TARGET inline __m128i one_block(const RoundKeys<Rounds>& keys, __m128i b) {
    b = _mm_xor_si128(b, keys.k[0]);
#pragma GCC unroll 14
    for (int r = 1; r < Rounds; ++r) b = Decrypt ? _mm_aesdec_si128(b, keys.k[r]) : _mm_aesenc_si128(b, keys.k[r]);
    return Decrypt ? _mm_aesdeclast_si128(b, keys.k[Rounds]) : _mm_aesenclast_si128(b, keys.k[Rounds]);
}

template <int Rounds, bool Decrypt>
BRIM_AES_TARGET inline void run_lanes(const RoundKeys<Rounds>& keys, __m128i (&b)[lanes]) {
#pragma GCC unroll 8
    for (std::size_t i = 0; i < lanes; ++i) b[i] = _mm_xor_si128(b[i], keys.k[0]);
#pragma GCC unroll 14
    for (int r = 1; r < Rounds; ++r) {
#pragma GCC unroll 8
        for (std::size_t i = 0; i < lanes; ++i)
            b[i] = Decrypt ? _mm_aesdec_si128(b[i], keys.k[r]) : _mm_aesenc_si128(b[i], keys.k[r]);
    }
#pragma GCC unroll 8
    for (std::size_t i = 0; i < lanes; ++i)
        b[i] = Decrypt ? _mm_aesdeclast_si128(b[i], keys.k[Rounds]) : _mm_aesenclast_si128(b[i], keys.k[Rounds]);
}

template <int Rounds, bool Decrypt>
BRIM_AES_TARGET void ecb(const AesKeySchedule& ks, const std::uint8_t* in, std::uint8_t* out, std::size_t blocks) {
    const RoundKeys<Rounds> keys(Decrypt ? ks.decrypt : ks.encrypt);
    for (; blocks >= lanes; blocks -= lanes, in += 16 * lanes, out += 16 * lanes) {
        __m128i b[lanes];
        for (std::size_t i = 0; i < lanes; ++i) b[i] = load(in + 16 * i);
        run_lanes<Rounds, Decrypt>(keys, b);
        for (std::size_t i = 0; i < lanes; ++i) store(out + 16 * i, b[i]);
    }
    for (; blocks > 0; --blocks, in += 16, out += 16)
        store(out, one_block<Rounds, Decrypt>(keys, load(in)));
}

template <int Rounds>
BRIM_AES_TARGET void cbc_encrypt(const AesKeySchedule& ks, std::uint8_t chain[16], const std::uint8_t* in,
                                 std::uint8_t* out, std::size_t blocks) {
    const RoundKeys<Rounds> keys(ks.encrypt);
    __m128i c = load(chain);
    for (; blocks > 0; --blocks, in += 16, out += 16) {
        c = one_block<Rounds, false>(keys, _mm_xor_si128(c, load(in)));
        store(out, c);
    }
    store(chain, c);
}

template <int Rounds>
BRIM_AES_TARGET void cbc_decrypt(const AesKeySchedule& ks, std::uint8_t chain[16], const std::uint8_t* in,
                                 std::uint8_t* out, std::size_t blocks) {
    const RoundKeys<Rounds> keys(ks.decrypt);
    __m128i previous = load(chain);
    for (; blocks >= lanes; blocks -= lanes, in += 16 * lanes, out += 16 * lanes) {
        // All ciphertext is read before anything is stored: `out` may be `in`.
        __m128i cipher[lanes], b[lanes];
        for (std::size_t i = 0; i < lanes; ++i) b[i] = cipher[i] = load(in + 16 * i);
        run_lanes<Rounds, true>(keys, b);
        store(out, _mm_xor_si128(b[0], previous));
        for (std::size_t i = 1; i < lanes; ++i) store(out + 16 * i, _mm_xor_si128(b[i], cipher[i - 1]));
        previous = cipher[lanes - 1];
    }
    for (; blocks > 0; --blocks, in += 16, out += 16) {
        const __m128i cipher = load(in);
        store(out, _mm_xor_si128(one_block<Rounds, true>(keys, cipher), previous));
        previous = cipher;
    }
    store(chain, previous);
}

// The round count picks a fully unrolled instance.
template <template <int> class Op, class... Args>
void by_rounds(const AesKeySchedule& ks, Args... args) {
    switch (ks.rounds) {
        case 10: return Op<10>::run(ks, args...);
        case 12: return Op<12>::run(ks, args...);
        default: return Op<14>::run(ks, args...);
    }
}

template <int R>
struct EncryptEcb {
    static void run(const AesKeySchedule& ks, const std::uint8_t* in, std::uint8_t* out, std::size_t n) {
        ecb<R, false>(ks, in, out, n);
    }
};
template <int R>
struct DecryptEcb {
    static void run(const AesKeySchedule& ks, const std::uint8_t* in, std::uint8_t* out, std::size_t n) {
        ecb<R, true>(ks, in, out, n);
    }
};
template <int R>
struct EncryptCbc {
    static void run(const AesKeySchedule& ks, std::uint8_t* chain, const std::uint8_t* in, std::uint8_t* out,
                    std::size_t n) {
        cbc_encrypt<R>(ks, chain, in, out, n);
    }
};
template <int R>
struct DecryptCbc {
    static void run(const AesKeySchedule& ks, std::uint8_t* chain, const std::uint8_t* in, std::uint8_t* out,
                    std::size_t n) {
        cbc_decrypt<R>(ks, chain, in, out, n);
    }
};

constexpr AesKernels accelerated{
    [](const AesKeySchedule& ks, const std::uint8_t* in, std::uint8_t* out, std::size_t n) {
        by_rounds<EncryptEcb>(ks, in, out, n);
    },
    [](const AesKeySchedule& ks, const std::uint8_t* in, std::uint8_t* out, std::size_t n) {
        by_rounds<DecryptEcb>(ks, in, out, n);
    },
    [](const AesKeySchedule& ks, std::uint8_t chain[16], const std::uint8_t* in, std::uint8_t* out, std::size_t n) {
        by_rounds<EncryptCbc>(ks, chain, in, out, n);
    },
    [](const AesKeySchedule& ks, std::uint8_t chain[16], const std::uint8_t* in, std::uint8_t* out, std::size_t n) {
        by_rounds<DecryptCbc>(ks, chain, in, out, n);
    },
};

}  // namespace

const AesKernels& aes_ni_kernels() { return accelerated; }

}  // namespace brim::detail

#endif
