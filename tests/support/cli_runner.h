#pragma once
// Runs brimvault-cli as a separate process with the test's environment and
// collects what it printed and its exit status.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <array>
#include <cstdio>
#include <string>
#include <vector>

namespace brim_test {

struct CliResult {
    int status = -1;      // the exit status; -1 when a signal ended it
    int signal = 0;       // the signal that ended it, 0 when it exited
    std::string output;  // standard output and standard error together
};

// Runs the program; when `interrupt_on` is not empty, sends SIGINT once the
// output holds that text.
inline CliResult run_cli(const std::string& program, const std::vector<std::string>& args,
                         const std::string& interrupt_on = {}) {
    int pipe_fds[2];
    if (::pipe(pipe_fds) != 0) return {};
    const pid_t child = ::fork();
    if (child == 0) {
        // Never the developer's terminal: the program sees no one to ask.
        const int nothing = ::open("/dev/null", O_RDONLY);
        if (nothing >= 0) ::dup2(nothing, STDIN_FILENO);
        ::dup2(pipe_fds[1], STDOUT_FILENO);
        ::dup2(pipe_fds[1], STDERR_FILENO);
        ::close(pipe_fds[0]);
        ::close(pipe_fds[1]);
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(program.c_str()));
        for (const auto& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    ::close(pipe_fds[1]);
    CliResult result;
    std::array<char, 4096> buffer;
    ssize_t n;
    bool interrupted = false;
    while ((n = ::read(pipe_fds[0], buffer.data(), buffer.size())) > 0) {
        result.output.append(buffer.data(), static_cast<std::size_t>(n));
        if (!interrupt_on.empty() && !interrupted && result.output.find(interrupt_on) != std::string::npos) {
            ::kill(child, SIGINT);
            interrupted = true;
        }
    }
    ::close(pipe_fds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    return result;
}

}  // namespace brim_test
