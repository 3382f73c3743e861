#include "core/backup_exception.h"

#include "core/core_strings.h"

namespace brim {

BackupException::BackupException() : bk::Exception(core_string(106)) {}

BackupException::BackupException(std::uint32_t id) : bk::Exception(core_string(id)) {}

}  // namespace brim
