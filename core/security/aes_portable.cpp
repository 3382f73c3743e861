// Portable AES with 32-bit lookup tables, and the key expansion both forms use.
#include <array>
#include <cstring>

#include "core/security/aes_kernels.h"
#include "core/security/byte_order.h"
#include "core/security/cpu_features.h"
#include "core/security/wipe.h"

namespace brim::detail {
namespace {

using bytes::load_be32;
using bytes::store_be32;

constexpr std::uint8_t gf_mul(std::uint8_t a, std::uint8_t b) {
    std::uint8_t product = 0;
    while (b != 0) {
        if (b & 1) product ^= a;
        a = static_cast<std::uint8_t>((a << 1) ^ ((a & 0x80) ? 0x1b : 0));
        b >>= 1;
    }
    return product;
}

constexpr std::uint8_t gf_inverse(std::uint8_t a) {
    if (a == 0) return 0;
    for (int b = 1; b < 256; ++b)
        if (gf_mul(a, static_cast<std::uint8_t>(b)) == 1) return static_cast<std::uint8_t>(b);
    return 0;
}

constexpr std::uint8_t rotl8(std::uint8_t x, int n) { return static_cast<std::uint8_t>((x << n) | (x >> (8 - n))); }

struct Tables {
    std::array<std::uint8_t, 256> sbox{};
    std::array<std::uint8_t, 256> inverse_sbox{};
    std::array<std::array<std::uint32_t, 256>, 4> te{};
    std::array<std::array<std::uint32_t, 256>, 4> td{};
};

constexpr std::uint32_t word(std::uint8_t b0, std::uint8_t b1, std::uint8_t b2, std::uint8_t b3) {
    return (std::uint32_t{b0} << 24) | (std::uint32_t{b1} << 16) | (std::uint32_t{b2} << 8) | b3;
}

constexpr std::uint32_t rotr32(std::uint32_t x, int n) { return n == 0 ? x : (x >> n) | (x << (32 - n)); }

// The S-box is the affine map of the multiplicative inverse; the round
// tables fold SubBytes and MixColumns (or their inverses) into one look-up.
constexpr Tables make_tables() {
    Tables t;
    for (int x = 0; x < 256; ++x) {
        const std::uint8_t inv = gf_inverse(static_cast<std::uint8_t>(x));
        const auto s = static_cast<std::uint8_t>(inv ^ rotl8(inv, 1) ^ rotl8(inv, 2) ^ rotl8(inv, 3) ^
                                                 rotl8(inv, 4) ^ 0x63);
        t.sbox[x] = s;
        t.inverse_sbox[s] = static_cast<std::uint8_t>(x);
    }
    for (int x = 0; x < 256; ++x) {
        const std::uint8_t s = t.sbox[x];
        const std::uint8_t i = t.inverse_sbox[x];
        const std::uint32_t e = word(gf_mul(s, 2), s, s, gf_mul(s, 3));
        const std::uint32_t d = word(gf_mul(i, 14), gf_mul(i, 9), gf_mul(i, 13), gf_mul(i, 11));
        for (int r = 0; r < 4; ++r) {
            t.te[r][x] = rotr32(e, 8 * r);
            t.td[r][x] = rotr32(d, 8 * r);
        }
    }
    return t;
}

constexpr Tables tables = make_tables();

std::uint32_t sub_word(std::uint32_t w) {
    const auto& s = tables.sbox;
    return word(s[w >> 24], s[(w >> 16) & 0xff], s[(w >> 8) & 0xff], s[w & 0xff]);
}

std::uint32_t inverse_mix_column(std::uint32_t w) {
    const auto b0 = static_cast<std::uint8_t>(w >> 24), b1 = static_cast<std::uint8_t>(w >> 16);
    const auto b2 = static_cast<std::uint8_t>(w >> 8), b3 = static_cast<std::uint8_t>(w);
    return word(gf_mul(b0, 14) ^ gf_mul(b1, 11) ^ gf_mul(b2, 13) ^ gf_mul(b3, 9),
                gf_mul(b0, 9) ^ gf_mul(b1, 14) ^ gf_mul(b2, 11) ^ gf_mul(b3, 13),
                gf_mul(b0, 13) ^ gf_mul(b1, 9) ^ gf_mul(b2, 14) ^ gf_mul(b3, 11),
                gf_mul(b0, 11) ^ gf_mul(b1, 13) ^ gf_mul(b2, 9) ^ gf_mul(b3, 14));
}

void encrypt_block(const AesKeySchedule& ks, const std::uint8_t* in, std::uint8_t* out) {
    const auto& te = tables.te;
    const auto& rk = ks.encrypt;
    std::uint32_t s0 = load_be32(in) ^ load_be32(rk[0]), s1 = load_be32(in + 4) ^ load_be32(rk[0] + 4);
    std::uint32_t s2 = load_be32(in + 8) ^ load_be32(rk[0] + 8), s3 = load_be32(in + 12) ^ load_be32(rk[0] + 12);
    for (int r = 1; r < ks.rounds; ++r) {
        const std::uint32_t t0 = te[0][s0 >> 24] ^ te[1][(s1 >> 16) & 0xff] ^ te[2][(s2 >> 8) & 0xff] ^
                                 te[3][s3 & 0xff] ^ load_be32(rk[r]);
        const std::uint32_t t1 = te[0][s1 >> 24] ^ te[1][(s2 >> 16) & 0xff] ^ te[2][(s3 >> 8) & 0xff] ^
                                 te[3][s0 & 0xff] ^ load_be32(rk[r] + 4);
        const std::uint32_t t2 = te[0][s2 >> 24] ^ te[1][(s3 >> 16) & 0xff] ^ te[2][(s0 >> 8) & 0xff] ^
                                 te[3][s1 & 0xff] ^ load_be32(rk[r] + 8);
        const std::uint32_t t3 = te[0][s3 >> 24] ^ te[1][(s0 >> 16) & 0xff] ^ te[2][(s1 >> 8) & 0xff] ^
                                 te[3][s2 & 0xff] ^ load_be32(rk[r] + 12);
        s0 = t0;
        s1 = t1;
        s2 = t2;
        s3 = t3;
    }
    const auto& s = tables.sbox;
    const std::uint8_t* last = rk[ks.rounds];
    store_be32(out, word(s[s0 >> 24], s[(s1 >> 16) & 0xff], s[(s2 >> 8) & 0xff], s[s3 & 0xff]) ^ load_be32(last));
    store_be32(out + 4,
               word(s[s1 >> 24], s[(s2 >> 16) & 0xff], s[(s3 >> 8) & 0xff], s[s0 & 0xff]) ^ load_be32(last + 4));
    store_be32(out + 8,
               word(s[s2 >> 24], s[(s3 >> 16) & 0xff], s[(s0 >> 8) & 0xff], s[s1 & 0xff]) ^ load_be32(last + 8));
    store_be32(out + 12,
               word(s[s3 >> 24], s[(s0 >> 16) & 0xff], s[(s1 >> 8) & 0xff], s[s2 & 0xff]) ^ load_be32(last + 12));
}

void decrypt_block(const AesKeySchedule& ks, const std::uint8_t* in, std::uint8_t* out) {
    const auto& td = tables.td;
    const auto& rk = ks.decrypt;
    std::uint32_t s0 = load_be32(in) ^ load_be32(rk[0]), s1 = load_be32(in + 4) ^ load_be32(rk[0] + 4);
    std::uint32_t s2 = load_be32(in + 8) ^ load_be32(rk[0] + 8), s3 = load_be32(in + 12) ^ load_be32(rk[0] + 12);
    for (int r = 1; r < ks.rounds; ++r) {
        const std::uint32_t t0 = td[0][s0 >> 24] ^ td[1][(s3 >> 16) & 0xff] ^ td[2][(s2 >> 8) & 0xff] ^
                                 td[3][s1 & 0xff] ^ load_be32(rk[r]);
        const std::uint32_t t1 = td[0][s1 >> 24] ^ td[1][(s0 >> 16) & 0xff] ^ td[2][(s3 >> 8) & 0xff] ^
                                 td[3][s2 & 0xff] ^ load_be32(rk[r] + 4);
        const std::uint32_t t2 = td[0][s2 >> 24] ^ td[1][(s1 >> 16) & 0xff] ^ td[2][(s0 >> 8) & 0xff] ^
                                 td[3][s3 & 0xff] ^ load_be32(rk[r] + 8);
        const std::uint32_t t3 = td[0][s3 >> 24] ^ td[1][(s2 >> 16) & 0xff] ^ td[2][(s1 >> 8) & 0xff] ^
                                 td[3][s0 & 0xff] ^ load_be32(rk[r] + 12);
        s0 = t0;
        s1 = t1;
        s2 = t2;
        s3 = t3;
    }
    const auto& s = tables.inverse_sbox;
    const std::uint8_t* last = rk[ks.rounds];
    store_be32(out, word(s[s0 >> 24], s[(s3 >> 16) & 0xff], s[(s2 >> 8) & 0xff], s[s1 & 0xff]) ^ load_be32(last));
    store_be32(out + 4,
               word(s[s1 >> 24], s[(s0 >> 16) & 0xff], s[(s3 >> 8) & 0xff], s[s2 & 0xff]) ^ load_be32(last + 4));
    store_be32(out + 8,
               word(s[s2 >> 24], s[(s1 >> 16) & 0xff], s[(s0 >> 8) & 0xff], s[s3 & 0xff]) ^ load_be32(last + 8));
    store_be32(out + 12,
               word(s[s3 >> 24], s[(s2 >> 16) & 0xff], s[(s1 >> 8) & 0xff], s[s0 & 0xff]) ^ load_be32(last + 12));
}

void xor_block(std::uint8_t* target, const std::uint8_t* other) {
    for (std::size_t i = 0; i < aes_block_size; ++i) target[i] ^= other[i];
}

void encrypt_ecb(const AesKeySchedule& ks, const std::uint8_t* in, std::uint8_t* out, std::size_t blocks) {
    for (; blocks > 0; --blocks, in += 16, out += 16) encrypt_block(ks, in, out);
}

void decrypt_ecb(const AesKeySchedule& ks, const std::uint8_t* in, std::uint8_t* out, std::size_t blocks) {
    for (; blocks > 0; --blocks, in += 16, out += 16) decrypt_block(ks, in, out);
}

void encrypt_cbc(const AesKeySchedule& ks, std::uint8_t chain[16], const std::uint8_t* in, std::uint8_t* out,
                 std::size_t blocks) {
    for (; blocks > 0; --blocks, in += 16, out += 16) {
        xor_block(chain, in);
        encrypt_block(ks, chain, chain);
        std::memcpy(out, chain, 16);
    }
}

void decrypt_cbc(const AesKeySchedule& ks, std::uint8_t chain[16], const std::uint8_t* in, std::uint8_t* out,
                 std::size_t blocks) {
    std::uint8_t cipher[16];
    for (; blocks > 0; --blocks, in += 16, out += 16) {
        std::memcpy(cipher, in, 16);  // `out` may overwrite `in`
        decrypt_block(ks, cipher, out);
        xor_block(out, chain);
        std::memcpy(chain, cipher, 16);
    }
}

constexpr AesKernels portable{encrypt_ecb, decrypt_ecb, encrypt_cbc, decrypt_cbc};

}  // namespace

void aes_expand_key(AesKeySchedule& schedule, const std::uint8_t* key, std::size_t key_size) {
    const int nk = static_cast<int>(key_size / 4);
    const int rounds = nk + 6;
    const int total = 4 * (rounds + 1);
    std::uint32_t w[60] = {};
    for (int i = 0; i < nk; ++i) w[i] = load_be32(key + 4 * i);
    std::uint32_t rcon = 0x01;
    for (int i = nk; i < total; ++i) {
        std::uint32_t t = w[i - 1];
        if (i % nk == 0) {
            t = sub_word(rotr32(t, 24)) ^ (rcon << 24);
            rcon = gf_mul(static_cast<std::uint8_t>(rcon), 2);
        } else if (nk > 6 && i % nk == 4) {
            t = sub_word(t);
        }
        w[i] = w[i - nk] ^ t;
    }
    schedule.rounds = rounds;
    for (int r = 0; r <= rounds; ++r) {
        for (int c = 0; c < 4; ++c) {
            store_be32(schedule.encrypt[r] + 4 * c, w[4 * r + c]);
            const std::uint32_t inverse = w[4 * (rounds - r) + c];
            store_be32(schedule.decrypt[r] + 4 * c,
                       r == 0 || r == rounds ? inverse : inverse_mix_column(inverse));
        }
    }
    secure_zero(w, sizeof w);
}

const AesKernels& aes_portable_kernels() { return portable; }

const AesKernels& aes_kernels() {
#ifdef BRIM_HAVE_AES_NI
    if (aes_accelerated()) return cpu_has_vaes() ? aes_wide_kernels() : aes_ni_kernels();
#endif
    return portable;
}

}  // namespace brim::detail
