#pragma once
// A real FTP server for one test: the Python server beside this file, run by
// Debian's interpreter on 127.0.0.1 at a free port over a temporary root,
// and stopped when the fixture ends.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/media/ftp_connect_info.h"
#include "tests/support/temp_dir.h"

namespace brim_test {

// Ends a server the test started (SIGTERM, then waits for it); nothing when
// `pid` is not a running child.
inline void stop_child_process(pid_t& pid) {
    if (pid <= 0) return;
    ::kill(pid, SIGTERM);
    int status = 0;
    ::waitpid(pid, &status, 0);
    pid = -1;
}

inline constexpr const char16_t* ftp_user = u"backup";
inline constexpr const char16_t* ftp_password = u"s3cret pass";

struct FtpServerOptions {
    bool without_mlsd = false;
};

class FtpServer {
public:
    explicit FtpServer(FtpServerOptions options = {}) {
        std::filesystem::create_directory(root());
        std::vector<std::string> args = {"/usr/bin/python3", BRIM_FTP_TEST_SERVER,  "--root",
                                         root().string(),     "--user",              "backup",
                                         "--password",        "s3cret pass",         "--drop-file",
                                         drop_file().string(), "--log-file",         log_file().string()};
        if (options.without_mlsd) args.push_back("--no-mlsd");
        int out[2];
        if (::pipe(out) != 0) throw std::runtime_error("pipe failed");
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(out[1], STDOUT_FILENO);
            ::close(out[0]);
            ::close(out[1]);
            std::vector<char*> argv;
            for (auto& arg : args) argv.push_back(arg.data());
            argv.push_back(nullptr);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        ::close(out[1]);
        FILE* stream = ::fdopen(out[0], "r");
        char line[32] = {};
        const bool ready = std::fgets(line, sizeof line, stream) != nullptr;
        std::fclose(stream);
        port_ = ready ? std::stoi(line) : 0;
        if (port_ == 0) {
            stop();
            throw std::runtime_error("the FTP test server did not start");
        }
    }
    ~FtpServer() { stop(); }
    FtpServer(const FtpServer&) = delete;
    FtpServer& operator=(const FtpServer&) = delete;

    std::filesystem::path root() const { return dir_ / "root"; }
    std::uint16_t port() const { return static_cast<std::uint16_t>(port_); }

    brim::FtpConnectInfo user_info() const {
        return brim::FtpConnectInfo{u"ftp://127.0.0.1", ftp_user, ftp_password, port(), true};
    }
    brim::FtpConnectInfo anonymous_info() const { return brim::FtpConnectInfo{u"127.0.0.1", u"", u"", port(), true}; }

    // The next file transfer stops after `bytes` bytes and the server drops
    // the connection, once.
    void drop_next_transfer_after(std::int64_t bytes) const {
        write_bytes(drop_file(), std::to_string(bytes));
    }
    bool drop_pending() const { return std::filesystem::exists(drop_file()); }

    // The downloads and uploads the server began so far, in order, each as
    // "RETR path" or "STOR path" with the path below root().
    std::vector<std::string> transfers() const {
        std::vector<std::string> lines;
        std::ifstream log(log_file());
        for (std::string line; std::getline(log, line);) lines.push_back(line);
        return lines;
    }

private:
    std::filesystem::path drop_file() const { return dir_ / "drop-order"; }
    std::filesystem::path log_file() const { return dir_ / "transfers.log"; }

    void stop() { stop_child_process(pid_); }

    TempDir dir_;
    pid_t pid_ = -1;
    int port_ = 0;
};

}  // namespace brim_test
