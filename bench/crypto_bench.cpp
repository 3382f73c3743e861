// Throughput of the ciphers and digests on 64 KiB buffers, the size archive
// data moves in. Each runs on the accelerated path and on the portable one.
#include <cstdint>
#include <vector>

#include <benchmark/benchmark.h>

#include "core/security/cpu_features.h"
#include "core/security/md5.h"
#include "core/security/rijndael.h"
#include "core/security/rijndael_cipher.h"
#include "core/security/sha1.h"
#include "core/security/sha256.h"
#include "core/security/wake_cipher.h"
#include "core/security/xor_cipher.h"

namespace {

constexpr std::size_t chunk = 65536;

std::vector<std::uint8_t> data(std::size_t n) {
    std::vector<std::uint8_t> out(n);
    for (std::size_t i = 0; i < n; ++i) out[i] = static_cast<std::uint8_t>(i * 131 + 7);
    return out;
}

const std::vector<std::uint8_t> key = data(32);
const std::vector<std::uint8_t> iv = data(16);

// Argument 0: accelerated, 1: portable.
void select_path(benchmark::State& state) {
    brim::force_portable_crypto(state.range(0) == 1);
    state.SetLabel(state.range(0) == 1 ? "portable" : "accelerated");
}

void finish(benchmark::State& state) {
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * chunk));
    brim::force_portable_crypto(false);
}

void aes256_cbc(benchmark::State& state, int direction) {
    select_path(state);
    brim::Rijndael engine;
    if (engine.init(brim::Rijndael::cbc, direction, key.data(), brim::Rijndael::key_32_bytes, iv.data()) != 0)
        state.SkipWithError("init failed");
    std::vector<std::uint8_t> in = data(chunk), out(chunk);
    for (auto _ : state) {
        const auto bits = direction == brim::Rijndael::encrypt ? engine.block_encrypt(in.data(), chunk * 8, out.data())
                                                               : engine.block_decrypt(in.data(), chunk * 8, out.data());
        benchmark::DoNotOptimize(bits);
        benchmark::ClobberMemory();
    }
    finish(state);
}

void BM_Aes256CbcEncrypt(benchmark::State& state) { aes256_cbc(state, brim::Rijndael::encrypt); }
void BM_Aes256CbcDecrypt(benchmark::State& state) { aes256_cbc(state, brim::Rijndael::decrypt); }

// The archive's own use: one padded 64 KiB chunk through RijndaelCipher.
void BM_RijndaelCipherChunk(benchmark::State& state) {
    select_path(state);
    brim::RijndaelCipher cipher(key.data(), false, iv.data());
    std::vector<std::uint8_t> in = data(chunk), out(chunk + 16);
    for (auto _ : state) {
        benchmark::DoNotOptimize(cipher.encrypt(in.data(), chunk, out.data()));
        benchmark::ClobberMemory();
    }
    finish(state);
}

template <class Digest>
void BM_Digest(benchmark::State& state) {
    select_path(state);
    std::vector<std::uint8_t> in = data(chunk);
    for (auto _ : state) benchmark::DoNotOptimize(Digest::digest(in.data(), in.size()));
    finish(state);
}

template <class Cipher>
void BM_DataCipher(benchmark::State& state) {
    select_path(state);
    Cipher cipher(key.data());
    std::vector<std::uint8_t> in = data(chunk), out(chunk);
    for (auto _ : state) {
        benchmark::DoNotOptimize(cipher.encrypt(in.data(), chunk, out.data()));
        benchmark::ClobberMemory();
    }
    finish(state);
}

BENCHMARK(BM_Aes256CbcEncrypt)->Arg(0)->Arg(1);
BENCHMARK(BM_Aes256CbcDecrypt)->Arg(0)->Arg(1);
BENCHMARK(BM_RijndaelCipherChunk)->Arg(0)->Arg(1);
BENCHMARK_TEMPLATE(BM_Digest, brim::Sha256)->Arg(0)->Arg(1);
BENCHMARK_TEMPLATE(BM_Digest, brim::Sha1)->Arg(0)->Arg(1);
BENCHMARK_TEMPLATE(BM_Digest, brim::Md5)->Arg(0);
BENCHMARK_TEMPLATE(BM_DataCipher, brim::XorCipher)->Arg(0);
BENCHMARK_TEMPLATE(BM_DataCipher, brim::WakeCipher)->Arg(0);

}  // namespace

BENCHMARK_MAIN();
