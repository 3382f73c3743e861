// Entropy and machine state on Linux.
#include <cerrno>
#include <cstring>
#include <ctime>
#include <sys/random.h>
#include <sys/resource.h>
#include <unistd.h>

#include "basekit/error_code.h"
#include "basekit/platform/os_random.h"
#include "basekit/system_file.h"

namespace bk::os {
namespace {

template <class T>
void append(std::vector<std::uint8_t>& record, const T& value) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(&value);
    record.insert(record.end(), bytes, bytes + sizeof value);
}

void append_clock(std::vector<std::uint8_t>& record, clockid_t clock) {
    timespec now{};
    ::clock_gettime(clock, &now);
    append(record, now);
}

}  // namespace

void random_bytes(void* buffer, std::size_t size) {
    auto* out = static_cast<std::uint8_t*>(buffer);
    while (size > 0) {
        const ssize_t got = ::getrandom(out, size, 0);
        if (got < 0) {
            if (errno == EINTR) continue;
            SystemFile::throw_io_exception(set_last_native_error(errno), false, u"");
        }
        out += got;
        size -= static_cast<std::size_t>(got);
    }
}

std::vector<std::uint8_t> machine_state() {
    std::vector<std::uint8_t> record;
    record.reserve(256);
    for (clockid_t clock : {CLOCK_REALTIME, CLOCK_MONOTONIC, CLOCK_BOOTTIME,
                            CLOCK_PROCESS_CPUTIME_ID, CLOCK_THREAD_CPUTIME_ID})
        append_clock(record, clock);
    append(record, ::getpid());
    append(record, ::getppid());
    append(record, ::gettid());
    append(record, ::getuid());
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    append(record, usage);
    const int on_stack = 0;
    append(record, &on_stack);
    return record;
}

}  // namespace bk::os
