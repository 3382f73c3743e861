#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <csignal>
#include <pthread.h>
#include <cstdlib>
#include <pwd.h>
#include <sys/statvfs.h>
#include <unistd.h>
#include <vector>

#include "basekit/convertion.h"
#include "basekit/error_code.h"
#include "basekit/platform/os_faults.h"
#include "basekit/platform/os_system.h"
#include "basekit/system_file.h"

namespace bk::os {

VolumeSpace volume_space(StringView path) {
    if (const int fault = injected_fault(FaultOperation::volume, path))
        SystemFile::throw_io_exception(set_last_native_error(fault), false, path);
    struct statvfs st;
    const std::string native = to_native_path(path);
    int rc;
    do rc = ::statvfs(native.c_str(), &st);
    while (rc != 0 && errno == EINTR);
    if (rc != 0) SystemFile::throw_io_exception(set_last_native_error(errno), false, path);
    VolumeSpace space;
    space.block_size = static_cast<std::uint32_t>(st.f_bsize);
    space.free_bytes = static_cast<std::int64_t>(st.f_bavail) * static_cast<std::int64_t>(st.f_frsize);
    return space;
}

std::uint64_t physical_memory() {
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long page_size = ::sysconf(_SC_PAGESIZE);
    if (pages <= 0 || page_size <= 0) return 0;
    return static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(page_size);
}

String user_name() {
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    if (size <= 0) size = 16384;
    std::vector<char> buffer(static_cast<std::size_t>(size));
    struct passwd record;
    struct passwd* found = nullptr;
    if (::getpwuid_r(::geteuid(), &record, buffer.data(), buffer.size(), &found) != 0 || found == nullptr)
        return {};
    return from_ansi(found->pw_name);
}

bool runs_as_administrator() { return ::geteuid() == 0; }

String host_name() {
    char buffer[HOST_NAME_MAX + 1] = {};
    if (::gethostname(buffer, sizeof buffer - 1) != 0) return {};
    return from_ansi(buffer);
}

std::uint32_t process_id() { return static_cast<std::uint32_t>(::getpid()); }

std::optional<String> environment_variable(StringView name) {
    const char* value = std::getenv(to_ansi(name).c_str());
    if (value == nullptr) return std::nullopt;
    return from_ansi(value);
}

namespace {
sigset_t end_requests() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGINT);
    return set;
}
}  // namespace

void block_end_requests() {
    const sigset_t set = end_requests();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

int wait_for_end_request() {
    const sigset_t set = end_requests();
    int signal = 0;
    while (sigwait(&set, &signal) != 0) {
    }
    return signal;
}

int wait_for_end_request(int ms) {
    const sigset_t set = end_requests();
    const timespec wait{ms / 1000, static_cast<long>(ms % 1000) * 1000000L};
    const int signal = sigtimedwait(&set, nullptr, &wait);
    return signal > 0 ? signal : 0;
}

namespace {
int end_request_writer = -1;

// Only what a signal handler may do: one write, errno kept.
void note_end_request(int signal) {
    const int saved = errno;
    const auto byte = static_cast<unsigned char>(signal);
    [[maybe_unused]] const ssize_t written = ::write(end_request_writer, &byte, 1);
    errno = saved;
}
}  // namespace

int end_request_descriptor() {
    static const int reader = [] {
        int ends[2];
        if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) return -1;
        end_request_writer = ends[1];
        struct sigaction action {};
        action.sa_handler = note_end_request;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        sigaction(SIGTERM, &action, nullptr);
        sigaction(SIGINT, &action, nullptr);
        return ends[0];
    }();
    return reader;
}

}  // namespace bk::os
