#pragma once
// A stand-in for crontab(1) that keeps the user's table in a file, for tests
// that schedule jobs without touching the real crontab: BRIMVAULT_CRONTAB
// names it.
#include <filesystem>
#include <fstream>

namespace brim_test {

// Writes the program at `program`; it lists and replaces `table`.
inline void write_fake_crontab(const std::filesystem::path& program, const std::filesystem::path& table) {
    std::ofstream script(program);
    script << "#!/bin/sh\ncase \"$1\" in\n"
              "  -l) if [ -e '" << table.string() << "' ]; then cat '" << table.string()
           << "'; else echo 'no crontab for ann' >&2; exit 1; fi ;;\n"
              "  -) cat > '" << table.string() << "' ;;\nesac\n";
    script.close();
    std::filesystem::permissions(program, std::filesystem::perms::owner_all);
}

}  // namespace brim_test
