#pragma once
#include <cstdint>

#include "basekit/exception.h"

namespace brim {

// A failure of the backup system: of a job, a store, a set or a run.
class BackupException : public bk::Exception {
public:
    // "Internal exception occurred" (message 106).
    BackupException();
    explicit BackupException(bk::String message) : bk::Exception(std::move(message)) {}
    // The message is the core string table's entry `id` (empty when missing).
    explicit BackupException(std::uint32_t id);
};

}  // namespace brim
