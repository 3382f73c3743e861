// brimvault-cli: the headless shell over the backup core.
#include "cli/program.h"

int main(int argc, char** argv) { return brim::cli::run_program(std::vector<std::string>(argv + 1, argv + argc)); }
