#include "core/restore/archive_probe.h"

#include "basekit/date.h"
#include "basekit/exception.h"
#include "basekit/system_file.h"
#include "basekit/text_format.h"
#include "core/archive/archive_layout.h"
#include "core/archive/set_security.h"
#include "core/core_strings.h"
#include "core/jobs/log_manager.h"
#include "core/jobs/version.h"

namespace brim::restore {
namespace {

constexpr std::uint32_t msg_add_password_failed = 410;

// Everything but the password gate and a newer volume means the set cannot
// be appended to: a damaged header, a run that does not read, a volume that
// is missing, empty or not the one the chain names.
ReadResult probe_result_of(ReadResult read) {
    switch (read) {
        case ReadResult::ok:
        case ReadResult::password_needed:
        case ReadResult::password_mismatch:
        case ReadResult::newer_version: return read;
        default: return ReadResult::incomplete;
    }
}

// Adds the job's password to its unprotected set; a failure is logged and
// leaves the set as it was.
void add_job_password(const BackupItem& job, const bk::String& path) {
    try {
        auto stored = archive::read_stored_security_header(path, Version::major_version);
        if (!stored || archive::has_password(stored->header.security_kind)) return;
        archive::add_password(stored->header, *stored->format, job, bk::Date::now_time());
        archive::write_stored_security_header(*stored);
    } catch (const bk::Exception& failure) {
        LogManager::instance()->log(LogType::error,
                                    bk::format_text(core_string(msg_add_password_failed), {path, failure.message()}),
                                    job.name);
    }
}

ReadResult probe_set(const BackupItem& job, const bk::String& path) {
    bool exists = false;
    try {
        exists = bk::SystemFile::is_file(path);
    } catch (const bk::Exception&) {
        return ReadResult::no_file;
    }
    if (!exists) return ReadResult::no_file;
    const std::uint64_t size = bk::File(path).length();
    if (size == 0) return ReadResult::empty_file;
    if (size <= archive::file_header_size) return ReadResult::damaged;
    const std::optional<archive::FileHeader> header = read_file_head(path);
    if (!header || !is_sound_header(*header)) return ReadResult::damaged;
    if (is_newer(*header)) return ReadResult::newer_version;
    if (size <= archive::offset_run_count) return ReadResult::incomplete;

    // The runs' headers, as the writer that appends next reads them; the
    // catalogues are not needed to know whether it can.
    OpenedSet set;
    const ReadResult read = probe_result_of(read_opened_set(job, path, nullptr, set, false));
    if (read == ReadResult::ok && !archive::has_password(set.layout.security.security_kind) &&
        job.has_option(job_option::security_mask))
        add_job_password(job, path);
    return read;
}

}  // namespace

ReadResult probe_archive(const BackupItem& job) {
    try {
        return probe_set(job, job.archive_file());
    } catch (...) {
        return ReadResult::damaged;
    }
}

}  // namespace brim::restore
