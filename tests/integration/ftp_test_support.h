#pragma once
// Helpers shared by the FTP integration tests: a retry policy the test
// controls, and reproducible file contents made on the fly so that large
// files never sit in the test's memory.
#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "basekit/convertion.h"
#include "core/media/ftp_retry.h"

namespace brim_test {

class TestRetryPolicy final : public brim::FtpRetryPolicy {
public:
    TestRetryPolicy(bool enabled, int count, int interval_seconds)
        : enabled_(enabled), count_(count), interval_(interval_seconds) {}
    bool retry_enabled() const override { return enabled_; }
    int retry_count() const override { return count_; }
    int retry_interval_seconds() const override { return interval_; }
    bool stop_requested() const override { return stop_.load(); }
    void count_retry() override { ++retries_; }

    void request_stop() { stop_ = true; }
    int retries() const { return retries_.load(); }

private:
    bool enabled_;
    int count_;
    int interval_;
    std::atomic<bool> stop_{false};
    std::atomic<int> retries_{0};
};

// Byte i of a file of the given seed, from a small linear congruential
// generator run in blocks: cheap, and every block differs.
inline void fill_pattern(std::uint32_t seed, std::int64_t offset, std::uint8_t* out, std::size_t length) {
    for (std::size_t i = 0; i < length; ++i) {
        const std::uint64_t n = static_cast<std::uint64_t>(offset) + i;
        std::uint64_t x = (n / 8) * 6364136223846793005ULL + seed * 1442695040888963407ULL + 1;
        x ^= x >> 29;
        out[i] = static_cast<std::uint8_t>(x >> (8 * (n % 8)));
    }
}

inline void write_pattern_file(const std::filesystem::path& file, std::uint32_t seed, std::int64_t size) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    std::vector<std::uint8_t> block(1 << 16);
    for (std::int64_t at = 0; at < size; at += static_cast<std::int64_t>(block.size())) {
        const auto length = static_cast<std::size_t>(std::min<std::int64_t>(block.size(), size - at));
        fill_pattern(seed, at, block.data(), length);
        out.write(reinterpret_cast<const char*>(block.data()), static_cast<std::streamsize>(length));
    }
}

// True when the file holds exactly the pattern of `seed` and `size` bytes.
inline bool file_has_pattern(const std::filesystem::path& file, std::uint32_t seed, std::int64_t size) {
    if (!std::filesystem::exists(file) || static_cast<std::int64_t>(std::filesystem::file_size(file)) != size)
        return false;
    std::ifstream in(file, std::ios::binary);
    std::vector<std::uint8_t> expected(1 << 16);
    std::vector<char> actual(1 << 16);
    for (std::int64_t at = 0; at < size; at += static_cast<std::int64_t>(expected.size())) {
        const auto length = static_cast<std::size_t>(std::min<std::int64_t>(expected.size(), size - at));
        fill_pattern(seed, at, expected.data(), length);
        in.read(actual.data(), static_cast<std::streamsize>(length));
        if (std::memcmp(actual.data(), expected.data(), length) != 0) return false;
    }
    return true;
}

// The process's peak resident memory in KiB.
inline long peak_memory_kib() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// False under the sanitizers, whose shadow memory grows with every byte
// touched: a bound on resident memory means nothing there.
inline bool memory_bounds_hold() {
#if defined(__SANITIZE_THREAD__) || defined(__SANITIZE_ADDRESS__)
    return false;
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer) || __has_feature(address_sanitizer)
    return false;
#else
    return true;
#endif
#else
    return true;
#endif
}

inline bk::String name_of(const std::string& utf8) { return bk::from_utf8(utf8); }

}  // namespace brim_test
