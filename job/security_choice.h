#pragma once
// The security kinds a job may have, as the wizard's security page and the
// option sheet's advanced page offer them, and the checks of a typed
// password with its confirmation.
#include <cstddef>
#include <cstdint>

#include "basekit/types.h"

class QComboBox;

namespace job {

// The entries, in the order of the combo box: none, password only (files
// not enciphered), xor, panama, rijndael.
inline constexpr int security_kind_count = 5;
inline constexpr int security_none_index = 0;

// A job password's length in UTF-16 code units.
inline constexpr std::size_t min_password_length = 4;
inline constexpr std::size_t max_password_length = 32;

// Fills `box` with the five entries (replacing what it held), each with its
// option bits as the item's data.
void InitSecurityKinds(QComboBox& box);
// The job's protection and cipher bits for the entry at `index`; 0 for
// "none" and for an index outside the list.
std::uint32_t SecurityBitsAt(int index);
// The entry that shows a job whose option word is `option_bits` (only its
// security bits are read): a cipher names its entry whether or not the
// password bit is set beside it; the password bit alone is "password only".
int SecurityIndexOf(std::uint32_t option_bits);

// 0 when the password may be used; otherwise the message that says why not:
// text_id::password_mismatch when the two differ (checked first), else
// text_id::password_length when it is shorter than min_password_length or
// longer than max_password_length.
std::uint32_t CheckPasswordPair(bk::StringView password, bk::StringView confirmation);
// Shows the message of CheckPasswordPair in a warning box titled
// text_id::password_fault_title. GUI thread only.
void ShowPasswordFault(std::uint32_t text_id);

}  // namespace job
