#include "core/restore/opened_set.h"

#include <exception>

#include "basekit/buffered_stream.h"
#include "basekit/data_stream.h"
#include "basekit/exception.h"
#include "basekit/file_stream.h"
#include "basekit/date.h"
#include "basekit/path.h"
#include "basekit/system_file.h"
#include "basekit/text_format.h"
#include "core/archive/set_names.h"
#include "core/archive/set_replacement.h"
#include "core/core_strings.h"
#include "core/jobs/version.h"

namespace brim::restore {
namespace {

constexpr std::uint32_t msg_set_missing = 161;
constexpr std::uint32_t msg_newer = 162;
constexpr std::uint32_t msg_damaged = 144;
constexpr std::uint32_t msg_not_authenticated = 163;
constexpr std::uint32_t msg_wrong_volume = 164;
constexpr std::uint32_t msg_password_mismatch = 416;

// The first bytes of a file of a set.
struct HeadReader {
    explicit HeadReader(const bk::String& path)
        : file(path, bk::FileShare::ReadWrite), buffered(&file, 512, false, false), in(&buffered, false) {}
    bk::FileInputStream file;
    bk::BufferedInputStream buffered;
    bk::DataInputStream in;
};

ReadResult result_of(archive::LayoutError error, bool runs_read) {
    switch (error) {
        case archive::LayoutError::none: return ReadResult::ok;
        case archive::LayoutError::no_file: return ReadResult::no_file;
        case archive::LayoutError::empty_file: return ReadResult::empty_file;
        case archive::LayoutError::damaged: return runs_read ? ReadResult::runs_unreadable : ReadResult::damaged;
        case archive::LayoutError::newer_version: return ReadResult::newer_version;
        case archive::LayoutError::missing_volume: return ReadResult::cancelled;
        case archive::LayoutError::wrong_volume: return ReadResult::wrong_volume;
    }
    return ReadResult::damaged;
}

}  // namespace

bool is_sound_header(const archive::FileHeader& header) {
    return header.magic == archive::magic && header.span < archive::span_limit;
}

bool is_newer(const archive::FileHeader& header) {
    return header.version != archive::format_version_2 &&
           static_cast<std::uint32_t>(Version::major_version) < header.version / 65536;
}

std::optional<archive::FileHeader> read_file_head(const bk::String& path) {
    HeadReader reader(path);
    try {
        return archive::ArchiveFormat::read_file_header(reader.in);
    } catch (const bk::EOFException&) {
        return std::nullopt;
    }
}

std::uint32_t options_of_security_kind(archive::SecurityKind kind) {
    const auto value = static_cast<std::uint32_t>(kind);
    if (kind == archive::SecurityKind::password_only) return job_option::password;
    if (value >= 2 && value <= 4) return (value + 2) << 8;                       // a cipher alone
    if (value >= 5 && value <= 7) return ((value - 1) << 8) | job_option::password;  // a cipher and a password
    return 0;
}

std::unique_ptr<archive::RunDataReader> data_reader(const OpenedSet& set, const archive::RunLayout& run) {
    if (set.files) return std::make_unique<archive::RunDataReader>(*set.files, run);
    return std::make_unique<archive::RunDataReader>(set.layout, run);
}

bk::String read_failure_reason(ReadResult result) {
    switch (result) {
        case ReadResult::damaged: return core_string(msg_damaged);
        case ReadResult::password_needed: return core_string(msg_not_authenticated);
        case ReadResult::newer_version: return core_string(msg_newer);
        case ReadResult::wrong_volume: return core_string(msg_wrong_volume);
        case ReadResult::password_mismatch: return core_string(msg_password_mismatch);
        default: return {};
    }
}

std::optional<bk::String> main_archive_of(bk::StringView path) {
    bk::String main(path);
    if (bk::Path::extension_name(main) != archive::volume_extension) return main;
    try {
        HeadReader volume(main);
        const archive::FileHeader header = archive::ArchiveFormat::read_file_header(volume.in);
        if (!is_sound_header(header) || is_newer(header)) return std::nullopt;
        const archive::VolumeLink link = archive::ArchiveFormat::for_version(header.version)->read_volume_link(volume.in);
        if (link.main_name.empty() || link.main_name.find(u'/') != bk::String::npos) return std::nullopt;
        main = bk::Path::combine(bk::Path::directory_name(main), link.main_name);
    } catch (const bk::EOFException&) {
        return std::nullopt;
    } catch (const bk::FormatException&) {
        return std::nullopt;
    }
    if (!bk::SystemFile::is_file(main)) throw bk::IOException(bk::format_text(core_string(msg_set_missing), {main}));
    return main;
}

std::unique_ptr<BackupItem> job_from_archive(bk::StringView path) {
    const std::optional<bk::String> main = main_archive_of(path);
    if (!main || !bk::SystemFile::is_file(*main)) return nullptr;
    const std::optional<archive::FileHeader> header = read_file_head(*main);
    if (!header || !is_sound_header(*header)) return nullptr;
    if (is_newer(*header)) throw bk::IOException(core_string(msg_newer));
    const auto stored = archive::read_stored_security_header(*main, Version::major_version);
    if (!stored) return nullptr;
    const archive::SecurityHeader& security = stored->header;
    if (security.backup_kind > static_cast<std::uint16_t>(BackupKind::burner)) return nullptr;

    auto job = std::make_unique<BackupItem>();
    job->kind = static_cast<BackupKind>(security.backup_kind);
    job->destination = bk::Path::directory_name(*main);
    // The job is named after its archive file, so that the job's archive is
    // the file that was opened even when it was renamed.
    bk::String name = bk::Path::file_name(*main);
    bk::Path::change_extension(name, u"");
    if (!name.empty() && name.back() == u'.') name.pop_back();
    job->name = name.empty() ? security.job_name : name;
    // A set that does not record when its job was made gets the moment it
    // is opened: the job store keeps no job without one.
    job->creation_time = security.creation_time != 0 ? security.creation_time : bk::Date::now_time();
    for (const auto& source : security.sources) {
        SourceType type = SourceType::directory;
        switch (source.tag) {
            case archive::SourceTag::directory: type = SourceType::directory; break;
            case archive::SourceTag::file: type = SourceType::file; break;
            case archive::SourceTag::ftp_directory: type = SourceType::ftp_directory; break;
            case archive::SourceTag::ftp_file: type = SourceType::ftp_file; break;
            case archive::SourceTag::ftp_server: type = SourceType::ftp_server; break;
        }
        job->sources.push_back({source.path, type, source.recursive});
    }
    job->ftp_servers = security.ftp_servers;
    job->options = job_option::from_archive | options_of_security_kind(security.security_kind);
    if (job->has_option(job_option::security_mask)) job->password_state = PasswordState::must_prove;
    return job;
}

void settle_replacement(const BackupItem& job) {
    archive::SetReplacement::settle(job.archive_file(), job.destination, is_copy_kind(job.kind), Version::major_version);
}

ReadResult read_opened_set(const BackupItem& job, const bk::String& path, OpenArchiveEvent* event, OpenedSet& set,
                           bool read_catalogues) {
    // While the job's set is being replaced, or after a crash interrupted
    // that, the old set is the one to read (it is never changed here: a
    // replacement may be going on in another process).
    const bk::String readable = path == job.archive_file()
                                    ? archive::readable_main_path(path, is_copy_kind(job.kind), Version::major_version)
                                    : path;
    set.path = path;
    // A volume is fetched first (a set kept elsewhere), else the event asked.
    // A failed fetch ends the walk as a missing volume would, and is thrown
    // once the walk is done.
    std::exception_ptr fetch_failure;
    archive::VolumeLocator locate;
    if (event != nullptr || set.fetch_volume)
        locate = [&set, event, &fetch_failure](bk::String& volume) {
            try {
                if (set.fetch_volume && set.fetch_volume(volume)) return true;
            } catch (...) {
                fetch_failure = std::current_exception();
                return false;
            }
            return event != nullptr && event->locate_volume(volume);
        };
    archive::LayoutResult read =
        archive::read_set_layout(readable, is_copy_kind(job.kind), read_catalogues, Version::major_version, locate);
    set.layout = std::move(read.layout);
    set.files = std::make_unique<archive::SetFiles>(set.layout, set.fetch_volume);
    if (fetch_failure) std::rethrow_exception(fetch_failure);
    if (set.layout.format == nullptr) return set.result = result_of(read.error, false);

    // The password gate, before any run is handed out.
    const archive::SecurityHeader& security = set.layout.security;
    if (archive::has_password(security.security_kind)) {
        const bool proved = job.is_unattended() || job.password_state == PasswordState::proved;
        if (!job.has_option(job_option::security_mask) || !proved) {
            set.layout.runs.clear();
            return set.result = ReadResult::password_needed;
        }
        if (!archive::unlock_data_key(security, *set.layout.format, job.password, set.key)) {
            set.layout.runs.clear();
            return set.result = ReadResult::password_mismatch;
        }
    } else {
        archive::unlock_data_key(security, *set.layout.format, u"", set.key);
    }
    return set.result = result_of(read.error, !set.layout.runs.empty());
}

}  // namespace brim::restore
