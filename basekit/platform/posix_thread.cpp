#include "basekit/error_code.h"
#include "basekit/platform/os_thread.h"

namespace bk::os {

std::int32_t create_thread(ThreadHandle& handle, ThreadEntry entry, void* argument) {
    const int rc = ::pthread_create(&handle, nullptr, entry, argument);
    return rc == 0 ? 0 : set_last_native_error(rc);
}

std::int32_t join_thread(ThreadHandle handle) {
    const int rc = ::pthread_join(handle, nullptr);
    return rc == 0 ? 0 : set_last_native_error(rc);
}

void detach_thread(ThreadHandle handle) { ::pthread_detach(handle); }

bool is_current_thread(ThreadHandle handle) { return ::pthread_equal(handle, ::pthread_self()) != 0; }

}  // namespace bk::os
