#include "core/jobs/store_copy.h"

#include "basekit/date.h"
#include "basekit/file_ops.h"
#include "basekit/platform/os_fs.h"
#include "basekit/system_file.h"

namespace brim {

void copy_private(bk::StringView source, bk::StringView copy) {
    bk::copy_file(source, copy);
    bk::os::set_mode(copy, 0600);
}

void copy_with_current_time(bk::StringView source, bk::StringView copy) {
    copy_private(source, copy);
    bk::SystemFile::last_modified_time(copy, bk::Date::now_time());
}

bool refresh_dated_copy(bk::StringView source, bk::StringView copy, std::int32_t days) {
    if (days <= 0 || !bk::File(source).exists()) return false;
    const bk::File existing(copy);
    if (existing.exists()) {
        const std::int64_t age = bk::Date::now_time() - existing.last_modified_time();
        if (age < static_cast<std::int64_t>(days) * bk::microseconds_per_day) return false;
    }
    copy_with_current_time(source, copy);
    return true;
}

}  // namespace brim
