#include "basekit/system_file.h"

#include "basekit/error_code.h"

namespace bk {

void SystemFile::throw_io_exception(std::int32_t code, bool /*flag*/, StringView path) {
    throw IOException(system_error(u"", code), code, String(path));
}

}  // namespace bk
