#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <csignal>
#include <fstream>

#include "basekit/platform/os_process.h"

extern char** environ;

namespace bk::os {
namespace {

struct Pipe {
    int read_end = -1;
    int write_end = -1;
    bool open() {
        int ends[2];
        if (::pipe2(ends, O_CLOEXEC) != 0) return false;
        read_end = ends[0];
        write_end = ends[1];
        return true;
    }
    static void close_end(int& fd) {
        if (fd >= 0) ::close(fd);
        fd = -1;
    }
    ~Pipe() {
        close_end(read_end);
        close_end(write_end);
    }
};

// Feeds the input and drains both outputs at once, so that a program that
// writes much before it reads never blocks on a full pipe.
void exchange(Pipe& in, Pipe& out, Pipe& err, const std::string& input, ProcessResult& result) {
    std::size_t written = 0;
    if (input.empty()) Pipe::close_end(in.write_end);
    std::array<char, 4096> buffer{};
    while (out.read_end >= 0 || err.read_end >= 0) {
        pollfd fds[3] = {{in.write_end, POLLOUT, 0}, {out.read_end, POLLIN, 0}, {err.read_end, POLLIN, 0}};
        if (::poll(fds, 3, -1) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        if (in.write_end >= 0 && (fds[0].revents & (POLLOUT | POLLERR | POLLHUP)) != 0) {
            const ssize_t n = ::write(in.write_end, input.data() + written, input.size() - written);
            if (n > 0) written += static_cast<std::size_t>(n);
            if (n < 0 || written == input.size()) Pipe::close_end(in.write_end);
        }
        auto drain = [&buffer](Pipe& pipe, const pollfd& fd, std::string& text) {
            if (pipe.read_end < 0 || (fd.revents & (POLLIN | POLLHUP | POLLERR)) == 0) return;
            const ssize_t n = ::read(pipe.read_end, buffer.data(), buffer.size());
            if (n > 0) text.append(buffer.data(), static_cast<std::size_t>(n));
            else if (n == 0 || errno != EINTR) Pipe::close_end(pipe.read_end);
        };
        drain(out, fds[1], result.output);
        drain(err, fds[2], result.errors);
    }
    Pipe::close_end(in.write_end);
}

}  // namespace

ProcessResult run_process(const std::vector<std::string>& argv, const std::string& input) {
    ProcessResult result;
    if (argv.empty()) return result;
    Pipe in, out, err;
    if (!in.open() || !out.open() || !err.open()) return result;
    posix_spawn_file_actions_t actions;
    ::posix_spawn_file_actions_init(&actions);
    ::posix_spawn_file_actions_adddup2(&actions, in.read_end, 0);
    ::posix_spawn_file_actions_adddup2(&actions, out.write_end, 1);
    ::posix_spawn_file_actions_adddup2(&actions, err.write_end, 2);
    std::vector<char*> args;
    for (const auto& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    pid_t pid = 0;
    const int spawned = ::posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    ::posix_spawn_file_actions_destroy(&actions);
    Pipe::close_end(in.read_end);
    Pipe::close_end(out.write_end);
    Pipe::close_end(err.write_end);
    if (spawned != 0) return result;
    // A program that ends before reading all its input must not kill us.
    struct sigaction ignore{}, previous{};
    ignore.sa_handler = SIG_IGN;
    ::sigaction(SIGPIPE, &ignore, &previous);
    exchange(in, out, err, input, result);
    ::sigaction(SIGPIPE, &previous, nullptr);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    result.started = true;
    result.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

bool process_running(const std::string& name) {
    DIR* proc = ::opendir("/proc");
    if (proc == nullptr) return false;
    bool found = false;
    while (const dirent* entry = ::readdir(proc)) {
        const std::string pid = entry->d_name;
        if (pid.empty() || pid.find_first_not_of("0123456789") != std::string::npos) continue;
        std::ifstream comm("/proc/" + pid + "/comm");
        std::string command;
        if (std::getline(comm, command) && command == name) {
            found = true;
            break;
        }
    }
    ::closedir(proc);
    return found;
}

bool process_alive(std::uint32_t pid) {
    // Signal 0 only asks; EPERM means it exists under another user.
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

}  // namespace bk::os
