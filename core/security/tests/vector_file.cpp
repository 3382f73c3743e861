#include "core/security/tests/vector_file.h"

#include <fstream>
#include <stdexcept>

namespace brim_test {

Bytes from_hex(const std::string& hex) {
    if (hex.size() % 2 != 0) throw std::runtime_error("odd hex length: " + hex);
    Bytes out;
    out.reserve(hex.size() / 2);
    for (std::size_t i = 0; i < hex.size(); i += 2)
        out.push_back(static_cast<std::uint8_t>(std::stoul(hex.substr(i, 2), nullptr, 16)));
    return out;
}

std::string to_hex(const std::uint8_t* data, std::size_t size) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (std::size_t i = 0; i < size; ++i) {
        out += digits[data[i] >> 4];
        out += digits[data[i] & 15];
    }
    return out;
}

Bytes Vector::bytes(const std::string& name) const { return from_hex(text(name)); }

std::vector<Vector> read_vectors(const std::string& file_name) {
    const std::string path = std::string(BRIM_VECTOR_DIR) + "/" + file_name;
    std::ifstream in(path);
    if (!in) throw std::runtime_error("cannot read " + path);
    std::vector<Vector> vectors;
    Vector current;
    auto flush = [&] {
        if (!current.fields.empty()) vectors.push_back(current);
        current = Vector{};
    };
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) {
            flush();
        } else if (line[0] == '#') {
            if (line.rfind("# source:", 0) == 0) current.source = line.substr(10);
        } else {
            const auto eq = line.find('=');
            if (eq == std::string::npos) throw std::runtime_error("bad line in " + path + ": " + line);
            current.fields[line.substr(0, eq)] = line.substr(eq + 1);
        }
    }
    flush();
    return vectors;
}

}  // namespace brim_test
