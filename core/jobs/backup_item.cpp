#include "core/jobs/backup_item.h"

#include <chrono>
#include <thread>

#include "basekit/path.h"

namespace brim {

BackupItem::BackupItem() = default;
BackupItem::~BackupItem() = default;

bk::String BackupItem::archive_file() const {
    bk::String path = bk::Path::combine(destination, name);
    bk::Path::change_extension(path, is_copy_kind(kind) ? u".bvd" : u".bvf");
    return path;
}

bk::String BackupItem::source_to_string() const {
    bk::String text;
    for (const auto& source : sources) {
        if (!text.empty()) text += u';';
        text += source.path;
    }
    return text;
}

bool BackupItem::is_append_mode() const {
    return kind == BackupKind::normal && has_option(job_option::keep_set) && append_mode == 1;
}

void BackupItem::wait_to_retry() const { std::this_thread::sleep_for(std::chrono::seconds(retry_interval)); }

}  // namespace brim
