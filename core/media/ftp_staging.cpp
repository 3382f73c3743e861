#include "core/media/ftp_staging.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <vector>

#include "basekit/file_stream.h"
#include "basekit/path.h"
#include "basekit/platform/os_fs.h"
#include "basekit/system_file.h"
#include "core/media/ftp_connection.h"
#include "core/media/ftp_error.h"
#include "core/media/ftp_exception.h"
#include "core/media/ftp_input_stream.h"
#include "core/media/ftp_messages.h"
#include "core/media/ftp_path.h"
#include "core/media/ftp_retry.h"
#include "core/media/ftp_upload.h"

namespace brim {
namespace {

constexpr std::uint32_t owner_only = 0700;
constexpr std::size_t transfer_block = 1 << 16;

// The names of the files the folder holds now.
std::vector<bk::String> staged_names(const bk::String& folder) {
    std::vector<bk::String> found;
    try {
        bk::Directory(folder).list_files(found);
    } catch (const bk::IOException&) {
        return {};  // nothing in it
    }
    for (bk::String& name : found) name = bk::Path::file_name(name);
    return found;
}

// The entries of a remote folder; nothing when the folder is not there.
std::optional<std::vector<FtpListEntry>> list_remote(FtpConnection& connection, bk::StringView remote_folder,
                                                     FtpRetryPolicy* policy) {
    try {
        return run_with_ftp_retry(policy, connection, ftp_message::cannot_list,
                                  [&] { return connection.list_directory(remote_folder); });
    } catch (const FtpException& failure) {
        if (failure.error_code() == ftp_error::extended_error) return std::nullopt;
        throw;
    }
}

}  // namespace

bool FtpStaging::transfer(bk::InputStream& in, bk::OutputStream& out) const {
    std::vector<std::uint8_t> block(transfer_block);
    for (;;) {
        if (watch_.stopped && watch_.stopped()) return false;
        const std::size_t got = bk::read_up_to(in, block.data(), block.size());
        if (got == 0) return true;
        out.write(block.data(), static_cast<std::uint32_t>(got));
        if (watch_.bytes) watch_.bytes(static_cast<std::uint32_t>(got));
        if (got < block.size()) return true;
    }
}

bool FtpStaging::download(FtpConnection& connection, const bk::String& remote, const bk::String& local,
                          FtpRetryPolicy* policy) const {
    if (watch_.file) watch_.file(remote);
    FtpInputStream in(connection, remote, policy);
    bk::FileOutputStream out(local, bk::FileMode::Create, bk::FileShare::None, 0600);
    if (!transfer(in, out)) return false;
    out.close();
    return true;
}

bool FtpStaging::download_tree(FtpConnection& connection, const bk::String& remote, const bk::String& local,
                               FtpRetryPolicy* policy) const {
    const auto entries = list_remote(connection, remote, policy);
    if (!entries) return true;
    bk::Directory(local).create();
    for (const FtpListEntry& entry : *entries) {
        // A name that would lead out of the folder is not the server's to give.
        if (entry.name.empty() || entry.name == u"." || entry.name == u".." || entry.name.find(u'/') != bk::String::npos)
            continue;
        const bk::String from = ftp_path_join(remote, entry.name);
        const bk::String to = bk::Path::combine(local, entry.name);
        if (!(entry.is_directory ? download_tree(connection, from, to, policy) : download(connection, from, to, policy)))
            return false;
    }
    return true;
}

FtpStaging::FtpStaging(bk::String folder) : folder_(std::move(folder)) {
    bk::Directory directory(folder_);
    if (directory.exists()) directory.remove_tree();  // a crash's left-over
    directory.create();
    bk::os::set_mode(folder_, owner_only);
}

FtpStaging::~FtpStaging() {
    try {
        bk::Directory(folder_).remove_tree();
    } catch (const bk::Exception&) {
        // The next staging of the same folder removes it.
    }
    ahead_.clear();  // each upload deletes its temporary file
}

bool FtpStaging::fetch(FtpConnection& connection, bk::StringView remote_folder, const NameFilter& belongs,
                       FtpRetryPolicy* policy) {
    const auto entries = list_remote(connection, remote_folder, policy);
    if (!entries) return true;  // no such folder: no set yet
    for (const FtpListEntry& entry : *entries) {
        if (entry.is_directory || !belongs(entry.name)) continue;
        const bk::String local = bk::Path::combine(folder_, entry.name);
        if (!download(connection, ftp_path_join(remote_folder, entry.name), local, policy)) return false;
        const bk::os::EntryStatus status = bk::os::status(local);
        fetched_[entry.name] = {status.size, status.modify_time};
    }
    return true;
}

bool FtpStaging::fetch_tree(FtpConnection& connection, bk::StringView remote_folder, bk::StringView name,
                            FtpRetryPolicy* policy) {
    return download_tree(connection, ftp_path_join(remote_folder, name), bk::Path::combine(folder_, name), policy);
}

bool FtpStaging::fetch_file(FtpConnection& connection, bk::StringView remote_folder, bk::StringView name,
                            FtpRetryPolicy* policy) {
    const bk::String local = bk::Path::combine(folder_, name);
    bool whole = false;
    try {
        whole = download(connection, ftp_path_join(remote_folder, name), local, policy);
    } catch (...) {
        remove(name);
        throw;
    }
    if (!whole) remove(name);
    return whole;
}

void FtpStaging::remove(bk::StringView name) {
    try {
        const bk::String local = bk::Path::combine(folder_, name);
        if (bk::SystemFile::is_file(local)) bk::os::remove_file(local);
    } catch (const bk::Exception&) {
        // The folder goes with everything in it when the staging ends.
    }
}

void FtpStaging::outline(bk::StringView name, std::vector<Hole> holes) {
    const bk::String path = bk::Path::combine(folder_, name);
    const bk::String rewritten = path + u"~outline";
    std::sort(holes.begin(), holes.end(), [](const Hole& a, const Hole& b) { return a.offset < b.offset; });
    {
        const std::uint64_t size = bk::os::status(path).size;
        bk::FileInputStream in(path);
        bk::FileOutputStream out(rewritten, bk::FileMode::Create, bk::FileShare::None, 0600);
        std::vector<std::uint8_t> block(transfer_block);
        // Copies the bytes from `from` to `to`; what lies between the copies
        // is never written.
        const auto keep = [&](std::uint64_t from, std::uint64_t to) {
            if (from >= to) return;
            in.seek(static_cast<std::int64_t>(from), bk::SeekOrigin::Begin);
            out.seek(static_cast<std::int64_t>(from), bk::SeekOrigin::Begin);
            while (from < to) {
                const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(block.size(), to - from));
                const std::size_t got = bk::read_up_to(in, block.data(), want);
                if (got == 0) return;
                out.write(block.data(), static_cast<std::uint32_t>(got));
                from += got;
            }
        };
        std::uint64_t at = 0;
        for (const Hole& hole : holes) {
            keep(at, std::min(hole.offset, size));
            at = std::max(at, hole.offset + hole.length);
        }
        keep(at, size);
        bk::os::truncate(out.get_handle(), static_cast<std::int64_t>(size), rewritten);
        out.close();
    }
    bk::os::rename_entry(rewritten, path);
    const bk::os::EntryStatus status = bk::os::status(path);
    outlines_[bk::String(name)] = {status.size, status.modify_time};
    holes_[bk::String(name)] = std::move(holes);
}

