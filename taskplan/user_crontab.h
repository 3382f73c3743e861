#pragma once
// The user's crontab, read and written through the crontab program
// (`crontab -l`, `crontab -`). BRIMVAULT_CRONTAB names another program that
// takes the same arguments (tests point it at a stand-in that keeps the
// table in a file).
#include <string>

namespace taskplan {

class UserCrontab final {
public:
    UserCrontab();
    explicit UserCrontab(std::string program) : program_(std::move(program)) {}

    // The table; empty when the user has none. Throws IOException when the
    // program cannot be run or fails otherwise.
    std::string read() const;
    // Installs `table`. Throws IOException with the program's own message.
    void write(const std::string& table) const;

private:
    std::string program_;
};

}  // namespace taskplan
