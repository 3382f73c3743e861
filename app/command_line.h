#pragma once
// The program's command line: empty (the user started it), "backup" and a
// job's id (the scheduler started it), or the path of an archive file (the
// file manager opened one). The same text arrives at start and when a later
// start hands its command line over.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "basekit/types.h"

namespace app {

struct CommandLine {
    enum class Form { empty, scheduled_backup, archive_path };
    Form form = Form::empty;
    // The job of a scheduled backup: the number after the word, read as a C
    // library's text-to-integer does (leading blanks skipped, no digits 0).
    std::int32_t job_id = 0;
    // The text itself, quotes stripped: the archive's path.
    bk::String text;
};

// The line brimvault-cli run hands over, "run <id>": the job's id; nothing
// for any other line.
std::optional<std::uint32_t> handed_run_of(bk::StringView line);

// Leading and trailing double quotes are removed before the form is told.
CommandLine parse_command_line(bk::StringView line);

// The command line of this process: its arguments after the program's name,
// joined with single blanks.
bk::String command_line_of(const std::vector<std::string>& arguments);

}  // namespace app
