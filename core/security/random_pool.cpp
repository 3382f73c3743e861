#include "core/security/random_pool.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "basekit/exception.h"
#include "basekit/platform/os_random.h"
#include "core/security/byte_order.h"
#include "core/security/sha1.h"
#include "core/security/wipe.h"

namespace brim {
namespace {

constexpr std::size_t mdc_block = 20;
constexpr std::size_t os_seed_size = 64;

// E_key(block): the SHA-1 compression of `key` into the state `block`.
void mdc_encrypt(const std::uint8_t key[RandomPool::key_size], const std::uint8_t* block, std::uint8_t* out) {
    std::uint32_t state[5];
    for (int i = 0; i < 5; ++i) state[i] = bytes::load_be32(block + 4 * i);
    sha1_compress(state, key);
    for (int i = 0; i < 5; ++i) bytes::store_be32(out + 4 * i, state[i]);
    secure_zero(state, sizeof state);
}

void cfb_encrypt(const std::uint8_t key[RandomPool::key_size], std::uint8_t* data, std::size_t size,
                 const std::uint8_t* iv) {
    std::uint8_t shift[mdc_block], keystream[mdc_block];
    std::memcpy(shift, iv, mdc_block);
    for (std::size_t at = 0; at < size; at += mdc_block) {
        mdc_encrypt(key, shift, keystream);
        const std::size_t n = std::min(mdc_block, size - at);
        for (std::size_t i = 0; i < n; ++i) shift[i] = data[at + i] ^= keystream[i];
    }
    secure_zero(shift, sizeof shift);
    secure_zero(keystream, sizeof keystream);
}

std::unique_ptr<RandomPool> create_seeded_pool() {
    std::unique_ptr<RandomPool> pool(new (std::nothrow) RandomPool());
    if (!pool) throw bk::OutOfMemoryException();
    std::uint8_t seed[os_seed_size];
    bk::os::random_bytes(seed, sizeof seed);
    pool->put(seed, sizeof seed);
    secure_zero(seed, sizeof seed);
    std::vector<std::uint8_t> state = bk::os::machine_state();
    pool->put(state.data(), state.size());
    secure_zero(state.data(), state.size());
    return pool;
}

}  // namespace

RandomPool::~RandomPool() {
    secure_zero(pool_, sizeof pool_);
    secure_zero(key_, sizeof key_);
}

void RandomPool::stir_locked() {
    for (int round = 0; round < 2; ++round) {
        std::uint8_t iv[mdc_block];
        std::memcpy(iv, pool_ + pool_size - mdc_block, mdc_block);
        cfb_encrypt(key_, pool_, pool_size, iv);
        std::memcpy(key_, pool_, key_size);
    }
    add_position_ = 0;
    get_position_ = key_size;
}

void RandomPool::stir() {
    std::lock_guard lock(mutex_);
    stir_locked();
}

void RandomPool::put(const std::uint8_t* bytes, std::size_t size) {
    std::lock_guard lock(mutex_);
    while (size > 0) {
        const std::size_t n = std::min(size, pool_size - add_position_);
        for (std::size_t i = 0; i < n; ++i) pool_[add_position_ + i] ^= bytes[i];
        bytes += n;
        size -= n;
        add_position_ += n;
        if (add_position_ == pool_size) stir_locked();
    }
    get_position_ = pool_size;
}

void RandomPool::generate(std::uint8_t* out, std::size_t size) {
    std::lock_guard lock(mutex_);
    while (size > 0) {
        if (get_position_ == pool_size) stir_locked();
        const std::size_t n = std::min(size, pool_size - get_position_);
        std::memcpy(out, pool_ + get_position_, n);
        out += n;
        size -= n;
        get_position_ += n;
    }
}

RandomPool& random_pool() {
    static const std::unique_ptr<RandomPool> pool = create_seeded_pool();
    return *pool;
}

}  // namespace brim
