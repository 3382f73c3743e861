#pragma once
// A job's block in the job file and in XML exports, and its line in text
// exports. The store form carries the id, the restorable flag, decimal times
// and the security section; the export form leaves those out and writes the
// creation time as a date text.
#include <memory>

#include "basekit/data_stream.h"
#include "basekit/types.h"
#include "core/jobs/backup_item.h"

namespace brim {

enum class JobForm { store, exported };

void write_job(bk::DataOutputStream& out, const BackupItem& job, JobForm form);
// Reads one job block (its lines through "</job>"). Returns null when the
// block does not follow the format; the rest of the block is then skipped so
// that the next job can be read. Throws BackupException(104) when the data
// ends inside the block. `name_read`, when given, receives the name of the
// job line whether or not the block reads (empty when the line has none).
std::unique_ptr<BackupItem> read_job(bk::DataInputStream& in, JobForm form, bk::String* name_read = nullptr);

// The job as one line of tab-separated text, and back (null when the line
// does not follow the format).
bk::String job_to_text(const BackupItem& job);
// Whether the text form holds the job whole: none of its values holds a
// control character (a TAB or a line break would split the line), and no
// source, extension or FTP field holds the ";" or "|" that separate them.
bool fits_text_form(const BackupItem& job);
std::unique_ptr<BackupItem> job_from_text(bk::StringView line);

}  // namespace brim
