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

}  // namespace bk
