#pragma once
// The process-wide pool of random bytes that key material is drawn from. Its
// block function is the SHA-1 compression function used as a 20-byte block
// cipher in MDC mode (the block as five big-endian words is the chaining
// state, the 64-byte key is the message block, the result replaces the block).
#include <cstddef>
#include <cstdint>
#include <mutex>

namespace brim {

class RandomPool final {
public:
    static constexpr std::size_t pool_size = 256;
    static constexpr std::size_t key_size = 64;

    // An unseeded pool (zeros): only random_pool() seeds. Tests use this.
    RandomPool() = default;
    // Wipes pool and key.
    ~RandomPool();
    RandomPool(const RandomPool&) = delete;
    RandomPool& operator=(const RandomPool&) = delete;

    // XORs `size` bytes into the pool from the add position on, stirring
    // whenever the pool end is reached; the next generate stirs first.
    void put(const std::uint8_t* bytes, std::size_t size);
    // Copies `size` pool bytes from the get position on, stirring whenever
    // the pool end is reached.
    void generate(std::uint8_t* out, std::size_t size);
    // Twice: encipher the pool in CFB mode under the key with the pool's last
    // 20 bytes as IV, then take the pool's first 64 bytes as the new key.
    void stir();

    // All members may be called from any thread: a lock keeps two threads
    // from ever receiving the same bytes.

private:
    void stir_locked();

    std::mutex mutex_;
    std::uint8_t pool_[pool_size] = {};
    std::uint8_t key_[key_size] = {};
    std::size_t add_position_ = 0;
    std::size_t get_position_ = pool_size;
};

// The process's pool, created on the first call and seeded from the
// operating system's entropy source plus a record of the machine's state.
// Throws IOException when the entropy source cannot be read (no key material
// is ever drawn from guessable state alone), OutOfMemoryException when the
// pool cannot be created. Any thread.
[[nodiscard]] RandomPool& random_pool();

}  // namespace brim
