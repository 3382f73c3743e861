#pragma once
// Shared pieces of the fuzz targets: a private data directory for the
// process, and writing the input to a file there.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace brim_fuzz {

// A data directory of this fuzzing process, under the temporary folder;
// BRIMVAULT_HOME and the home variables point into it.
inline const std::filesystem::path& home() {
    static const std::filesystem::path dir = [] {
        const auto path = std::filesystem::temp_directory_path() / ("brimvault-fuzz-" + std::to_string(::getpid()));
        std::filesystem::create_directories(path / "user");
        ::setenv("BRIMVAULT_HOME", (path / "data").c_str(), 1);
        ::setenv("HOME", (path / "user").c_str(), 1);
        ::setenv("XDG_DATA_HOME", (path / "user" / "share").c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", (path / "user" / "config").c_str(), 1);
        return path;
    }();
    return dir;
}

inline void write_input(const std::filesystem::path& file, const std::uint8_t* data, std::size_t size) {
    std::filesystem::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

}  // namespace brim_fuzz
