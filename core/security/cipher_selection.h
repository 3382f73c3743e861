#pragma once
// How a job's option word selects the cipher of its data and the security
// kind of its archive. The cipher id is stored in every run header as an
// unsigned 16-bit value; the security kind in the archive's security header.
#include <cstdint>

#include "basekit/types.h"
#include "core/jobs/job_options.h"

namespace brim {

enum class CipherId : std::uint16_t {
    none = 0,      // data stored in clear
    xor_key = 1,   // "xor": XorCipher
    wake = 2,      // "panama": WakeCipher
    rijndael = 3,  // "rijndael": RijndaelCipher
};

// The cipher of the job's data; none when the algorithm bits hold no
// algorithm (0, or a value other than 4, 5, 6).
[[nodiscard]] CipherId cipher_id_for_options(std::uint32_t options);

// "xor", "panama" or "rijndael", as the job store writes it; empty when the
// algorithm bits hold no algorithm.
[[nodiscard]] bk::StringView algorithm_name(std::uint32_t options);

// The archive's security kind for these options: 0 no security, 1 password
// only, 2..4 a cipher without password, 5..7 a cipher with password. Kind 8
// (password removed) is never derived from options.
[[nodiscard]] std::uint16_t security_kind(std::uint32_t options);
inline constexpr std::uint16_t security_kind_password_removed = 8;

}  // namespace brim