bool FtpStaging::is_outline(bk::StringView name) const {
    const auto made = outlines_.find(bk::String(name));
    if (made == outlines_.end()) return false;
    const bk::os::EntryStatus status = bk::os::status(bk::Path::combine(folder_, name));
    return status.kind != bk::os::EntryKind::none && status.size == made->second.size &&
           status.modify_time == made->second.modified;
}

std::optional<bk::String> FtpStaging::remote_copy(bk::StringView remote_folder, bk::StringView name) const {
    if (!is_outline(name)) return std::nullopt;
    const bk::String remote = ftp_path_join(remote_folder, name);
    for (const Pending& pending : ahead_)
        if (pending.name == name) return remote + bk::String(ftp_partial_suffix);
    return remote;
}

bool FtpStaging::make_whole(FtpConnection& connection, bk::StringView remote_folder, bk::StringView name,
                            FtpRetryPolicy* policy) {
    const auto remote = remote_copy(remote_folder, name);
    if (!remote) return true;
    const bk::String local = bk::Path::combine(folder_, name);
    if (!download(connection, *remote, local, policy)) return false;
    outlines_.erase(bk::String(name));
    const bk::os::EntryStatus status = bk::os::status(local);
    fetched_[bk::String(name)] = {status.size, status.modify_time};
    return true;
}

