#include "core/engine/archive_session.h"

#include <algorithm>
#include <vector>

#include "basekit/date.h"
#include "basekit/path.h"
#include "basekit/system_file.h"
#include "basekit/text_format.h"
#include "core/archive/catalogue.h"
#include "core/archive/digest_file.h"
#include "core/archive/run_data_reader.h"
#include "core/archive/set_replacement.h"
#include "core/archive/set_security.h"
#include "core/backup_exception.h"
#include "core/engine/ftp_destination.h"
#include "core/engine/full_backup_trigger.h"
#include "core/engine/item_source.h"
#include "core/jobs/backup_item_manager.h"
#include "core/jobs/system_info.h"
#include "core/jobs/version.h"
#include "core/media/ftp_input_stream.h"
#include "core/media/ftp_path.h"
#include "core/media/ftp_staging.h"
#include "core/restore/opened_set.h"
#include "core/security/cipher_selection.h"
#include "core/security/sha256.h"

namespace brim {
namespace {

constexpr std::uint32_t msg_failed = 129;
constexpr std::uint32_t msg_contents_differ = 141;
constexpr std::uint32_t msg_unable_to_verify = 142;
constexpr std::uint32_t msg_damaged = 144;
constexpr std::uint32_t msg_full_instead = 199;
constexpr std::uint32_t msg_no_data = 203;
constexpr std::uint32_t msg_password_mismatch = 416;
constexpr std::uint32_t msg_old_data_first = 500;
constexpr std::uint32_t msg_digest_differs = 564;
constexpr std::uint32_t msg_digests_unreadable = 565;

bool has_content(const BackupDataColl& collection) {
    return collection.file_count() > 0 || collection.directory_count() > 0;
}

}  // namespace

archive::SetWriterSettings ArchiveSession::writer_settings() const {
    archive::SetWriterSettings settings;
    const std::int64_t segment = BackupItemManager::instance()->archive_segment();
    if (segment > 0) settings.segment_limit = static_cast<std::uint64_t>(segment);
    settings.buffer_size = std::max<std::size_t>(SystemInfo::magic_segment_size(set_job().destination), 1 << 20);
    settings.program_major = Version::major_version;
    // A staged set holds its volumes as outlines, and one whole at a time:
    // the one the run writes to.
    if (staging_ != nullptr) {
        settings.before_rewrite = staged_hooks_.before_rewrite;
        settings.file_final = staged_hooks_.file_final;
    }
    return settings;
}

std::unique_ptr<archive::SetWriter> ArchiveSession::open_set_writer() const {
    restore::settle_replacement(set_job());
    return std::make_unique<archive::SetWriter>(set_job().archive_file(), writer_settings());
}

void ArchiveSession::delete_old_data(std::unique_ptr<archive::SetWriter>& writer) {
    const BackupItem& job = set_job();
    writer.reset();
    archive::delete_set(job.archive_file(), job.archive_file(), job.destination, writer_settings().has_copy_root,
                        Version::major_version, [this](const bk::String& path) { announce_old_data(path); });
    writer = std::make_unique<archive::SetWriter>(job.archive_file(), writer_settings());
}

SessionRunResult ArchiveSession::replace_set(std::unique_ptr<archive::SetWriter>& writer, std::uint64_t needed,
                                             const std::function<SessionRunResult(archive::SetWriter&)>& write) {
    const BackupItem& job = set_job();
    bool room_for_both = false;
    try {
        room_for_both = has_room(job.destination, needed);
        if (!room_for_both) {
            const std::uint64_t old_bytes = archive::set_bytes(job.archive_file(), job.destination,
                                                               writer_settings().has_copy_root, Version::major_version);
            // Without the old set the new one fits: it has to go first.
            if (has_room(job.destination, needed > old_bytes ? needed - old_bytes : 0)) {
                warning(message(msg_old_data_first));
                delete_old_data(writer);
                return write(*writer);
            }
        }
    } catch (const bk::Exception&) {
        // Reported, with the query's own failure, by the check below.
    }
    if (!room_for_both) {
        check_dest_space(job.destination, needed);
        return SessionRunResult::failed;
    }
    archive::SetReplacement replacement(job.archive_file(), job.destination, writer_settings().has_copy_root,
                                        Version::major_version);
    writer.reset();
    replacement.move_aside();
    SessionRunResult result = SessionRunResult::failed;
    try {
        writer = std::make_unique<archive::SetWriter>(job.archive_file(), writer_settings());
        result = write(*writer);
        writer.reset();
    } catch (...) {
        writer.reset();
        replacement.undo();
        throw;
    }
    if (result == SessionRunResult::done) {
        replacement.complete([this](const bk::String& path) { announce_old_data(path); });
        return result;
    }
    // A run that did not finish leaves the old set as it was.
    replacement.undo();
    if (BackupItemReport* report = active_report()) {
        report->completed_files = 0;
        report->completed_size = 0;
    }
    return result;
}

archive::SecurityHeader ArchiveSession::security_for(const archive::SetWriter& writer, std::int64_t now,
                                                    archive::DataKey& key) const {
    const BackupItem& job = set_job();
    if (writer.state() != archive::SetWriter::State::opened)
        return archive::new_security_header(job, archive::ArchiveFormatV2(), now, key);
    const archive::SetLayout& layout = *writer.layout();
    if (!archive::unlock_data_key(layout.security, *layout.format, job.password, key))
        throw BackupException(msg_password_mismatch);
    return layout.security;
}

SessionRunResult ArchiveSession::write_run(archive::SetWriter& writer, BackupDataColl& collection) {
    const BackupItem& job = set_job();
    if (!check_dest_space(job.destination, collection.space_estimate())) return SessionRunResult::failed;

    const std::int64_t now = bk::Date::now_time();
    archive::DataKey key;
    const archive::SecurityHeader security = security_for(writer, now, key);
    const CipherId cipher_id = cipher_id_for_options(job.options);
    auto cipher = archive::make_data_cipher(cipher_id, key, security, false);

    archive::RunHeader run;
    run.backup_time = now;
    run.cipher = cipher_id;
    run.directory_count = collection.directory_count();
    run.file_count = collection.file_count();
    run.total_size = collection.total_size();
    run.ftp_servers = job.ftp_servers;
    try {
        writer.begin_run(security, run, collection.root(), job.is_append_mode());
        if (!has_stopped()) writer.write_data(run_context(), cipher.get());
        writer.finish_run();
    } catch (...) {
        // The run never reached the set whole: what it wrote goes, so the
        // next run finds the destination as it was (a full disk frees its
        // room again), and none of its files counts as backed up.
        writer.abandon_run();
        if (BackupItemReport* report = active_report()) {
            report->completed_files = 0;
            report->completed_size = 0;
        }
        throw;
    }
    if (has_stopped()) return SessionRunResult::stopped;
    // A staged set is handed to the hook once it is on the server.
    if (!staged_job_) run_after_write_hook(job.archive_file());
    if (job.has_option(job_option::verify)) verify_run(job.archive_file());
    return has_stopped() ? SessionRunResult::stopped : SessionRunResult::done;
}

// Reads every file's stored data back from the set, deciphers it and
// compares it with its source block by block: a damaged archive does not
// pass for a sound one.
void ArchiveSession::verify_run(const bk::String& main_path) {
    const BackupItem& job = set_job();
    const auto read = archive::read_set_layout(main_path, false, true, Version::major_version);
    if (read.error != archive::LayoutError::none || read.layout.runs.empty()) {
        warning(bk::format_text(message(msg_unable_to_verify), {main_path, message(msg_damaged)}));
        return;
    }
    const archive::SetLayout& layout = read.layout;
    const archive::RunLayout& run = layout.runs.back();
    archive::DataKey key;
    archive::unlock_data_key(layout.security, *layout.format, job.password, key);
    auto decipher = archive::make_data_cipher(run.header.cipher, key, layout.security, true);
    archive::RunDataReader reader(layout, run, staged_file_opener());
    const std::size_t stored_chunk = run.header.cipher == CipherId::rijndael ? archive::chunk_size + 16 : archive::chunk_size;
    std::vector<std::uint8_t> stored(stored_chunk), plain(archive::chunk_size + 32), source(archive::chunk_size);
    // The digests just written beside the set are checked too: the bytes the
    // set holds against the digest of what was stored.
    const archive::SetDigests digests = archive::read_set_digests(layout);
    const auto written = digests.of_run(layout, layout.runs.size() - 1);
    if (digests.by_run.back() == nullptr)
        warning(bk::format_text(message(msg_digests_unreadable), {archive::digest_path(main_path)}));

    archive::for_each_file(*run.root, [&](const DataHeader& item) {
        if (has_stopped() || item.stored_size <= 0 || item.data_flag != archive::data_valid) return;
        const bk::String path = item.full_path();
        fire_verify_file(path);
        std::unique_ptr<bk::InputStream> in;
        try {
            in = open_item(item);
        } catch (const bk::Exception& failure) {
            warning(bk::format_text(message(msg_unable_to_verify), {path, failure.message()}));
            return;
        }
        const bk::String archived = main_path + u":" + path;
        Sha256 hash;
        bool readable = true;
        bool warned = false;
        std::uint64_t done = 0;
        const auto total = static_cast<std::uint64_t>(item.stored_size);
        while (done < total && !has_stopped()) {
            const auto take = static_cast<std::size_t>(std::min<std::uint64_t>(stored_chunk, total - done));
            std::size_t plain_size = take;
            const std::uint8_t* plain_bytes = stored.data();
            bool differs = false;
            try {
                reader.read(item.data_offset + archive::marker_size + done, stored.data(), take);
                if (decipher) {
                    plain_size = decipher->decrypt(stored.data(), take, plain.data());
                    plain_bytes = plain.data();
                }
            } catch (const bk::Exception&) {
                differs = true;  // unreadable or undecipherable stored bytes
                readable = false;
            }
            hash.update(stored.data(), take);
            const std::size_t got = bk::read_up_to(*in, source.data(), differs ? archive::chunk_size : plain_size);
            if (!differs) differs = got != plain_size || !std::equal(source.begin(), source.begin() + got, plain_bytes);
            if (differs) warning(bk::format_text(message(msg_contents_differ), {archived, path}));
            warned = warned || differs;
            done += take;
        }
        const auto digest = written.find(&item);
        // Stored bytes that differ from the source were reported already.
        if (readable && !warned && done == total && digest != written.end()) {
            const bool enciphered = digest->second.kind == archive::DigestKind::plain_and_stored;
            if (hash.final() != (enciphered ? digest->second.stored : digest->second.plain))
                warning(bk::format_text(message(msg_digest_differs), {archived}));
        }
    });
}

std::optional<bk::String> ArchiveSession::staged_name(const bk::String& path) const {
    const bk::String name = bk::Path::file_name(path);
    if (staging_ == nullptr || bk::Path::directory_name(path) != staging_->folder() ||
        !belongs_to_set(backup_item(), name))
        return std::nullopt;
    return name;
}

void ArchiveSession::make_staged_file_whole(const bk::String& path) {
    const auto name = staged_name(path);
    if (!name) return;
    const bk::String& remote = backup_item().destination;
    if (!staging_->settle_whole(*staging_connection_, remote, &retry_policy(), *name) ||
        !staging_->make_whole(*staging_connection_, remote, *name, &retry_policy()))
        throw bk::IOException(path);  // stopped: the run ends so
}

void ArchiveSession::send_staged_file_ahead(const bk::String& path, const std::vector<archive::ByteRange>& data) {
    const auto name = staged_name(path);
    if (!name) return;
    std::vector<FtpStaging::Hole> holes;
    for (const archive::ByteRange& range : data) holes.push_back({range.offset, range.length});
    // A stop while it travels leaves it here, and the run ends stopped.
    (void)staging_->send_ahead(*staging_connection_, backup_item().destination, *name, &retry_policy(),
                               std::move(holes));
}

archive::RunDataReader::FileOpener ArchiveSession::staged_file_opener() {
    if (staging_ == nullptr) return {};
    return [this](const archive::SetFileLayout& file) -> std::unique_ptr<bk::InputStream> {
        const auto remote = staging_->remote_copy(backup_item().destination, bk::Path::file_name(file.path));
        if (remote) return std::make_unique<FtpInputStream>(*staging_connection_, *remote, &retry_policy());
        return std::make_unique<bk::FileInputStream>(file.path, bk::FileShare::ReadWrite);
    };
}

void ArchiveSession::announce_old_data(const bk::String& path) {
    // The staged copies of old files are not what the user knows: their
    // deletion on the server is announced when the set is published.
    if (!staged_job_) fire_delete_old_data(path);
}

SessionRunResult ArchiveSession::run_on_destination() {
    const BackupItem& job = backup_item();
    if (!is_ftp_path(job.destination)) return run();
    FtpConnection& connection = get_ftp_connection(job.destination);
    // The set as the check before the run fetched it, or else fetched now.
    std::unique_ptr<FtpStaging> staging = take_checked_set();
    if (staging) {
        watch_transfers(*staging);
    } else {
        staging = std::make_unique<FtpStaging>(staging_folder(job, u"backup"));
        watch_transfers(*staging);
        if (!fetch_set_outline(*staging, connection, job, writer_settings().has_copy_root, &retry_policy()))
            return SessionRunResult::stopped;
    }
    staged_job_ = staged_view(job, staging->folder());
    staging_ = staging.get();
    staging_connection_ = &connection;
    staged_hooks_.before_rewrite = [this](const bk::String& path) { make_staged_file_whole(path); };
    staged_hooks_.file_final = [this](const bk::String& path, const std::vector<archive::ByteRange>& data) {
        send_staged_file_ahead(path, data);
    };
    const bk::String staged_main = staged_job_->archive_file();
    SessionRunResult result = SessionRunResult::failed;
    try {
        before_staged_run();
        result = run();
    } catch (...) {
        staged_job_.reset();
        staging_ = nullptr;
        after_unpublished_run(connection);
        // A stop that came while a file of the set travelled.
        if (has_stopped()) return SessionRunResult::stopped;
        throw;
    }
    staged_job_.reset();
    staging_ = nullptr;
    // A run that did not finish leaves the set on the server as it was.
    if (result != SessionRunResult::done) {
        after_unpublished_run(connection);
        return result;
    }
    const bk::String main = bk::Path::file_name(job.archive_file());
    bool published = false;
    try {
        published = staging->publish(
            connection, job.destination, &retry_policy(), [&main](bk::StringView name) { return name == main; },
            [this](const bk::String& remote) { fire_delete_old_data(remote); });
    } catch (...) {
        after_unpublished_run(connection);
        // A stop that came while a transfer waited to be retried.
        if (has_stopped()) return SessionRunResult::stopped;
        throw;
    }
    if (!published) {
        after_unpublished_run(connection);
        return SessionRunResult::stopped;
    }
    after_publish(connection, staged_main);
    run_after_write_hook(job.archive_file());
    // The staged set was compared with the sources as it was written; what
    // the server holds is compared with it.
    if (job.has_option(job_option::verify)) {
        try {
            for (const bk::String& remote : staging->differing_uploads(connection, job.destination, &retry_policy()))
                warning(bk::format_text(message(msg_contents_differ), {remote, staging->folder()}));
        } catch (const bk::Exception& failure) {
            warning(bk::format_text(message(msg_unable_to_verify), {job.archive_file(), failure.message()}));
        }
    }
    return result;
}

SessionRunResult NormalSession::run() {
    const BackupItem& job = set_job();
    auto writer = open_set_writer();
    const auto state = writer->state();
    const bool opened = state == archive::SetWriter::State::opened;
    const bool replaces =
        state == archive::SetWriter::State::damaged || (opened && writer->run_count() > 0 && !job.has_option(job_option::keep_set));
    if (!opened && state != archive::SetWriter::State::no_set && !replaces) {
        error(msg_failed, message(msg_damaged));
        return SessionRunResult::failed;
    }
    BackupDataColl collection(job, scan_events());
    if (!collection.scan(SystemInfo::cluster_size(job.destination))) return SessionRunResult::stopped;
    fire_end_parse(collection);
    if (!has_content(collection)) {
        warning(message(msg_no_data));
        return SessionRunResult::nothing_to_back_up;
    }
    if (replaces)
        return replace_set(writer, collection.space_estimate(),
                           [&](archive::SetWriter& fresh) { return write_run(fresh, collection); });
    if (job.is_append_mode() && opened && writer->run_count() >= job.rotation_times)
        writer->remove_oldest_volume_run([this](const bk::String& path) { announce_old_data(path); });
    return write_run(*writer, collection);
}

bool ArchiveSession::trigger_fires(const archive::SetWriter& writer) const {
    const BackupItem& job = backup_item();
    if (!job.trigger || writer.state() != archive::SetWriter::State::opened || writer.layout()->runs.empty())
        return false;
    // A full run always starts a set of its own, so the set's first run is
    // its newest full one.
    const std::int64_t last_full = writer.layout()->runs.front().header.backup_time;
    return full_backup_due(*job.trigger, writer.run_count(), last_full, bk::Date::now_time());
}

RecordedFiles ArchiveSession::recorded_files(bool has_copy_root) const {
    RecordedFiles recorded;
    const auto layout = archive::read_set_layout(set_job().archive_file(), has_copy_root, true, Version::major_version);
    if (layout.error != archive::LayoutError::none) throw bk::IOException(message(msg_damaged));
    for (const auto& run : layout.layout.runs) {
        // A file that failed holds no data: it has no record, so the next
        // run takes it again; one stored only in part has fewer stored
        // bytes than its size needs, which the selection sees. The copy
        // kinds record a failed copy with time 0 and keep no size.
        archive::for_each_file(*run.root, [&](const DataHeader& item) {
            if (has_copy_root) recorded[item.full_path()] = {item.modified, std::nullopt, run.header.cipher};
            else if (item.data_flag == archive::data_valid)
                recorded[item.full_path()] = {item.modified, static_cast<std::uint64_t>(item.stored_size),
                                              run.header.cipher};
        });
    }
    return recorded;
}

SessionRunResult IncrementSession::run() {
    const BackupItem& job = set_job();
    auto writer = open_set_writer();
    const auto state = writer->state();
    const bool opened = state == archive::SetWriter::State::opened;
    bool replaces = false;
    std::unique_ptr<BackupDataColl> collection;
    if (trigger_fires(*writer)) {
        warning(message(msg_full_instead));
        report_type_ = ReportType::normal;
        if (active_report() != nullptr) active_report()->type = ReportType::normal;
        replaces = true;
    } else if (opened && writer->run_count() > 0 && job.has_option(job_option::keep_set)) {
        collection = std::make_unique<IncrementalDataColl>(job, scan_events(), recorded_files(false));
    } else {
        replaces = state == archive::SetWriter::State::damaged || (opened && writer->run_count() > 0);
    }
    if (!collection) collection = std::make_unique<BackupDataColl>(job, scan_events());
    if (!opened && state != archive::SetWriter::State::no_set && !replaces) {
        error(msg_failed, message(msg_damaged));
        return SessionRunResult::failed;
    }
    if (!collection->scan(SystemInfo::cluster_size(job.destination))) return SessionRunResult::stopped;
    fire_end_parse(*collection);
    if (collection->file_count() == 0) return SessionRunResult::nothing_to_back_up;
    if (replaces)
        return replace_set(writer, collection->space_estimate(),
                           [&](archive::SetWriter& fresh) { return write_run(fresh, *collection); });
    return write_run(*writer, *collection);
}

}  // namespace brim
