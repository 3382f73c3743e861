// The copy routine of the kinds that keep their files as ordinary files, and
// the verification of those copies.
#include <algorithm>
#include <functional>
#include <iterator>
#include <string>
#include <optional>
#include <unordered_set>
#include <vector>

#include "basekit/convertion.h"
#include "basekit/error_code.h"
#include "basekit/file_stream.h"
#include "basekit/path.h"
#include "basekit/platform/os_file.h"
#include "basekit/platform/os_fs.h"
#include "basekit/system_file.h"
#include "basekit/text_format.h"
#include "core/engine/backup_session.h"
#include "core/engine/item_source.h"
#include "core/media/ftp_messages.h"
#include "core/media/ftp_path.h"
#include "core/media/ftp_retry.h"
#include "core/media/ftp_tree.h"

namespace brim {
namespace {

constexpr std::uint32_t msg_unable_to_copy = 140;
constexpr std::uint32_t msg_contents_differ = 141;
constexpr std::uint32_t msg_unable_to_verify_run = 209;

constexpr std::size_t copy_block = 16384;
// Progress goes out once per this many full blocks, then the rest.
constexpr std::uint32_t blocks_per_report = 1000;
constexpr std::size_t verify_block = 65536;
constexpr std::uint32_t permission_bits = 07777;
constexpr char16_t partial_suffix[] = u"~~part";

std::int32_t code_of(const bk::Exception& error) {
    const auto* io = dynamic_cast<const bk::IOException*>(&error);
    return io != nullptr ? io->error_code() : 0;
}

[[noreturn]] void throw_error(std::int32_t code, const bk::String& path) {
    throw bk::IOException(bk::system_error(u"", code), code, path);
}

bool exists_as_entry(const bk::String& path) { return bk::os::status(path).kind != bk::os::EntryKind::none; }

// Creates a new entry at `path` with `create`; one left there by a crash is
// removed and the creation tried again (cheaper than removing first: there
// is almost never one).
template <typename Create>
auto create_fresh(const bk::String& path, Create create) {
    try {
        return create();
    } catch (const bk::IOException& failure) {
        if (failure.error_code() != bk::error::already_exists && failure.error_code() != bk::error::file_exists) throw;
    }
    bk::os::remove_file(path);
    return create();
}

// The temporary name a copy is written under beside its target: the
// target's name + "~~part", or for a name too long to take the suffix a
// short one made from its hash, so that every name a target can have can be
// copied. The name is the same at every run, so a crash's left-over is found.
bk::String partial_path(const bk::String& target) {
    const bk::String name = bk::Path::file_name(target);
    constexpr std::size_t suffix_bytes = std::size(partial_suffix) - 1;
    if (bk::to_native_path(name).size() + suffix_bytes <= bk::os::name_bytes_limit) return target + partial_suffix;
    const std::string hash = std::to_string(std::hash<bk::String>{}(name));
    return bk::Path::combine(bk::Path::directory_name(target), bk::from_ansi(hash) + partial_suffix);
}

// Removes the temporary file of a copy unless it was renamed into place.
class PartialFile final {
public:
    explicit PartialFile(bk::String path) : path_(std::move(path)) {}
    ~PartialFile() {
        if (path_.empty()) return;
        try {
            bk::os::remove_file(path_);
        } catch (const bk::Exception&) {
            // Nothing more can be done; the name shows what it was.
        }
    }
    PartialFile(const PartialFile&) = delete;
    PartialFile& operator=(const PartialFile&) = delete;
    const bk::String& path() const { return path_; }
    void commit_to(const bk::String& target) {
        bk::os::rename_entry(path_, target);
        path_.clear();
    }

private:
    bk::String path_;
};

enum class SystemCopy { done, unsupported, stopped };

// Copies the rest of `in` to `out` inside the system, without passing the
// bytes through this process, and reports progress as the block loop does
// (every `blocks_per_report` full blocks, then the full blocks and the rest
// of the last step); unsupported (nothing copied) when the two are not local
// files the system can copy between.
template <typename Stopped, typename Report>
SystemCopy copy_in_system(bk::InputStream& in, bk::OutputStream& out, Stopped stopped, Report report) {
    auto* from = dynamic_cast<bk::FileInputStream*>(&in);
    auto* to = dynamic_cast<bk::FileOutputStream*>(&out);
    if (from == nullptr || to == nullptr) return SystemCopy::unsupported;
    constexpr std::size_t step = copy_block * blocks_per_report;
    bool started = false;
    for (;;) {
        if (stopped()) return SystemCopy::stopped;
        std::size_t done = 0;
        while (done < step) {
            const std::optional<std::size_t> copied = bk::os::copy_range(
                from->get_file_handle(), to->get_handle(), step - done, from->get_file_name(), to->get_file_name());
            // Some file systems answer 0 at once for files that have bytes.
            if (!started && (!copied || (*copied == 0 && from->available() > 0))) return SystemCopy::unsupported;
            if (!copied)
                throw bk::IOException(bk::system_error(u"", bk::error::not_supported), bk::error::not_supported,
                                      to->get_file_name());
            started = true;
            if (*copied == 0) break;
            done += *copied;
        }
        const std::size_t full = done / copy_block * copy_block;
        if (full > 0) report(static_cast<std::uint32_t>(full));
        if (done < step) {
            if (done > full) report(static_cast<std::uint32_t>(done - full));
            return SystemCopy::done;
        }
    }
}

// The source's mode, then its times: the times last, as anything else would
// change them. Through `handle` when the copy is still open there (after
// its last write), which spares looking its path up again.
void apply_metadata(const DataHeader& item, const bk::String& path, bool is_link,
                    bk::os::Handle handle = bk::os::invalid_handle) {
    const bool open = handle != bk::os::invalid_handle;
    if (!is_link) {
        const std::uint32_t mode = item.posix_mode & permission_bits;
        if (item.posix_mode != 0 && open)
            bk::os::set_mode(handle, mode, path);
        else if (item.posix_mode != 0)
            bk::os::set_mode(path, mode);
        else if (item.attributes != bk::file_attribute::not_found && (item.attributes & bk::file_attribute::readonly) != 0)
            bk::os::set_owner_writable(path, false);
    }
    if (item.modified == 0 && item.accessed == 0) return;
    const auto accessed = item.accessed != 0 ? std::optional(item.accessed) : std::nullopt;
    const auto modified = item.modified != 0 ? std::optional(item.modified) : std::nullopt;
    if (open)
        bk::os::set_times(handle, accessed, modified, path);
    else
        bk::os::set_times(path, accessed, modified);
}

// The handle of a copy written to a local file; none for other streams.
bk::os::Handle handle_of(bk::OutputStream& out) {
    auto* file = dynamic_cast<bk::FileOutputStream*>(&out);
    return file != nullptr ? file->get_handle() : bk::os::invalid_handle;
}

}  // namespace

bool BackupSession::copy_blocks(bk::InputStream& in, bk::OutputStream& out, archive::DigestPipe::File* hash) {
    std::vector<std::uint8_t> block(copy_block);
    std::uint32_t full_blocks = 0;
    for (;;) {
        if (has_stopped()) return false;
        const std::size_t got = bk::read_up_to(in, block.data(), block.size());
        if (got == 0) break;
        out.write(block.data(), static_cast<std::uint32_t>(got));
        if (hash != nullptr) hash->add(block.data(), got);
        if (got < block.size()) {
            if (full_blocks > 0) fire_on_size(full_blocks * static_cast<std::uint32_t>(copy_block));
            full_blocks = 0;
            fire_on_size(static_cast<std::uint32_t>(got));
            break;
        }
        if (++full_blocks == blocks_per_report) {
            fire_on_size(blocks_per_report * static_cast<std::uint32_t>(copy_block));
            full_blocks = 0;
        }
    }
    if (full_blocks > 0) fire_on_size(full_blocks * static_cast<std::uint32_t>(copy_block));
    return true;
}

TakenDigests BackupSession::CopyDigests::collect() { return {order, pipe.take()}; }

BackupSession::CopyOutcome BackupSession::copy_file(const DataHeader& item, const bk::String& target, bool overwrite,
                                                    CopyDigests* digests) {
    if (is_ftp_path(target)) return upload_file(item, target, overwrite, digests);
    const bk::String source = item.full_path();
    try {
        const bool link = !item.is_ftp() && is_link_item(item);
        // Writing over an existing file is the rename's work, which replaces
        // a read-only file too: only a copy that must not overwrite looks.
        if (!overwrite && exists_as_entry(target)) throw_error(bk::error::file_exists, target);
        fire_on_file(source, 0);
        PartialFile partial(partial_path(target));
        if (link) {
            const bk::String link_target = bk::os::read_link(source);
            create_fresh(partial.path(), [&] {
                bk::os::make_symlink(link_target, partial.path());
                return true;
            });
            apply_metadata(item, partial.path(), true);
        } else {
            std::unique_ptr<bk::InputStream> in = open_item(item);
            const unsigned permissions = item.posix_mode != 0 ? 0600 : 0666;
            std::unique_ptr<bk::OutputStream> out =
                create_fresh(partial.path(), [&]() -> std::unique_ptr<bk::OutputStream> {
                    if (target_opener_) return target_opener_(partial.path(), permissions);
                    return std::make_unique<bk::FileOutputStream>(partial.path(), bk::FileMode::CreateNew,
                                                                  bk::FileShare::None, permissions);
                });
            const SystemCopy in_system =
                digests != nullptr ? SystemCopy::unsupported
                                   : copy_in_system(
                                         *in, *out, [this] { return has_stopped(); },
                                         [this](std::uint32_t bytes) { fire_on_size(bytes); });
            if (digests != nullptr) digests->order.push_back(&item);
            archive::DigestPipe::File hash(digests != nullptr ? &digests->pipe : nullptr, false);
            if (in_system == SystemCopy::stopped) return CopyOutcome::stopped;
            if (in_system == SystemCopy::unsupported && !copy_blocks(*in, *out, &hash)) return CopyOutcome::stopped;
            const bk::os::Handle handle = handle_of(*out);
            if (handle != bk::os::invalid_handle) apply_metadata(item, partial.path(), false, handle);
            out->close();
            hash.finish(false);
            if (handle == bk::os::invalid_handle) apply_metadata(item, partial.path(), false);
        }
        partial.commit_to(target);
        item_written(item, item.size);
        return CopyOutcome::copied;
    } catch (const bk::Exception& failure) {
        if (code_of(failure) == bk::error::disk_full) throw;
        warning(bk::format_text(message(msg_unable_to_copy), {source, failure.message()}));
        return CopyOutcome::failed;
    }
}

bool BackupSession::make_directory(const bk::String& path) {
    if (is_ftp_path(path)) {
        FtpConnection& connection = get_ftp_connection(path);
        run_with_ftp_retry(&retry_policy(), connection, ftp_message::cannot_create_directory,
                           [&] { make_ftp_directories(connection, path); });
        return false;
    }
    for (std::uint32_t attempts = 0;; ++attempts) {
        try {
            bk::Directory directory(path);
            if (directory.exists()) return false;
            directory.create();
            return true;
        } catch (const bk::Exception& failure) {
            if (!retry_after(failure, attempts)) throw;
        }
    }
}

void BackupSession::copy_tree(const DataHeader& directory, const CopyDecision& decide, bool overwrite,
                              CopiedFiles& copied, CopyDigests* digests) {
    for (const auto& sub : directory.directories()) {
        if (has_stopped()) return;
        try {
            if (make_directory(sub->target_path)) made_folders_.insert(sub.get());
        } catch (const bk::Exception& failure) {
            // A folder that cannot be made (a path past the system's limit, a
            // name the destination refuses) costs its own files, not the run;
            // a full disk still ends the run.
            if (code_of(failure) == bk::error::disk_full) throw;
            warning(bk::format_text(message(msg_unable_to_copy), {sub->full_path(), failure.message()}));
            continue;
        }
        fire_backup_dir(sub->full_path());
        copy_tree(*sub, decide, overwrite, copied, digests);
        if (sub->attributes == bk::file_attribute::not_found || sub->is_ftp()) continue;
        try {
            apply_metadata(*sub, sub->target_path, false);
        } catch (const bk::Exception&) {
            // A folder that keeps the copier's mode or times loses nothing.
        }
    }
    for (const auto& file : directory.files()) {
        if (has_stopped()) return;
        if (!decide(*file)) continue;
        const CopyOutcome outcome = copy_file(*file, file->target_path, overwrite, digests);
        if (outcome == CopyOutcome::copied) copied.insert(file.get());
        if (outcome == CopyOutcome::stopped) return;
    }
}

namespace {

// Walks the copies below a directory: subdirectories first, then files.
class CopyVerifier {
public:
    using SourceOpener = std::function<std::unique_ptr<bk::InputStream>(const DataHeader&)>;
    using CopyOpener = std::function<std::unique_ptr<bk::InputStream>(const bk::String&)>;
    using DifferenceReport = std::function<void(const DataHeader&)>;

