// The check of a job's destination before a backup run.
#include "basekit/text_format.h"
#include "core/core_strings.h"
#include "core/engine/backup_session.h"
#include "core/jobs/log_manager.h"
#include "core/engine/ftp_destination.h"
#include "core/media/ftp_path.h"
#include "core/media/ftp_server_connections.h"
#include "core/media/ftp_staging.h"
#include "core/restore/archive_probe.h"

namespace brim {
namespace {

constexpr std::uint32_t msg_failed = 129;
constexpr std::uint32_t msg_newer = 162;
constexpr std::uint32_t msg_not_authenticated = 163;
constexpr std::uint32_t msg_floppy = 166;
constexpr std::uint32_t msg_replaced = 167;
constexpr std::uint32_t msg_cleared_foreign = 168;
constexpr std::uint32_t msg_replaced_incomplete = 169;
constexpr std::uint32_t msg_password_mismatch = 416;

// There are no drive letters on POSIX: only a destination written as a
// drive letter A or B with its colon ("A:", "b:/backup") counts as a floppy
// drive, so that jobs carried over from such a system keep their warning.
bool is_floppy(const bk::String& destination) {
    if (destination.size() < 2 || destination[1] != u':') return false;
    const char16_t letter = destination[0];
    return letter == u'A' || letter == u'a' || letter == u'B' || letter == u'b';
}

void log_entry(LogType type, const bk::String& text, const bk::String& job_name) {
    LogManager::instance()->log(type, text, job_name);
}

}  // namespace

// A set on an FTP server is fetched into a staging folder of its own (its
// volumes as their outlines) and probed there, and kept for the run; a
// server that cannot be reached reads as no set (the run then fails with the
// server's reason), and so does a fetch that was stopped (the run then ends
// stopped).
restore::ReadResult BackupSession::probe_destination() {
    const BackupItem& job = *job_;
    if (!is_ftp_path(job.destination)) return restore::probe_archive(job);
    if (checked_set_) return restore::probe_archive(*staged_view(job, checked_set_->folder()));
    try {
        std::vector<const FtpConnectInfo*> servers;
        for (const FtpConnectInfo& server : job.ftp_servers) servers.push_back(&server);
        FtpServerConnections connections;
        connections.set_servers(servers);
        auto staging = std::make_unique<FtpStaging>(staging_folder(job, u"check"));
        watch_transfers(*staging);
        if (!fetch_set_outline(*staging, connections.connection_for(job.destination, nullptr), job,
                               is_copy_kind(job.kind), nullptr))
            return restore::ReadResult::no_file;
        checked_set_ = std::move(staging);
        return restore::probe_archive(*staged_view(job, checked_set_->folder()));
    } catch (const bk::Exception& failure) {
        log_entry(LogType::warning, failure.message(), job.name);
        return restore::ReadResult::no_file;
    }
}

std::unique_ptr<FtpStaging> BackupSession::take_checked_set() { return std::move(checked_set_); }

void BackupSession::discard_checked_set() { checked_set_.reset(); }

CheckResult BackupSession::check_archive() { return check_archive(job_->is_unattended()); }

CheckResult BackupSession::check_archive(bool unattended) {
    const BackupItem& job = *job_;
    if (job.kind == BackupKind::directory_copy) return CheckResult::go_on;

    int base = 1, offset = 0;
    if (is_floppy(job.destination)) {
        if (unattended) {
            log_entry(LogType::warning, core_string(msg_floppy), job.name);
        } else {
            base = 3;
            offset = 3;
        }
    }
    const auto go_on = [&] { return unattended ? CheckResult::go_on_logged : static_cast<CheckResult>(base); };
    const auto ask = [&](int result) { return static_cast<CheckResult>(result + offset); };
    const auto warn_and_go_on = [&](std::uint32_t id) {
        log_entry(LogType::warning, core_string(id), job.name);
        return go_on();
    };
    const auto fail = [&](std::uint32_t reason) {
        log_entry(LogType::error, bk::format_text(core_string(msg_failed), {core_string(reason)}), job.name);
        return CheckResult::failed;
    };
    const bool appends = job.has_option(job_option::keep_set);

    switch (probe_destination()) {
        case restore::ReadResult::ok:
            if (job.kind == BackupKind::merge_copy || appends) return go_on();
            return unattended ? warn_and_go_on(msg_replaced) : ask(5);
        case restore::ReadResult::damaged:
            return unattended ? warn_and_go_on(msg_cleared_foreign) : ask(4);
        case restore::ReadResult::password_needed:
            return unattended ? fail(msg_not_authenticated) : CheckResult::password_needed;
        case restore::ReadResult::newer_version:
            return unattended ? fail(msg_newer) : CheckResult::newer_version;
        case restore::ReadResult::password_mismatch:
            return unattended ? fail(msg_password_mismatch) : CheckResult::password_mismatch;
        case restore::ReadResult::incomplete:
            if (unattended) return warn_and_go_on(msg_replaced_incomplete);
            return appends ? ask(6) : go_on();
        default: return go_on();
    }
}

}  // namespace brim
