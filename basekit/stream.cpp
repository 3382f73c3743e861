#include "basekit/stream.h"

namespace bk {

int InputStream::read() {
    std::uint8_t byte;
    return read(&byte, 1) == 1 ? byte : -1;
}

void OutputStream::write(int byte) {
    const auto b = static_cast<std::uint8_t>(byte & 0xFF);
    write(&b, 1);
}

std::size_t read_up_to(InputStream& in, std::uint8_t* buffer, std::size_t size) {
    std::size_t got = 0;
    while (got < size) {
        const int n = in.read(buffer + got, static_cast<int>(size - got));
        if (n <= 0) break;
        got += static_cast<std::size_t>(n);
    }
    return got;
}

}  // namespace bk
