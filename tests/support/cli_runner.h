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

// In a forked child: becomes the program (127 when it cannot start).
[[noreturn]] inline void exec_program(const std::string& program, const std::vector<std::string>& args) {
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const auto& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    ::execv(program.c_str(), argv.data());
    ::_exit(127);
}

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
        exec_program(program, args);
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

namespace brim_test {

// A program left running beside the test (an owner of the job store), its
// standard output and error going to a file. Killed when still running at
// the end of the test.
class BackgroundCli {
public:
    BackgroundCli(const std::string& program, const std::vector<std::string>& args, std::string output_file)
        : output_file_(std::move(output_file)) {
        child_ = ::fork();
        if (child_ == 0) {
            const int nothing = ::open("/dev/null", O_RDONLY);
            if (nothing >= 0) ::dup2(nothing, STDIN_FILENO);
            const int out = ::open(output_file_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            if (out >= 0) {
                ::dup2(out, STDOUT_FILENO);
                ::dup2(out, STDERR_FILENO);
            }
            exec_program(program, args);
        }
    }
    ~BackgroundCli() {
        if (child_ <= 0 || ended_) return;
        ::kill(child_, SIGKILL);
        int status = 0;
        ::waitpid(child_, &status, 0);
    }
    BackgroundCli(const BackgroundCli&) = delete;
    BackgroundCli& operator=(const BackgroundCli&) = delete;

    std::string output() const {
        std::string text;
        if (FILE* file = std::fopen(output_file_.c_str(), "rb")) {
            std::array<char, 4096> buffer;
            std::size_t n;
            while ((n = std::fread(buffer.data(), 1, buffer.size(), file)) > 0) text.append(buffer.data(), n);
            std::fclose(file);
        }
        return text;
    }
    // Waits until the output holds `text` (true) or the program has ended
    // or `seconds` have passed without it (false).
    bool wait_for_output(const std::string& text, int seconds = 120) {
        for (int waited = 0; waited < seconds * 50; ++waited) {
            if (output().find(text) != std::string::npos) return true;
            if (!running()) return output().find(text) != std::string::npos;
            ::usleep(20000);
        }
        return false;
    }
    bool running() {
        if (ended_) return false;
        int status = 0;
        if (::waitpid(child_, &status, WNOHANG) != child_) return true;
        record(status);
        return false;
    }
    void signal(int number) {
        if (!ended_) ::kill(child_, number);
    }
    // Waits for the end (killing the program after `seconds`).
    CliResult wait(int seconds = 120) {
        for (int waited = 0; running() && waited < seconds * 50; ++waited) ::usleep(20000);
        if (running()) {
            ::kill(child_, SIGKILL);
            int status = 0;
            ::waitpid(child_, &status, 0);
            record(status);
        }
        result_.output = output();
        return result_;
    }

private:
    void record(int status) {
        ended_ = true;
        result_.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        result_.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    }

    std::string output_file_;
    pid_t child_ = -1;
    bool ended_ = false;
    CliResult result_;
};

}  // namespace brim_test
