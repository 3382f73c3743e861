#pragma once
// The terminal: whether output goes to one, its width, and reading a line
// without echo (for passwords).
#include <string>

namespace bk::os {

bool is_terminal_output();
bool is_terminal_input();
// Columns of the terminal, 80 when it cannot tell.
int terminal_columns();
// Reads one line from the terminal with echo off (restored afterwards);
// false at the end of input.
bool read_hidden_line(std::string& line);

}  // namespace bk::os
