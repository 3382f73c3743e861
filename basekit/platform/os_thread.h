#pragma once
// Threads of the platform, behind one thin interface. Failures are returned
// as the system's error codes (set_last_native_error), so that the caller
// words its own message.
#include <cstdint>
#include <pthread.h>

namespace bk::os {

using ThreadHandle = pthread_t;
using ThreadEntry = void* (*)(void*);

// Starts `entry(argument)` on a new thread. Returns 0, or the system's code
// for the failure.
std::int32_t create_thread(ThreadHandle& handle, ThreadEntry entry, void* argument);
// Waits for the thread to end and releases it. Returns 0 or the system's code.
std::int32_t join_thread(ThreadHandle handle);
// Lets the thread release itself when it ends (nobody will join it).
void detach_thread(ThreadHandle handle);
bool is_current_thread(ThreadHandle handle);

}  // namespace bk::os
