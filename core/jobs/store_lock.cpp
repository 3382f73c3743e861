#include "core/jobs/store_lock.h"

#include "basekit/path.h"
#include "basekit/platform/os_file.h"
#include "core/jobs/system_info.h"

namespace brim {

std::unique_ptr<StoreLock> StoreLock::try_acquire() {
    SystemInfo::instance();  // makes the data directories
    const bk::String path = bk::Path::combine(SystemInfo::registry_path(), u"brimvault.lock");
    auto file = std::make_unique<bk::FileOutputStream>(path, bk::FileMode::OpenOrCreate, bk::FileShare::None, 0600);
    if (!bk::os::try_lock(file->get_handle(), path)) return nullptr;
    return std::unique_ptr<StoreLock>(new StoreLock(std::move(file)));
}

StoreLock::~StoreLock() = default;

}  // namespace brim
