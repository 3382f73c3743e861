#pragma once
#include <cstdint>

#include "basekit/exception.h"
#include "basekit/types.h"

namespace bk {

// One path of the file system with lazily loaded attributes, sizes and times.
class SystemFile {
public:
    // Throws an IOException whose message is the platform's text for `code`
    // alone; the code and the path travel in the exception beside it. The
    // flag is kept for callers' symmetry and does not enter the message.
    [[noreturn]] static void throw_io_exception(std::int32_t code, bool flag, StringView path);
};

}  // namespace bk
