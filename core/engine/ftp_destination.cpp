#include "core/engine/ftp_destination.h"

#include <algorithm>
#include <atomic>
#include <vector>

#include "basekit/convertion.h"
#include "basekit/path.h"
#include "basekit/platform/os_process.h"
#include "basekit/system_file.h"
#include "basekit/platform/os_system.h"
#include "basekit/text_format.h"
#include "core/archive/digest_format.h"
#include "core/archive/set_layout.h"
#include "core/archive/set_names.h"
#include "core/core_strings.h"
#include "core/jobs/system_info.h"
#include "core/jobs/version.h"
#include "core/media/ftp_path.h"
#include "core/media/ftp_server_connections.h"
#include "core/media/ftp_staging.h"

namespace brim {
namespace {

constexpr std::uint32_t msg_no_logon_entry = 531;
constexpr std::uint32_t msg_kind_not_on_ftp = 532;

bool all_digits(bk::StringView text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char16_t c) { return c >= u'0' && c <= u'9'; });
}

// Removes the reading folders ("<job id>-<purpose>-<process>-<n>") that
// processes which are gone left behind (a crash's left-overs); those of
// running processes, this one included, stay.
void remove_left_over_readings(const bk::String& staging) {
    std::vector<bk::String> folders;
    try {
        bk::Directory(staging).list_dirs(folders);
    } catch (const bk::Exception&) {
        return;  // no staging folder yet
    }
    for (const bk::String& folder : folders) {
        const bk::String name = bk::Path::file_name(folder);
        const std::size_t last = name.rfind(u'-');
        if (last == bk::String::npos || last == 0 || !all_digits(bk::StringView(name).substr(last + 1))) continue;
        const std::size_t before = name.rfind(u'-', last - 1);
        if (before == bk::String::npos || name.find(u'-') == before) continue;
        const bk::StringView process = bk::StringView(name).substr(before + 1, last - before - 1);
        if (!all_digits(process) || process.size() > 9) continue;
        if (bk::os::process_alive(static_cast<std::uint32_t>(std::stoul(bk::to_ansi(process))))) continue;
        try {
            bk::Directory(bk::Path::combine(staging, name)).remove_tree();
        } catch (const bk::Exception&) {
            // Tried again at the next reading.
        }
    }
}

// Keeps each volume the chain was read through as its outline; the last
// one stays whole when `keep_last`, its outline known.
void outline_volumes(FtpStaging& staging, const archive::SetLayout& layout, bool keep_last) {
    for (std::size_t index = 1; index < layout.files.size(); ++index) {
        const bk::String name = bk::Path::file_name(layout.files[index].path);
        if (staging.is_outline(name)) continue;
        std::vector<FtpStaging::Hole> holes;
        for (const archive::RunLayout& run : layout.runs)
            for (const archive::DataExtent& extent : run.data)
                if (extent.file == index && extent.length > 0) holes.push_back({extent.offset, extent.length});
        if (keep_last && index + 1 == layout.files.size()) staging.note_holes(name, std::move(holes));
        else staging.outline(name, std::move(holes));
    }
}

// Whether a run of the job appends to its set rather than replacing it.
bool appends_to_set(const BackupItem& job) {
    return job.has_option(job_option::keep_set) || is_copy_kind(job.kind);
}

}  // namespace

bool fetch_set_outline(FtpStaging& staging, FtpConnection& connection, const BackupItem& job, bool has_copy_root,
                       FtpRetryPolicy* policy) {
    const auto whole = [&job](bk::StringView name) { return belongs_to_set(job, name) && !archive::is_volume_name(name); };
    if (!staging.fetch(connection, job.destination, whole, policy)) return false;
    const bk::String main = bk::Path::combine(staging.folder(), bk::Path::file_name(job.archive_file()));
    for (;;) {
        const archive::LayoutResult read = archive::read_set_layout(main, has_copy_root, false, Version::major_version);
        if (read.error != archive::LayoutError::none && read.error != archive::LayoutError::missing_volume) return true;
        // The volumes read through are complete in the layout. The last one
        // stays whole for a run that appends to it.
        outline_volumes(staging, read.layout,
                        read.error == archive::LayoutError::none && appends_to_set(job));
        if (read.error == archive::LayoutError::none) return true;
        const bk::String name = bk::Path::file_name(read.missing_volume);
        if (!belongs_to_set(job, name)) return true;
        if (!staging.fetch(connection, job.destination, [&name](bk::StringView found) { return found == name; },
                           policy))
            return false;
        if (!bk::SystemFile::is_file(bk::Path::combine(staging.folder(), name))) return true;  // not on the server
    }
}

bool kind_writes_to_ftp(BackupKind kind) {
    switch (kind) {
        case BackupKind::copy:
        case BackupKind::normal:
        case BackupKind::increment:
        case BackupKind::increment_copy:
        case BackupKind::merge_copy:
        case BackupKind::directory_copy: return true;
        default: return false;
    }
}

bool belongs_to_set(const BackupItem& job, bk::StringView name) {
    const bk::String main = bk::Path::file_name(job.archive_file());
    // The digest file travels with the set it describes.
    if (name == main || name == main + archive::digest_suffix) return true;
    const bk::String stem = main.substr(0, main.size() - bk::Path::extension_name(main).size());
    return name.starts_with(stem + u"_") && archive::is_volume_name(name);
}

bk::String staging_folder(const BackupItem& job, bk::StringView purpose) {
    static std::atomic<unsigned> readers{0};
    const bk::String id = bk::format_text(u"%u-", {job.id});
    if (purpose == u"backup") return bk::Path::combine(SystemInfo::staging_path(), id + u"backup");
    // Named after the process too: the staging of another process that reads
    // the same job is never taken for a left-over of this one.
    remove_left_over_readings(SystemInfo::staging_path());
    return bk::Path::combine(SystemInfo::staging_path(),
                             id + bk::String(purpose) + bk::format_text(u"-%u-%u", {bk::os::process_id(), ++readers}));
}

std::unique_ptr<BackupItem> staged_view(const BackupItem& job, const bk::String& folder) {
    auto view = std::make_unique<BackupItem>();
    view->id = job.id;
    view->name = job.name;
    // The set's security header records when the job was made.
    view->creation_time = job.creation_time;
    view->destination = folder;
    view->options = job.options;
    view->kind = job.kind;
    view->sources = job.sources;
    view->ftp_servers = job.ftp_servers;
    view->extensions = job.extensions;
    view->append_mode = job.append_mode;
    view->rotation_times = job.rotation_times;
    view->retry_interval = job.retry_interval;
    view->retry_count = job.retry_count;
    view->password = job.password;
    view->password_state = job.password_state;
    return view;
}

std::optional<bk::String> ftp_destination_fault(const BackupItem& job) {
    if (!is_ftp_path(job.destination)) return std::nullopt;
    if (!kind_writes_to_ftp(job.kind)) return bk::format_text(core_string(msg_kind_not_on_ftp), {job.destination});
    if (!names_any_server(job.ftp_servers, job.destination))
        return bk::format_text(core_string(msg_no_logon_entry), {job.destination});
    return std::nullopt;
}

}  // namespace brim
