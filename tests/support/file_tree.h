#pragma once
// What a folder holds, for tests that compare copied trees: every regular
// file and symbolic link below it by its relative path (a link as "-> " and
// its target), and its direct subfolders.
#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "tests/support/temp_dir.h"

namespace brim_test {

inline std::map<std::string, std::string> tree_of(const std::filesystem::path& root) {
    namespace fs = std::filesystem;
    std::map<std::string, std::string> files;
    if (!fs::exists(root)) return files;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
        const std::string relative = it->path().lexically_relative(root).string();
        if (it->is_symlink()) files[relative] = "-> " + fs::read_symlink(it->path()).string();
        else if (it->is_regular_file()) files[relative] = read_bytes(it->path());
    }
    return files;
}

inline std::vector<std::filesystem::path> folders_in(const std::filesystem::path& dir) {
    std::vector<std::filesystem::path> found;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        if (entry.is_directory()) found.push_back(entry.path());
    std::sort(found.begin(), found.end());
    return found;
}

}  // namespace brim_test
