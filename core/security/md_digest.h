#pragma once
// The frame shared by the Merkle-Damgard digests (MD5, SHA-1, SHA-256):
// input is gathered into 64-byte blocks, whole blocks go straight to the
// compression function, and the end appends 0x80, zeros and the message
// length in bits (64 bits) in the digest's byte order.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "core/security/byte_order.h"
#include "core/security/wipe.h"

namespace brim::detail {

class DigestBlockBuffer final {
public:
    static constexpr std::size_t block_size = 64;

    void reset() {
        total_bytes_ = 0;
        used_ = 0;
    }

    // `compress(blocks, count)` consumes `count` whole 64-byte blocks.
    template <class Compress>
    void update(const std::uint8_t* data, std::size_t size, Compress&& compress) {
        if (size == 0) return;  // `data` may then be null
        total_bytes_ += size;
        if (used_ > 0) {
            const std::size_t take = size < block_size - used_ ? size : block_size - used_;
            std::memcpy(block_ + used_, data, take);
            used_ += take;
            data += take;
            size -= take;
            if (used_ < block_size) return;
            compress(block_, 1);
            used_ = 0;
        }
        if (size >= block_size) {
            compress(data, size / block_size);
            data += size - size % block_size;
            size %= block_size;
        }
        std::memcpy(block_, data, size);
        used_ = size;
    }

    // Pads, appends the bit count and compresses the last one or two blocks.
    // The buffer must be reset before it is used again.
    template <class Compress>
    void finish(bool big_endian_length, Compress&& compress) {
        const std::uint64_t bits = total_bytes_ * 8;
        block_[used_++] = 0x80;
        if (used_ > block_size - 8) {
            std::memset(block_ + used_, 0, block_size - used_);
            compress(block_, 1);
            used_ = 0;
        }
        std::memset(block_ + used_, 0, block_size - 8 - used_);
        if (big_endian_length)
            bytes::store_be64(block_ + block_size - 8, bits);
        else
            bytes::store_le64(block_ + block_size - 8, bits);
        compress(block_, 1);
        used_ = 0;
    }

    // Overwrites the buffered message bytes and the count.
    void clear_secrets() noexcept {
        secure_zero(block_, block_size);
        total_bytes_ = 0;
        used_ = 0;
    }

private:
    std::uint8_t block_[block_size] = {};
    std::uint64_t total_bytes_ = 0;
    std::size_t used_ = 0;
};

// One digest: `Algorithm` gives digest_size, state_words, big_endian (the
// byte order of the length and the digest words), initial_state and
// compress(state, blocks, count). Used by one thread at a time.
template <class Algorithm>
class MdDigest final {
public:
    static constexpr std::size_t digest_size = Algorithm::digest_size;
    using Digest = std::array<std::uint8_t, digest_size>;

    MdDigest() { init(); }
    // Wipes the state and the buffered input.
    ~MdDigest() {
        secure_zero(state_, sizeof state_);
        buffer_.clear_secrets();
    }
    MdDigest(const MdDigest&) = delete;
    MdDigest& operator=(const MdDigest&) = delete;

    // Starts a new message.
    void init() {
        std::copy(Algorithm::initial_state.begin(), Algorithm::initial_state.end(), state_);
        buffer_.reset();
    }

    void update(const void* data, std::size_t size) {
        buffer_.update(static_cast<const std::uint8_t*>(data), size,
                       [this](const std::uint8_t* blocks, std::size_t count) {
                           Algorithm::compress(state_, blocks, count);
                       });
    }

    // The digest of everything given since init; the object then starts a
    // new message.
    [[nodiscard]] Digest final() {
        buffer_.finish(Algorithm::big_endian, [this](const std::uint8_t* blocks, std::size_t count) {
            Algorithm::compress(state_, blocks, count);
        });
        Digest digest;
        for (std::size_t i = 0; i < digest_size / 4; ++i) {
            if constexpr (Algorithm::big_endian)
                bytes::store_be32(digest.data() + 4 * i, state_[i]);
            else
                bytes::store_le32(digest.data() + 4 * i, state_[i]);
        }
        init();
        return digest;
    }

    // The digest of one message in one call.
    [[nodiscard]] static Digest digest(const void* data, std::size_t size) {
        MdDigest hash;
        hash.update(data, size);
        return hash.final();
    }

private:
    std::uint32_t state_[Algorithm::state_words];
    DigestBlockBuffer buffer_;
};

}  // namespace brim::detail
