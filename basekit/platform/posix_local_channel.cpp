#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

#include "basekit/convertion.h"
#include "basekit/error_code.h"
#include "basekit/platform/os_local_channel.h"
#include "basekit/system_file.h"

namespace bk::os {
namespace {

[[noreturn]] void fail(int native, StringView path) {
    SystemFile::throw_io_exception(set_last_native_error(native), false, path);
}

sockaddr_un address_of(StringView path) {
    const std::string native = to_native_path(path);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (native.size() >= sizeof(address.sun_path)) fail(ENAMETOOLONG, path);
    std::memcpy(address.sun_path, native.c_str(), native.size() + 1);
    return address;
}

Handle new_socket(StringView path) {
    const Handle channel = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (channel < 0) fail(errno, path);
    return channel;
}

// Waits until `channel` can be read; false at the timeout.
bool wait_readable(Handle channel, int timeout_ms, StringView path) {
    pollfd wanted{channel, POLLIN, 0};
    for (;;) {
        const int ready = ::poll(&wanted, 1, timeout_ms);
        if (ready > 0) return true;
        if (ready == 0) return false;
        if (errno != EINTR) fail(errno, path);
    }
}

}  // namespace

Handle connect_local(StringView path) {
    const sockaddr_un address = address_of(path);
    const Handle channel = new_socket(path);
    int rc;
    do rc = ::connect(channel, reinterpret_cast<const sockaddr*>(&address), sizeof(address));
    while (rc != 0 && errno == EINTR);
    if (rc == 0) return channel;
    const int error = errno;
    ::close(channel);
    if (error == ENOENT || error == ECONNREFUSED) return invalid_handle;
    fail(error, path);
}

Handle listen_local(StringView path) {
    const Handle alive = connect_local(path);
    if (alive != invalid_handle) {
        ::close(alive);
        fail(EEXIST, path);
    }
    const sockaddr_un address = address_of(path);
    ::unlink(address.sun_path);  // a file left by an owner that ended
    const Handle channel = new_socket(path);
    const mode_t saved = ::umask(0077);
    const int bound = ::bind(channel, reinterpret_cast<const sockaddr*>(&address), sizeof(address));
    const int error = errno;
    ::umask(saved);
    if (bound != 0 || ::listen(channel, 16) != 0) {
        const int cause = bound != 0 ? error : errno;
        ::close(channel);
        fail(cause, path);
    }
    return channel;
}

Handle accept_local(Handle listener, int timeout_ms) {
    if (!wait_readable(listener, timeout_ms, u"")) return invalid_handle;
    for (;;) {
        const Handle channel = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (channel >= 0) return channel;
        if (errno == EINTR) continue;
        // EINVAL: the listener was stopped.
        if (errno == EAGAIN || errno == ECONNABORTED || errno == EINVAL) return invalid_handle;
        fail(errno, u"");
    }
}

void stop_listening(Handle listener) {
    // A shut listening socket reads as ready to every poll, and accept then
    // fails with EINVAL.
    ::shutdown(listener, SHUT_RDWR);
}

void send_all(Handle channel, const void* data, std::size_t size, StringView path) {
    const char* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t sent = ::send(channel, bytes, size, MSG_NOSIGNAL);
        if (sent < 0) {
            if (errno == EINTR) continue;
            fail(errno, path);
        }
        bytes += sent;
        size -= static_cast<std::size_t>(sent);
    }
}

bool receive_exactly(Handle channel, void* buffer, std::size_t size, int timeout_ms, StringView path) {
    using clock = std::chrono::steady_clock;
    const auto deadline = clock::now() + std::chrono::milliseconds(timeout_ms);
    char* bytes = static_cast<char*>(buffer);
    while (size > 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - clock::now()).count();
        if (left <= 0 || !wait_readable(channel, static_cast<int>(left), path)) return false;
        const ssize_t got = ::recv(channel, bytes, size, 0);
        if (got == 0) return false;
        if (got < 0) {
            if (errno == EINTR) continue;
            fail(errno, path);
        }
        bytes += got;
        size -= static_cast<std::size_t>(got);
    }
    return true;
}

}  // namespace bk::os
