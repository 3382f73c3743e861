#include "core/restore/restorer.h"

#include <algorithm>
#include <cstring>

#include "basekit/platform/os_faults.h"
#include "basekit/convertion.h"
#include "basekit/date.h"
#include "basekit/exception.h"
#include "basekit/file_stream.h"
#include "basekit/path.h"
#include "basekit/system_file.h"
#include "basekit/text_format.h"
#include "core/backup_exception.h"
#include "core/core_strings.h"
#include "core/engine/backup_session.h"
#include "core/engine/item_source.h"
#include "core/jobs/backup_item_report.h"
#include "core/media/ftp_connection.h"
#include "core/media/ftp_listing.h"
#include "core/media/ftp_output_stream.h"
#include "core/restore/copy_location.h"
#include "core/restore/staged_file.h"

namespace brim::restore {
namespace {

constexpr std::uint32_t msg_unable_to_restore = 148;
constexpr std::uint32_t msg_not_backed_up = 149;
constexpr std::uint32_t msg_contents_lost = 154;
constexpr std::uint32_t msg_set_incomplete = 155;
constexpr std::uint32_t msg_attributes = 156;
constexpr std::uint32_t msg_name_escapes = 170;
constexpr std::uint32_t msg_in_the_way = 171;
constexpr std::uint32_t msg_digest_differs = 561;
constexpr std::uint32_t permission_bits = 07777;
constexpr std::size_t longest_link = 65536;

}  // namespace

Restorer::Restorer(BackupSession& session, const OpenedSet& set, bk::StringView target, std::uint32_t option,
                   ItemPick& pick)
    : session_(session), set_(set), target_(target), option_(option), layout_(layout_for(target, option)),
      pick_(pick) {}

bool Restorer::backed_up_whole(const DataHeader& item, const bk::String& path) {
    // An item of no run of the set is found missing when its data is read.
    const archive::RunLayout* run = run_of(set_.layout, item);
    const CopyState state = copy_state(item, run != nullptr ? run->header : archive::RunHeader{});
    if (state == CopyState::whole) return true;
    skip(path, state == CopyState::partial ? msg_contents_lost : msg_not_backed_up);
    return false;
}

void Restorer::remember_folder(const DataHeader& directory, const bk::String& path) {
    // A folder restored from several runs gets the times and mode of the newest.
    const auto [at, added] = folder_places_.try_emplace(path, folders_done_.size());
    if (added) {
        folders_done_.push_back({&directory, path});
        return;
    }
    PendingFolder& held = folders_done_[at->second];
    const archive::RunLayout* held_run = run_of(set_.layout, *held.item);
    const archive::RunLayout* new_run = run_of(set_.layout, directory);
    if (held_run == nullptr || (new_run != nullptr && new_run > held_run)) held.item = &directory;
}

void Restorer::skip(const bk::String& path, const bk::String& reason) {
    ++failed_;
    session_.warning(bk::format_text(core_string(msg_unable_to_restore), {path, reason}));
}

void Restorer::skip(const bk::String& path, std::uint32_t reason_id) { skip(path, core_string(reason_id)); }

std::int64_t Restorer::modified_time(const DataHeader& item) const {
    return (option_ & restore_option::touch) != 0 ? bk::Date::now_time() : item.modified;
}

void Restorer::file_done(const DataHeader& item) {
    ++written_;
    if (BackupItemReport* report = session_.active_report()) {
        report->completed_files += 1;
        report->completed_size += item.size;
    }
}

bool Restorer::restore_selected(const DataHeader& item) {
    if (session_.has_stopped()) return false;
    if (item.is_directory() && item.name().empty()) {  // a grouping node
        for (const auto& sub : item.directories())
            if (!restore_selected(*sub)) return false;
        for (const auto& file : item.files())
            if (!restore_selected(*file)) return false;
        return true;
    }
    if (target_.empty() && item.is_ftp()) {
        if (!plain_components(item.full_path())) {
            skip(item.full_path(), msg_name_escapes);
            return true;
        }
        return restore_ftp(item, item.full_path());
    }
    const auto where = place_selected(item, target_, layout_);
    if (!where) {
        skip(item.full_path(), msg_name_escapes);
        return true;
    }
    return item.is_directory() ? restore_directory(item, *where) : restore_file(item, *where);
}

bool Restorer::restore_directory(const DataHeader& directory, const Destination& where) {
    if (session_.has_stopped()) return false;
    const bk::String path = where.path();
    try {
        if (!folders_.make(where)) {
            skip(path, msg_in_the_way);
            return true;
        }
    } catch (const bk::Exception& failure) {
        skip(path, failure.message());
        return true;
    }
    session_.fire_restore_dir(path);
    if (layout_ != Layout::flat) remember_folder(directory, path);
    for (const auto& sub : directory.directories()) {
        const auto child = place_child(*sub, directory, where, layout_);
        if (!child) skip(sub->name(), msg_name_escapes);
        else if (!restore_directory(*sub, *child)) return false;
    }
    for (const auto& file : directory.files()) {
        const auto child = place_child(*file, directory, where, layout_);
        if (!child) skip(file->full_path(), msg_name_escapes);
        else if (!restore_file(*file, *child)) return false;
    }
    return !session_.has_stopped();
}

bool Restorer::replaces(const DataHeader& item, std::int64_t existing_time, const std::function<bool()>& ask) const {
    switch (option_ & restore_option::existing_mask) {
        case restore_option::existing_skip: return false;
        case restore_option::existing_ask: return ask();
        case restore_option::existing_newer: return item.modified > existing_time;
        default: return true;
    }
}

template <typename Step>
bool Restorer::attempt(const bk::String& path, Step&& step) {
    try {
        return step();
    } catch (const BackupException&) {
        throw;
    } catch (const bk::Exception& failure) {
        // A stop while a volume was fetched for the step is no failure of it.
        if (session_.has_stopped()) return false;
        if (dynamic_cast<const bk::EOFException*>(&failure) != nullptr) skip(path, msg_contents_lost);
        else skip(path, failure.message());
    }
    return false;
}

Restorer::RunState& Restorer::state_for(const DataHeader& item) {
    const archive::RunLayout* run = run_of(set_.layout, item);
    if (run == nullptr) throw BackupException(msg_set_incomplete);
    RunState& state = runs_[run];
    if (state.run == nullptr) {
        state.run = run;
        state.reader = data_reader(set_, *state.run);
        state.decipher = archive::make_data_cipher(state.run->header.cipher, set_.key, set_.layout.security, true);
        state.stored_chunk = archive::chunk_size + (state.run->header.cipher == CipherId::rijndael ? 16 : 0);
        if (!set_digests_) set_digests_ = archive::read_set_digests(set_.layout);
        const auto index = static_cast<std::size_t>(run - set_.layout.runs.data());
        state.digests = set_digests_->of_run(set_.layout, index);
    }
    const std::uint64_t end = item.data_offset + 2 * archive::marker_size + static_cast<std::uint64_t>(item.stored_size);
    if (end > state.reader->length() && state.reader->length() < state.run->header.data_length)
        throw BackupException(msg_set_incomplete);
    return state;
}

bool Restorer::has_data(const DataHeader& item, RunState& state) {
    std::uint8_t marker[archive::marker_size];
    state.reader->read(item.data_offset, marker, sizeof marker);
    return std::memcmp(marker, archive::marker_reserved, archive::marker_size) != 0;
}

bool Restorer::ends_with_marker(const DataHeader& item, RunState& state) {
    std::uint8_t marker[archive::marker_size];
    state.reader->read(item.data_offset + archive::marker_size + static_cast<std::uint64_t>(item.stored_size), marker,
                       sizeof marker);
    return std::memcmp(marker, archive::marker_data, archive::marker_size) == 0;
}

bool Restorer::restore_file(const DataHeader& item, const Destination& where) {
    if (session_.has_stopped()) return false;
    if (!pick_.take(item)) return true;
    const bk::String path = where.path();
    if (is_link_item(item)) {
        links_.push_back({&item, where});
        return true;
    }
    ++attempted_;
    if (!backed_up_whole(item, path)) return true;
    RunState& state = state_for(item);
    const bool ready = attempt(path, [&] {
        if (!folders_.make_parent(where)) {
            skip(path, msg_in_the_way);
            return false;
        }
        const bk::os::EntryStatus existing = bk::os::status(path);
        if (existing.kind != bk::os::EntryKind::none) {
            if (!replaces(item, existing.modify_time, [&] { return session_.fire_replace_file(item, path); })) {
                --attempted_;
                return false;
            }
            // What is there stays untouched until the new file takes its place.
        }
        if (!is_copy(state) && !has_data(item, state)) {
            skip(path, msg_not_backed_up);
            return false;
        }
        return true;
    });
    if (!ready) return true;
    // A file with a mode of its own is created private and gets its mode at the end.
    const std::uint32_t permissions = item.posix_mode != 0 ? 0600 : 0666;
    StagedFile staged(path);
    if (!write_stored(
            item, path, state, [&] { return staged.create(permissions); },
            [&](bk::OutputStream& out) { set_metadata(item, path, out); }))
        return !session_.has_stopped();
    try {
        // A link or a special file at the target is replaced, never written through.
        staged.commit();
    } catch (const bk::Exception& failure) {
        skip(path, failure.message());
        return true;
    }
    try {
        // A file without a mode of its own but marked read-only (a set made
        // elsewhere) loses the owner's write permission once in place.
        if (item.posix_mode == 0 && (item.attributes & bk::file_attribute::readonly) != 0)
            bk::os::set_owner_writable(path, false);
    } catch (const bk::Exception& failure) {
        session_.warning(bk::format_text(core_string(msg_attributes), {path, failure.message()}));
    }
    file_done(item);
    return true;
}

void Restorer::set_metadata(const DataHeader& item, const bk::String& path, bk::OutputStream& out) {
    const auto* file = dynamic_cast<const bk::FileOutputStream*>(&out);
    if (file == nullptr) return;
    try {
        if (item.posix_mode != 0) bk::os::set_mode(file->get_handle(), item.posix_mode & permission_bits, path);
        bk::os::set_times(file->get_handle(), item.accessed, modified_time(item), path);
    } catch (const bk::Exception& failure) {
        session_.warning(bk::format_text(core_string(msg_attributes), {path, failure.message()}));
    }
}

bool Restorer::restore_ftp(const DataHeader& item, const bk::String& remote) {
    if (session_.has_stopped()) return false;
    if (!item.is_directory()) return restore_ftp_file(item, remote);
    session_.fire_restore_dir(remote);
    try {
        session_.get_ftp_connection(remote).create_directory(remote);
    } catch (const bk::Exception&) {
        // It exists already, or the files below will say why they cannot be written.
    }
    for (const auto& sub : item.directories()) {
        // A sub-folder's recorded path must lie below its folder's.
        const auto parts = components_below(item.name(), sub->name());
        if (!parts || parts->empty()) {
            skip(sub->full_path(), msg_name_escapes);
            continue;
        }
        bk::String path = remote;
        for (const auto& part : *parts) path += u"/" + part;
        if (!restore_ftp(*sub, path)) return false;
    }
    for (const auto& file : item.files()) {
        if (!is_plain_name(file->name())) skip(file->full_path(), msg_name_escapes);
        else if (!restore_ftp_file(*file, remote + u"/" + file->name())) return false;
    }
    return !session_.has_stopped();
}

bool Restorer::restore_ftp_file(const DataHeader& item, const bk::String& remote) {
    if (session_.has_stopped()) return false;
    if (!pick_.take(item)) return true;
    ++attempted_;
    if (!backed_up_whole(item, remote)) return true;
    RunState& state = state_for(item);
    const std::size_t slash = remote.rfind(u'/');
    const bk::String folder = remote.substr(0, slash);
    const bool written = attempt(remote, [&] {
        FtpConnection& connection = session_.get_ftp_connection(remote);
        std::optional<FtpListEntry> existing;
        try {
            for (auto& entry : connection.list_directory(folder))
                if (!entry.is_directory && entry.name == remote.substr(slash + 1)) existing = std::move(entry);
        } catch (const bk::Exception&) {
            // The folder cannot be listed: taken as missing, and created below.
        }
        if (existing && !replaces(item, existing->modified_time, [&] {
                return session_.fire_replace_ftp_file(item, remote, existing->modified_time, existing->size);
            })) {
            --attempted_;
            return false;
        }
        if (!existing) {
            try {
                connection.create_directory(folder);
            } catch (const bk::Exception&) {
                // Most often it exists; the upload tells when it cannot be written.
            }
        }
        if (!is_copy(state) && !has_data(item, state)) {
            skip(remote, msg_not_backed_up);
            return false;
        }
        return write_stored(item, remote, state, [&]() -> std::unique_ptr<bk::OutputStream> {
            return std::make_unique<FtpOutputStream>(connection, remote, &session_.retry_policy());
        });
    });
    if (!written) return !session_.has_stopped();
    file_done(item);
    return true;
}

bool Restorer::is_copy(const RunState& state) const { return state.run->header.has_copy_root; }

std::optional<bk::String> Restorer::copy_of(const DataHeader& item, const RunState& state) const {
    return copy_location(item, session_.backup_item().kind, bk::Path::directory_name(set_.path),
                         state.run->header.copy_root);
}

bool Restorer::write_stored(const DataHeader& item, const bk::String& path, RunState& state,
                            const OutputOpener& open, const OutputFinish& finish) {
    return is_copy(state) ? copy_plain(item, path, state, open, finish) : copy_data(item, path, state, open, finish);
}

bool Restorer::copy_plain(const DataHeader& item, const bk::String& path, RunState& state, const OutputOpener& open,
                          const OutputFinish& finish) {
    const auto from = copy_of(item, state);
    // Only a regular file is read: a link at the copy's place could lead anywhere.
    if (!from || bk::os::status(*from).kind != bk::os::EntryKind::regular) {
        skip(path, msg_contents_lost);
        return false;
    }
    session_.fire_on_file(path, item.size > archive::chunk_size ? 0 : static_cast<std::uint32_t>(item.size));
    std::unique_ptr<bk::FileInputStream> in;
    try {
        in = std::make_unique<bk::FileInputStream>(*from);
    } catch (const bk::Exception& failure) {
        skip(path, failure.message());
        return false;
    }
    std::unique_ptr<bk::OutputStream> out;
    try {
        out = open();
    } catch (const bk::Exception& failure) {
        skip(path, failure.message());
        return false;
    }
    if (!out) return false;
    stored_.resize(archive::chunk_size);
    archive::DigestPipe::File hash(digest_pipe(item, state), false);
    try {
        for (int n; (n = in->read(stored_.data(), static_cast<int>(stored_.size()))) > 0;) {
            if (session_.has_stopped()) return false;
            out->write(stored_.data(), static_cast<std::uint32_t>(n));
            hash.add(stored_.data(), static_cast<std::size_t>(n));
        }
    } catch (const bk::Exception& failure) {
        skip(path, failure.message());
        return false;
    }
    // A copy a later merge_copy run replaced in place is not this run's copy.
    if (is_recorded_copy(item, *from) && !matches_digest(item, path, state, hash)) return false;
    if (finish) finish(*out);
    try {
        out->close();
    } catch (const bk::Exception& failure) {
        skip(path, failure.message());
        return false;
    }
    return true;
}

archive::DigestPipe* Restorer::digest_pipe(const DataHeader& item, const RunState& state) {
    const auto found = state.digests.find(&item);
    if (found == state.digests.end() || found->second.kind == archive::DigestKind::none) return nullptr;
    if (!pipe_) pipe_ = std::make_unique<archive::DigestPipe>(archive::chunk_size);
    return pipe_.get();
}

bool Restorer::matches_digest(const DataHeader& item, const bk::String& path, RunState& state,
                              archive::DigestPipe::File& plain) {
    const auto found = state.digests.find(&item);
    if (found == state.digests.end() || found->second.kind == archive::DigestKind::none) return true;
    if (plain.finish(true).plain == found->second.plain) return true;
    skip(path, msg_digest_differs);
    return false;
}

bool Restorer::copy_data(const DataHeader& item, const bk::String& path, RunState& state, const OutputOpener& open,
                         const OutputFinish& finish) {
    const auto total = static_cast<std::uint64_t>(item.stored_size);
    const bool chunked = item.size > archive::chunk_size;
    session_.fire_on_file(path, chunked ? 0 : static_cast<std::uint32_t>(item.size));
    stored_.resize(state.stored_chunk);
    plain_.resize(state.stored_chunk + 32);
    std::unique_ptr<bk::OutputStream> out;
    try {
        out = open();
    } catch (const bk::Exception& failure) {
        skip(path, failure.message());
        return false;
    }
    if (!out) return false;
    archive::DigestPipe::File hash(digest_pipe(item, state), false);
    for (std::uint64_t done = 0; done < total;) {
        if (session_.has_stopped()) return false;
        const auto take = static_cast<std::size_t>(std::min<std::uint64_t>(state.stored_chunk, total - done));
        std::size_t plain_size = take;
        const std::uint8_t* plain = stored_.data();
        try {
            state.reader->read(item.data_offset + archive::marker_size + done, stored_.data(), take);
            if (state.decipher) {
                plain_size = state.decipher->decrypt(stored_.data(), take, plain_.data());
                plain = plain_.data();
            }
        } catch (const BackupException&) {
            throw;  // a volume that could not be fetched ends the run
        } catch (const bk::Exception&) {
            if (!session_.has_stopped()) skip(path, msg_contents_lost);
            return false;
        }
        hash.add(plain, plain_size);
        try {
            out->write(plain, static_cast<std::uint32_t>(plain_size));
            bk::os::crash_point(u"restore-chunk-written");
        } catch (const bk::Exception& failure) {
            skip(path, failure.message());
            return false;
        }
        done += take;
        if (chunked) session_.fire_on_size(static_cast<std::uint32_t>(plain_size));
    }
    // Every stored byte was read and deciphered; the block must end where
    // the catalogue says it does.
    bool checked = false;
    try {
        checked = ends_with_marker(item, state);
    } catch (const BackupException&) {
        throw;
    } catch (const bk::Exception&) {
        if (session_.has_stopped()) return false;
    }
    if (!checked) {
        skip(path, msg_contents_lost);
        return false;
    }
    if (!matches_digest(item, path, state, hash)) return false;
    if (finish) finish(*out);
    try {
        out->close();
    } catch (const bk::Exception& failure) {
        skip(path, failure.message());
        return false;
    }
    return true;
}

std::optional<bk::String> Restorer::link_target(const DataHeader& item, RunState& state) {
    if (is_copy(state)) {
        const auto from = copy_of(item, state);
        if (!from || bk::os::status(*from).kind != bk::os::EntryKind::symlink) return std::nullopt;
        return bk::os::read_link(*from);
    }
    const auto total = static_cast<std::uint64_t>(item.stored_size);
    if (total == 0 || total > longest_link || !has_data(item, state)) return std::nullopt;
    std::vector<std::uint8_t> stored(static_cast<std::size_t>(total)), plain(stored.size() + 32);
    state.reader->read(item.data_offset + archive::marker_size, stored.data(), stored.size());
    std::size_t size = stored.size();
    const std::uint8_t* bytes = stored.data();
    if (state.decipher) {
        size = state.decipher->decrypt(stored.data(), stored.size(), plain.data());
        bytes = plain.data();
    }
    return bk::from_native_path(std::string(reinterpret_cast<const char*>(bytes), size));
}

void Restorer::restore_link(const PendingLink& link) {
    const DataHeader& item = *link.item;
    const bk::String path = link.where.path();
    ++attempted_;
    const bool made = attempt(path, [&] {
        if (!backed_up_whole(item, path)) return false;
        RunState& state = state_for(item);
        if (!folders_.make_parent(link.where)) {
            skip(path, msg_in_the_way);
            return false;
        }
        const auto target = link_target(item, state);
        if (!target) {
            skip(path, msg_contents_lost);
            return false;
        }
        const bk::os::EntryStatus existing = bk::os::status(path);
        if (existing.kind != bk::os::EntryKind::none) {
            if (!replaces(item, existing.modify_time, [&] { return session_.fire_replace_file(item, path); })) {
                --attempted_;
                return false;
            }
            if (existing.kind == bk::os::EntryKind::directory) {
                skip(path, msg_in_the_way);
                return false;
            }
            bk::os::remove_file(path);
        }
        bk::os::make_symlink(*target, path);
        return true;
    });
    if (!made) return;
    try {
        bk::os::set_times(path, item.accessed, modified_time(item));
    } catch (const bk::Exception& failure) {
        session_.warning(bk::format_text(core_string(msg_attributes), {path, failure.message()}));
    }
    file_done(item);
}

void Restorer::finish() {
    for (const auto& link : links_) {
        if (session_.has_stopped()) return;
        restore_link(link);
    }
    // Deepest first, so that setting a folder's times is not undone by its children.
    for (auto it = folders_done_.rbegin(); it != folders_done_.rend(); ++it) {
        const DataHeader& item = *it->item;
        try {
            if (item.posix_mode != 0) bk::os::set_mode(it->path, item.posix_mode & permission_bits);
            bk::os::set_times(it->path, item.accessed, item.modified);
        } catch (const bk::Exception& failure) {
            session_.warning(bk::format_text(core_string(msg_attributes), {it->path, failure.message()}));
        }
    }
}

}  // namespace brim::restore
