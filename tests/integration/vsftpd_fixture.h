#pragma once
// A vsftpd server for one test, on 127.0.0.1 at a free port, started as the
// user who runs the test (no root needed) and stopped when the fixture
// ends. vsftpd has no MLSD, so clients read its LIST output. It serves
// anonymous log-ons with uploads, folders, renames and deletions allowed.
// Started as the launching user it does not change root: remote paths are
// the machine's own, so files lie under remote_root().
#include <arpa/inet.h>
#include <netinet/in.h>
#include <pwd.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "tests/integration/ftp_server_fixture.h"
#include "tests/support/temp_dir.h"

namespace brim_test {

inline constexpr const char* vsftpd_program = "/usr/sbin/vsftpd";

class Vsftpd {
public:
    Vsftpd() {
        namespace fs = std::filesystem;
        if (!fs::exists(vsftpd_program)) {
            why_not_ = std::string(vsftpd_program) + " is not installed (scripts/install-deps installs it)";
            return;
        }
        fs::create_directory(root());
        fs::create_directory(dir_.path() / "empty");
        port_ = free_port();
        const passwd* user = ::getpwuid(::geteuid());
        const std::string name = user != nullptr ? user->pw_name : "root";
        std::ofstream(dir_.path() / "vsftpd.conf")
            << "listen=YES\nlisten_address=127.0.0.1\nlisten_port=" << port_
            << "\nbackground=NO\nrun_as_launching_user=YES\nanonymous_enable=YES\nlocal_enable=NO\n"
               "no_anon_password=YES\nanon_root="
            << root().string()
            << "\nwrite_enable=YES\nanon_upload_enable=YES\nanon_mkdir_write_enable=YES\n"
               "anon_other_write_enable=YES\nanon_world_readable_only=NO\nanon_umask=022\n"
               "ftp_username="
            << name << "\nnopriv_user=" << name << "\nsecure_chroot_dir=" << (dir_.path() / "empty").string()
            << "\nseccomp_sandbox=NO\nisolate=NO\nisolate_network=NO\npasv_enable=YES\n"
               "xferlog_enable=NO\nuse_localtime=NO\n";
        pid_ = ::fork();
        if (pid_ == 0) {
            const std::string config = (dir_.path() / "vsftpd.conf").string();
            ::execl(vsftpd_program, vsftpd_program, config.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        for (int i = 0; i < 100 && !accepts(); ++i) {
            if (exited()) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        if (!accepts()) {
            stop();
            why_not_ = "vsftpd did not start on 127.0.0.1:" + std::to_string(port_);
        }
    }
    ~Vsftpd() { stop(); }
    Vsftpd(const Vsftpd&) = delete;
    Vsftpd& operator=(const Vsftpd&) = delete;

    // Empty when the server runs; else why it does not.
    const std::string& why_not() const { return why_not_; }
    std::uint16_t port() const { return port_; }
    std::filesystem::path root() const { return dir_.path() / "root"; }
    // "ftp://127.0.0.1:port" and the remote path of `relative` below root().
    std::string url(const std::string& relative) const {
        return "ftp://127.0.0.1:" + std::to_string(port_) + (root() / relative).string();
    }

private:
    static std::uint16_t free_port() {
        const int probe = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address);
        socklen_t length = sizeof address;
        ::getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length);
        ::close(probe);
        return ntohs(address.sin_port);
    }

    bool accepts() const {
        const int probe = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port_);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        const bool connected = ::connect(probe, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
        ::close(probe);
        return connected;
    }

    bool exited() {
        int status = 0;
        if (pid_ <= 0 || ::waitpid(pid_, &status, WNOHANG) != pid_) return false;
        pid_ = -1;
        return true;
    }

    void stop() { stop_child_process(pid_); }

    TempDir dir_;
    pid_t pid_ = -1;
    std::uint16_t port_ = 0;
    std::string why_not_;
};

}  // namespace brim_test