bool FtpStaging::send_ahead(FtpConnection& connection, bk::StringView remote_folder, bk::StringView name,
                            FtpRetryPolicy* policy, std::vector<Hole> holes) {
    const bk::String local = bk::Path::combine(folder_, name);
    // A file sent again replaces its temporary file on the server.
    std::erase_if(ahead_, [name](const Pending& pending) { return pending.name == name; });
    auto upload = std::make_unique<FtpPartialUpload>(connection, ftp_path_join(remote_folder, name));
    if (watch_.file) watch_.file(upload->target());
    {
        bk::FileInputStream in(local);
        // A stop drops the upload, whose temporary file goes with it.
        if (!upload->send(policy, [&](bk::OutputStream& out) { return transfer(in, out); })) return false;
    }
    const bk::os::EntryStatus status = bk::os::status(local);
    ahead_.push_back({bk::String(name), {status.size, status.modify_time}, std::move(upload)});
    outline(name, std::move(holes));
    return true;
}

bool FtpStaging::settle_whole(FtpConnection& connection, bk::StringView remote_folder, FtpRetryPolicy* policy,
                              bk::StringView keep) {
    for (const auto& [name, holes] : holes_) {
        if (name == keep || is_outline(name) || outlines_.count(name) > 0) continue;  // outline, or another file now
        const bk::String local = bk::Path::combine(folder_, name);
        const bk::os::EntryStatus status = bk::os::status(local);
        if (status.kind == bk::os::EntryKind::none) continue;  // deleted since
        const auto before = fetched_.find(name);
        const bool changed = before == fetched_.end() || before->second.size != status.size ||
                             before->second.modified != status.modify_time;
        if (!changed) outline(name, holes);
        else if (!send_ahead(connection, remote_folder, name, policy, holes)) return false;
    }
    return true;
}

bool FtpStaging::publish(FtpConnection& connection, bk::StringView remote_folder, FtpRetryPolicy* policy,
                         const NameFilter& last, const std::function<void(const bk::String& remote)>& deleting) {
    std::vector<bk::String> names = staged_names(folder_);
    // The file that leads to the rest goes in place last.
    std::stable_partition(names.begin(), names.end(), [&last](const bk::String& name) { return !last(name); });
    // Every file travels under its temporary name first (those sent ahead
    // did already): a stop or a failure here deletes those (the uploads'
    // destructors) and renames nothing.
    std::vector<Pending> sent = std::move(ahead_);
    ahead_.clear();
    for (const bk::String& name : names) {
        if (is_outline(name)) continue;  // sent ahead, or never changed
        const bk::String local = bk::Path::combine(folder_, name);
        const bk::os::EntryStatus status = bk::os::status(local);
        const auto before = fetched_.find(name);
        if (before != fetched_.end() && before->second.size == status.size &&
            before->second.modified == status.modify_time)
            continue;
        auto upload = std::make_unique<FtpPartialUpload>(connection, ftp_path_join(remote_folder, name));
        if (watch_.file) watch_.file(upload->target());
        bk::FileInputStream in(local);
        if (!upload->send(policy, [&](bk::OutputStream& out) { return transfer(in, out); })) return false;
        sent.push_back({name, {status.size, status.modify_time}, std::move(upload)});
    }
    if (watch_.stopped && watch_.stopped()) return false;
    for (Pending& file : sent) {
        file.upload->commit(policy);
        fetched_[file.name] = file.now;
        uploaded_.push_back(file.name);
    }
    for (auto it = fetched_.begin(); it != fetched_.end();) {
        if (std::find(names.begin(), names.end(), it->first) != names.end()) {
            ++it;
            continue;
        }
        const bk::String remote = ftp_path_join(remote_folder, it->first);
        deleting(remote);
        run_with_ftp_retry(policy, connection, ftp_message::cannot_delete_file, [&] { connection.delete_file(remote); });
        it = fetched_.erase(it);
    }
    return true;
}

std::vector<bk::String> FtpStaging::differing_uploads(FtpConnection& connection, bk::StringView remote_folder,
                                                     FtpRetryPolicy* policy) const {
    std::vector<bk::String> differing;
    std::vector<std::uint8_t> local_block(transfer_block), remote_block(transfer_block);
    for (const bk::String& name : uploaded_) {
        if (is_outline(name)) continue;  // read back from the server as the run was verified
        const bk::String remote = ftp_path_join(remote_folder, name);
        bk::FileInputStream local(bk::Path::combine(folder_, name));
        FtpInputStream in(connection, remote, policy);
        for (;;) {
            const std::size_t got_local = bk::read_up_to(local, local_block.data(), local_block.size());
            const std::size_t got_remote = bk::read_up_to(in, remote_block.data(), remote_block.size());
            if (got_local != got_remote ||
                !std::equal(local_block.begin(), local_block.begin() + got_local, remote_block.begin())) {
                differing.push_back(remote);
                break;
            }
            if (got_local < local_block.size()) break;
        }
    }
    return differing;
}

}  // namespace brim
