#include "core/security/crypto_exception.h"

#include "core/core_strings.h"

namespace brim {

CryptoException::CryptoException(std::uint32_t id) : bk::Exception(core_string(id)) {}

}  // namespace brim
