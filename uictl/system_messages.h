#pragma once
// The shared messages about failures: out of memory, a platform error, and
// the texts of failed folder and network operations.
#include <cstdint>

#include "basekit/types.h"

// The system code of an extended network error: the text is the network
// provider's own (see uictl::set_network_provider_error).
inline constexpr unsigned long extended_network_error = 1208;

// Shows entry 204 in an error box titled with the product's name; returns the
// pressed button.
int BrimOutOfMemory();

// Shows the platform's text of a non-zero system error code in an error box;
// nothing for 0.
void ShowSystemError(long code);

// The platform's message text for a system error code.
bk::String ErrorToString(long code);

// Entry `string_id` of the controls library's table filled with the error's
// text and `name`. Error 1208 takes the network provider's last text, or 208
// when there is none; any other error ErrorToString.
bk::String GetFldError(std::uint32_t string_id, unsigned long error, const char16_t* name);

namespace uictl {

// The network provider's text of its last failure on this thread (the
// share mounter's message), read by GetFldError for error 1208.
void set_network_provider_error(bk::StringView text);
bk::String network_provider_error();

}  // namespace uictl
