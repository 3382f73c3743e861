#pragma once
// Points every variable that names the user's home or data directories
// (BRIMVAULT_HOME, HOME, XDG_CONFIG_HOME, XDG_DATA_HOME, and the system's
// XDG_CONFIG_DIRS, written by installation-wide set-ups) into a fresh
// temporary directory for the lifetime of the fixture, and restores them
// afterwards. The reset hook runs on entry and on exit, so process-wide
// singletons that cached the old paths are dropped.
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/temp_dir.h"

namespace brim_test {

class IsolatedHome {
public:
    explicit IsolatedHome(std::function<void()> reset_singletons = {}) : reset_(std::move(reset_singletons)) {
        set("BRIMVAULT_HOME", (dir_ / "brimvault").string());
        set("HOME", (dir_ / "home").string());
        set("XDG_CONFIG_HOME", (dir_ / "home" / ".config").string());
        set("XDG_DATA_HOME", (dir_ / "home" / ".local" / "share").string());
        set("XDG_CONFIG_DIRS", system_config_dir().string());
        // The hand-over channel then lies in the data directory, never in
        // the user's own runtime directory.
        set("XDG_RUNTIME_DIR", std::nullopt);
        std::filesystem::create_directories(dir_ / "home");
        if (reset_) reset_();
    }
    ~IsolatedHome() {
        if (reset_) reset_();
        for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
            if (it->second) ::setenv(it->first.c_str(), it->second->c_str(), 1);
            else ::unsetenv(it->first.c_str());
        }
    }
    IsolatedHome(const IsolatedHome&) = delete;
    IsolatedHome& operator=(const IsolatedHome&) = delete;

    const TempDir& dir() const { return dir_; }
    // The directory BRIMVAULT_HOME names.
    std::filesystem::path data_dir() const { return dir_ / "brimvault"; }
    // The system's configuration folder XDG_CONFIG_DIRS names.
    std::filesystem::path system_config_dir() const { return dir_ / "etc" / "xdg"; }
    // Changes or removes (nullopt) one variable until the fixture ends.
    void set(const std::string& name, const std::optional<std::string>& value) {
        const char* old = std::getenv(name.c_str());
        saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
        if (value) ::setenv(name.c_str(), value->c_str(), 1);
        else ::unsetenv(name.c_str());
    }

private:
    TempDir dir_;
    std::function<void()> reset_;
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

}  // namespace brim_test
