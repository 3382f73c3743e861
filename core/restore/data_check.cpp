#include "core/restore/data_check.h"

#include <algorithm>
#include <random>

#include "basekit/exception.h"
#include "basekit/file_stream.h"
#include "basekit/path.h"
#include "basekit/platform/os_fs.h"
#include "core/archive/catalogue.h"
#include "core/archive/digest_file.h"
#include "core/archive/run_data_reader.h"
#include "core/backup_exception.h"
#include "core/restore/copy_location.h"
#include "core/security/sha256.h"

namespace brim::restore {
namespace {

constexpr std::size_t read_block = 1 << 20;

class Checker {
public:
    Checker(const OpenedSet& set, BackupKind kind, const DataCheckOptions& options)
        : set_(set), kind_(kind), options_(options), buffer_(read_block), random_(std::random_device{}()) {}

    DataCheckReport run() {
        const archive::SetDigests digests = archive::read_set_digests(set_.layout);
        const auto& runs = set_.layout.runs;
        if (digests.contents.tail_damaged && !runs.empty() && digests.by_run.back() == nullptr)
            report_.digests_damaged_after = static_cast<std::uint32_t>(digests.contents.runs.size());
        for (std::size_t i = 0; i < runs.size() && !report_.stopped; ++i) {
            if (!runs[i].root) continue;
            const auto by_item = digests.of_run(set_.layout, i);
            std::unique_ptr<archive::RunDataReader> reader;
            if (!runs[i].header.has_copy_root) reader = data_reader(set_, runs[i]);
            archive::for_each_file(*runs[i].root, [&](const DataHeader& item) {
                if (report_.stopped || !stored_whole(item, runs[i].header)) return;
                const auto found = by_item.find(&item);
                if (found == by_item.end() || !comparable(runs[i].header, found->second)) {
                    ++report_.without_digest;
                    return;
                }
                if (!drawn()) return;
                std::optional<bk::String> copy;
                if (!reader) {
                    copy = copy_of(item, runs[i].header);
                    // A copy a later merge_copy run replaced is not this run's to judge.
                    if (copy && bk::os::status(*copy).kind == bk::os::EntryKind::regular && !is_recorded_copy(item, *copy)) {
                        ++report_.without_digest;
                        return;
                    }
                }
                if (options_.on_file) options_.on_file(item.full_path());
                const bool sound = reader ? stored_matches(item, runs[i].header, *reader, found->second)
                                          : copy_matches(copy, found->second);
                if (report_.stopped) return;
                ++report_.checked;
                if (!sound) report_.damaged.push_back({item.full_path(), i, runs[i].header.backup_time});
            });
        }
        return report_;
    }

private:
    static bool stored_whole(const DataHeader& item, const archive::RunHeader& run) {
        return run.has_copy_root || item.data_flag == archive::data_valid;
    }

    // An enciphered run is compared by the digest of its stored bytes.
    static bool comparable(const archive::RunHeader& run, const archive::FileDigest& digest) {
        if (run.has_copy_root || run.cipher == CipherId::none) return digest.kind != archive::DigestKind::none;
        return digest.kind == archive::DigestKind::plain_and_stored;
    }

    bool drawn() {
        if (options_.percent >= 100) return true;
        return std::uniform_int_distribution<std::uint32_t>(0, 99)(random_) < options_.percent;
    }

    bool stopping() {
        if (!report_.stopped && options_.stopped && options_.stopped()) report_.stopped = true;
        return report_.stopped;
    }

    // Hashes what `read` gives (up to the block size per call, 0 at the end).
    template <typename Read>
    std::optional<archive::Digest> hash_all(Read&& read) {
        Sha256 hash;
        try {
            for (std::size_t got; (got = read(buffer_.data(), buffer_.size())) > 0;) {
                if (stopping()) return std::nullopt;
                hash.update(buffer_.data(), got);
            }
        } catch (const BackupException&) {
            throw;  // a part of the set that could not be fetched: nothing is known of the data
        } catch (const bk::Exception&) {
            // What cannot be read is as damaged as what reads wrong, unless
            // the check was stopped while a volume was fetched for it.
            stopping();
            return std::nullopt;
        }
        return hash.final();
    }

    bool stored_matches(const DataHeader& item, const archive::RunHeader& run, archive::RunDataReader& reader,
                        const archive::FileDigest& digest) {
        const bool enciphered = run.cipher != CipherId::none;
        const auto total = static_cast<std::uint64_t>(item.stored_size);
        std::uint64_t done = 0;
        const auto hashed = hash_all([&](std::uint8_t* into, std::size_t room) -> std::size_t {
            const auto take = static_cast<std::size_t>(std::min<std::uint64_t>(room, total - done));
            if (take > 0) reader.read(item.data_offset + archive::marker_size + done, into, take);
            done += take;
            return take;
        });
        return hashed && *hashed == (enciphered ? digest.stored : digest.plain);
    }

    std::optional<bk::String> copy_of(const DataHeader& item, const archive::RunHeader& run) const {
        return copy_location(item, kind_, bk::Path::directory_name(set_.layout.files.front().path), run.copy_root);
    }

    // A copy that is missing or cannot be read counts as damaged.
    bool copy_matches(const std::optional<bk::String>& copy, const archive::FileDigest& digest) {
        if (!copy) return false;
        std::unique_ptr<bk::FileInputStream> in;
        try {
            in = std::make_unique<bk::FileInputStream>(*copy);
        } catch (const bk::Exception&) {
            return false;
        }
        const auto hashed = hash_all([&](std::uint8_t* into, std::size_t room) { return bk::read_up_to(*in, into, room); });
        return hashed && *hashed == digest.plain;
    }

    const OpenedSet& set_;
    BackupKind kind_;
    const DataCheckOptions& options_;
    std::vector<std::uint8_t> buffer_;
    std::mt19937 random_;
    DataCheckReport report_;
};

}  // namespace

DataCheckReport check_set_data(const OpenedSet& set, BackupKind kind, const DataCheckOptions& options) {
    return Checker(set, kind, options).run();
}

}  // namespace brim::restore
