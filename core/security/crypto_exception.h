#pragma once
#include <cstdint>

#include "basekit/exception.h"

namespace brim {

// A failure of a cipher: a bad key, mode or direction, or corrupted data.
class CryptoException : public bk::Exception {
public:
    CryptoException() = default;
    explicit CryptoException(bk::String message) : bk::Exception(std::move(message)) {}
    // The message is the core string table's entry `id` (empty when missing).
    explicit CryptoException(std::uint32_t id);
};

}  // namespace brim
