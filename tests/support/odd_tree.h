#pragma once
// A source tree with the names and contents that trip backups and restores
// up: spaces, non-ASCII, a backslash, a newline, bytes that are not UTF-8,
// an empty file and an empty folder, files of 64 KiB and 64 KiB + 1 (one
// data chunk and just over), a private file, a link and a dangling link.
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <random>
#include <string>

#include "tests/support/temp_dir.h"

namespace brim_test {

inline std::string random_bytes(std::size_t size, unsigned seed) {
    std::string bytes(size, '\0');
    std::mt19937 random(seed);
    for (auto& byte : bytes) byte = static_cast<char>(random());
    return bytes;
}

// Fills `src` (created); "with space/deeper/big" gets `big_size` bytes.
inline void write_odd_tree(const std::filesystem::path& src, std::size_t big_size) {
    std::filesystem::create_directories(src / "with space" / "deeper");
    std::filesystem::create_directories(src / "empty dir");
    write_bytes(src / "caf\xC3\xA9 \xE4\xB8\xAD.txt", "non-ASCII");
    write_bytes(src / "back\\slash", "backslash");
    write_bytes(src / "new\nline", "newline");
    write_bytes(src / "bad\xFF" "byte", "not UTF-8");
    write_bytes(src / "empty", "");
    write_bytes(src / "with space" / "64k", random_bytes(65536, 1));
    write_bytes(src / "with space" / "64k+1", random_bytes(65537, 2));
    write_bytes(src / "with space" / "deeper" / "big", random_bytes(big_size, 3));
    write_bytes(src / "private", "0600");
    ::chmod((src / "private").c_str(), 0600);
    ::symlink("with space/64k", (src / "link").c_str());
    ::symlink("../nowhere", (src / "dangling").c_str());
}

}  // namespace brim_test
