#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <iostream>

#include "basekit/platform/os_console.h"

namespace bk::os {

bool is_terminal_output() { return ::isatty(STDOUT_FILENO) == 1; }
bool is_terminal_input() { return ::isatty(STDIN_FILENO) == 1; }

int terminal_columns() {
    winsize size{};
    if (::ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
    return 80;
}

bool read_hidden_line(std::string& line) {
    termios saved{};
    const bool terminal = ::tcgetattr(STDIN_FILENO, &saved) == 0;
    if (terminal) {
        termios quiet = saved;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    }
    const bool got = static_cast<bool>(std::getline(std::cin, line));
    if (terminal) {
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
        std::cerr << '\n';
    }
    return got;
}

}  // namespace bk::os
