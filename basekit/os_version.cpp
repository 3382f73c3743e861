#include "basekit/os_version.h"

namespace bk {

// Every choice that the version steers (Unicode file names, access rights,
// services) is made the NT family's way on POSIX.
OSVersion running_os_version() { return OSVersion::win2003_and_later; }

}  // namespace bk