    CopyVerifier(BackupSession& session, std::unordered_set<const DataHeader*>& copied, SourceOpener open_source,
                 CopyOpener open_copy, DifferenceReport report)
        : session_(session), copied_(copied), open_source_(std::move(open_source)), open_copy_(std::move(open_copy)),
          report_(std::move(report)),
          source_(verify_block), copy_(verify_block) {}

    void directory(const DataHeader& directory) {
        for (const auto& sub : directory.directories()) {
            if (session_.has_stopped()) return;
            this->directory(*sub);
        }
        for (const auto& item : directory.files()) {
            if (session_.has_stopped()) return;
            if (copied_.count(item.get()) != 0 && !file(*item)) different_.push_back(item.get());
        }
    }

    const std::vector<const DataHeader*>& different() const { return different_; }

private:
    // False when the copy differs.
    bool file(const DataHeader& item) {
        const bk::String source = item.full_path();
        session_.fire_verify_file(source);
        if (!item.is_ftp() && !exists_as_entry(source)) throw_error(bk::error::file_not_found, source);
        if (!item.is_ftp() && is_link_item(item)) {
            if (bk::os::read_link(source) == bk::os::read_link(item.target_path)) return true;
            report_(item);
            return false;
        }
        auto in = open_source_(item);
        auto copy = open_copy_(item.target_path);
        bool same = true;
        for (;;) {
            if (session_.has_stopped()) return same;
            const std::size_t got_source = bk::read_up_to(*in, source_.data(), source_.size());
            const std::size_t got_copy = bk::read_up_to(*copy, copy_.data(), copy_.size());
            if (got_source == 0 && got_copy == 0) break;
            if (got_source != got_copy || !std::equal(source_.begin(), source_.begin() + got_source, copy_.begin())) {
                report_(item);
                same = false;
            }
            if (got_source < source_.size() && got_copy < copy_.size()) break;
        }
        return same;
    }

    BackupSession& session_;
    std::unordered_set<const DataHeader*>& copied_;
    SourceOpener open_source_;
    CopyOpener open_copy_;
    DifferenceReport report_;
    std::vector<std::uint8_t> source_, copy_;
    std::vector<const DataHeader*> different_;
};

}  // namespace

void BackupSession::verify_copies(const DataHeader& root, CopiedFiles& copied) {
    CopyVerifier verifier(
        *this, copied, [this](const DataHeader& item) { return open_item(item); },
        [this](const bk::String& path) { return open_copy(path); },
        [this](const DataHeader& item) {
            warning(bk::format_text(message(msg_contents_differ), {item.target_path, item.full_path()}));
        });
    try {
        verifier.directory(root);
    } catch (const bk::Exception& failure) {
        warning(bk::format_text(message(msg_unable_to_verify_run), {failure.message()}));
    }
    for (const DataHeader* item : verifier.different()) copied.erase(item);
}

}  // namespace brim
