#include "core/jobs/backup_kind.h"

#include <array>

namespace brim {
namespace {

constexpr std::array<bk::StringView, 8> kind_names = {
    u"copy", u"normal", u"increment", u"difference", u"increment_copy", u"merge_copy", u"directory_copy", u"burner",
};

}  // namespace

bk::StringView backup_kind_name(BackupKind kind) {
    const auto index = static_cast<std::size_t>(kind);
    return index < kind_names.size() ? kind_names[index] : bk::StringView();
}

BackupKind backup_kind_from_name(bk::StringView text) {
    for (std::size_t i = 0; i < kind_names.size(); ++i)
        if (kind_names[i].substr(0, text.size()) == text) return static_cast<BackupKind>(i);
    return BackupKind::none;
}

bool is_copy_kind(BackupKind kind) {
    return kind == BackupKind::copy || kind == BackupKind::increment_copy || kind == BackupKind::merge_copy;
}

}  // namespace brim
