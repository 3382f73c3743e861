#include "uictl/byte_to_string.h"

#include <algorithm>

#include "basekit/text_format.h"

namespace uictl {

bk::String byte_size_text(std::int64_t size) {
    int shifts = 0;
    for (std::uint64_t rest = static_cast<std::uint64_t>(size); rest != 0; rest >>= 10) ++shifts;
    const double value = static_cast<double>(size);
    switch (shifts) {
        case 0:
        case 1: return bk::format_text(u"%d bytes", {static_cast<long long>(size)});
        case 2: return bk::format_text(u"%.2f KB", {value / 1024.0});
        case 3: return bk::format_text(u"%.2f MB", {value / (1024.0 * 1024.0)});
        case 4: return bk::format_text(u"%.2f GB", {value / (1024.0 * 1024.0 * 1024.0)});
        default: return bk::format_text(u"%.2f TB", {value / (1024.0 * 1024.0 * 1024.0 * 1024.0)});
    }
}

}  // namespace uictl

int ByteToString(std::int64_t size, char16_t* buffer, int length) {
    if (buffer == nullptr || length <= 0) return 0;
    const bk::String text = uictl::byte_size_text(size);
    const int copied = std::min(static_cast<int>(text.size()), length - 1);
    std::copy_n(text.begin(), copied, buffer);
    buffer[copied] = u'\0';
    return std::min(static_cast<int>(text.size()) + 1, length);
}
