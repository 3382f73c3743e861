#pragma once
// Reads the known-answer files of tests/vectors: blocks of NAME=value lines
// separated by blank lines, `#` lines being comments.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace brim_test {

using Bytes = std::vector<std::uint8_t>;

struct Vector {
    std::string source;  // the block's "# source:" text, for failure messages
    std::map<std::string, std::string> fields;

    bool has(const std::string& name) const { return fields.count(name) != 0; }
    const std::string& text(const std::string& name) const { return fields.at(name); }
    Bytes bytes(const std::string& name) const;
};

// Every block of `file_name` (a file in tests/vectors). Throws
// std::runtime_error when the file cannot be read or a value is not hex.
std::vector<Vector> read_vectors(const std::string& file_name);

Bytes from_hex(const std::string& hex);
std::string to_hex(const std::uint8_t* data, std::size_t size);
template <class Container>
std::string to_hex(const Container& c) {
    return to_hex(c.data(), c.size());
}

}  // namespace brim_test
