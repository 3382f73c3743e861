#include "core/archive/digest_file.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "basekit/exception.h"
#include "basekit/file_ops.h"
#include "basekit/file_stream.h"
#include "basekit/path.h"
#include "basekit/platform/os_fs.h"
#include "core/archive/catalogue.h"
#include "core/archive/set_file_writer.h"
#include "core/security/sha256.h"

namespace brim::archive {
namespace {

constexpr std::size_t write_buffer = 1 << 20;

void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(v >> shift));
}

void put64(std::vector<std::uint8_t>& out, std::uint64_t v) {
    put32(out, static_cast<std::uint32_t>(v >> 32));
    put32(out, static_cast<std::uint32_t>(v));
}

void put_digest(std::vector<std::uint8_t>& out, const Digest& digest) {
    out.insert(out.end(), digest.begin(), digest.end());
}

// Reads big-endian fields from a byte range; every read checks the end.
class Cursor {
public:
    Cursor(const std::uint8_t* bytes, std::size_t size) : bytes_(bytes), size_(size) {}
    bool has(std::size_t n) const { return size_ - at_ >= n; }
    std::uint64_t take(std::size_t n) {
        std::uint64_t v = 0;
        for (std::size_t i = 0; i < n; ++i) v = (v << 8) | bytes_[at_ + i];
        at_ += n;
        return v;
    }
    void take_digest(Digest& digest) {
        std::memcpy(digest.data(), bytes_ + at_, digest.size());
        at_ += digest.size();
    }
    std::size_t at() const { return at_; }

private:
    const std::uint8_t* bytes_;
    std::size_t size_;
    std::size_t at_ = 0;
};

Digest chained(const Digest& previous, const std::uint8_t* block, std::size_t size) {
    Sha256 hash;
    hash.update(previous.data(), previous.size());
    hash.update(block, size);
    return hash.final();
}

std::vector<std::uint8_t> encode_header() {
    std::vector<std::uint8_t> out;
    put32(out, digest_magic);
    put32(out, digest_version);
    put32(out, digest_header_size);
    put32(out, 0);
    put_digest(out, sha256(out.data(), out.size()));
    return out;
}

// The block of `run` chained to `previous`; `chain` receives its digest.
std::vector<std::uint8_t> encode_block(const RunDigests& run, const Digest& previous, Digest& chain) {
    std::vector<std::uint8_t> body;
    put64(body, static_cast<std::uint64_t>(run.backup_time));
    put32(body, run.file_count);
    put64(body, run.data_length);
    put32(body, static_cast<std::uint32_t>(run.files.size()));
    for (const FileDigest& file : run.files) {
        body.push_back(static_cast<std::uint8_t>(file.kind));
        if (file.kind != DigestKind::none) put_digest(body, file.plain);
        if (file.kind == DigestKind::plain_and_stored) put_digest(body, file.stored);
    }
    std::vector<std::uint8_t> block;
    put32(block, static_cast<std::uint32_t>(body.size()));
    block.insert(block.end(), body.begin(), body.end());
    chain = chained(previous, block.data(), block.size());
    put_digest(block, chain);
    return block;
}

// Reads a block's body; its entries are kept only `with_entries`.
bool decode_body(Cursor& in, RunDigests& run, bool with_entries) {
    run.backup_time = static_cast<std::int64_t>(in.take(8));
    run.file_count = static_cast<std::uint32_t>(in.take(4));
    run.data_length = in.take(8);
    const auto entries = static_cast<std::uint32_t>(in.take(4));
    if (entries != run.file_count) return false;
    for (std::uint32_t i = 0; i < entries; ++i) {
        if (!in.has(1)) return false;
        FileDigest file;
        const auto kind = static_cast<std::uint8_t>(in.take(1));
        if (kind > static_cast<std::uint8_t>(DigestKind::plain_and_stored)) return false;
        file.kind = static_cast<DigestKind>(kind);
        if (file.kind != DigestKind::none) {
            if (!in.has(digest_size)) return false;
            in.take_digest(file.plain);
        }
        if (file.kind == DigestKind::plain_and_stored) {
            if (!in.has(digest_size)) return false;
            in.take_digest(file.stored);
        }
        if (with_entries) run.files.push_back(file);
    }
    return true;
}

bool exists(bk::StringView path) { return bk::os::status(path).kind != bk::os::EntryKind::none; }

}  // namespace

bool RunDigests::belongs_to(const RunHeader& run) const {
    return backup_time == run.backup_time && file_count == run.file_count && data_length == run.data_length;
}

bk::String digest_path(bk::StringView main_path) { return bk::String(main_path) + digest_suffix; }

DigestFileContents read_digest_file(bk::StringView path, bool with_entries) {
    DigestFileContents contents;
    if (!exists(path)) return contents;
    // Read block by block: the file grows with every run, and a writer
    // needs no more than the blocks' runs and ends.
    const std::uint64_t size = bk::os::status(path).size;
    bk::FileInputStream in(path);
    std::vector<std::uint8_t> bytes(digest_header_size);
    if (bk::read_up_to(in, bytes.data(), bytes.size()) != bytes.size()) return contents;
    Cursor header(bytes.data(), bytes.size());
    if (header.take(4) != digest_magic || header.take(4) != digest_version || header.take(4) != digest_header_size)
        return contents;
    header.take(4);
    header.take_digest(contents.chain);
    if (contents.chain != sha256(bytes.data(), 16)) return contents;
    contents.found = true;
    std::uint64_t at = digest_header_size;
    while (at + 4 <= size) {
        bytes.resize(4);
        if (bk::read_up_to(in, bytes.data(), 4) != 4) break;
        const std::uint64_t length = Cursor(bytes.data(), 4).take(4);
        if (length < digest_block_fixed || at + 4 + length + digest_size > size) break;
        bytes.resize(static_cast<std::size_t>(4 + length + digest_size));
        if (bk::read_up_to(in, bytes.data() + 4, bytes.size() - 4) != bytes.size() - 4) break;
        Cursor body(bytes.data() + 4, static_cast<std::size_t>(length));
        RunDigests run;
        if (!decode_body(body, run, with_entries) || body.at() != length) break;
        const Digest chain = chained(contents.chain, bytes.data(), static_cast<std::size_t>(4 + length));
        if (std::memcmp(chain.data(), bytes.data() + 4 + length, digest_size) != 0) break;
        contents.chain = chain;
        contents.runs.push_back(std::move(run));
        at += 4 + length + digest_size;
        contents.block_ends.push_back(at);
    }
    contents.sound_end = at;
    contents.tail_damaged = at < size;
    return contents;
}

std::vector<const RunDigests*> match_digests(const DigestFileContents& contents, const std::vector<RunLayout>& runs) {
    std::vector<const RunDigests*> matched(runs.size(), nullptr);
    std::size_t next = 0;
    for (std::size_t i = 0; i < runs.size(); ++i) {
        for (std::size_t j = next; j < contents.runs.size(); ++j) {
            if (contents.runs[j].belongs_to(runs[i].header)) {
                matched[i] = &contents.runs[j];
                next = j + 1;
                break;
            }
        }
    }
    return matched;
}

void reconcile_digest_file(bk::StringView path, const std::vector<RunLayout>& runs) {
    if (!exists(path)) return;
    DigestFileContents contents = read_digest_file(path, false);
    if (!contents.found) {
        bk::os::remove_file(path);
        return;
    }
    std::vector<const RunDigests*> kept;
    for (const RunDigests* run : match_digests(contents, runs))
        if (run != nullptr) kept.push_back(run);
    // The blocks kept are a leading part of the file when each is the block
    // at its own place.
    bool leading = true;
    for (std::size_t i = 0; i < kept.size(); ++i) leading = leading && kept[i] == &contents.runs[i];
    if (leading && kept.size() == contents.runs.size() && !contents.tail_damaged) return;
    if (leading) {
        const std::uint64_t end = kept.empty() ? digest_header_size : contents.block_ends[kept.size() - 1];
        auto writer = SetFileWriter::open_at(path, end, write_buffer);
        writer->sync();
        writer->close();
        return;
    }
    // Rare (the oldest runs went): the blocks kept are read whole and chained anew.
    contents = read_digest_file(path, true);
    kept.clear();
    for (const RunDigests* run : match_digests(contents, runs))
        if (run != nullptr) kept.push_back(run);
    bk::ReplacingFileWriter rewrite(path);
    std::vector<std::uint8_t> bytes = encode_header();
    Digest chain;
    std::copy(bytes.end() - digest_size, bytes.end(), chain.begin());
    for (const RunDigests* run : kept) {
        const auto block = encode_block(*run, chain, chain);
        bytes.insert(bytes.end(), block.begin(), block.end());
    }
    rewrite.stream().write(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
    rewrite.commit();
}

void append_digests(bk::StringView path, const RunDigests& run) {
    const DigestFileContents contents = read_digest_file(path, false);
    std::unique_ptr<SetFileWriter> writer;
    Digest chain = contents.chain;
    if (contents.found) {
        writer = SetFileWriter::open_at(path, contents.sound_end, write_buffer);
    } else {
        writer = SetFileWriter::create(path, write_buffer);
        const auto header = encode_header();
        std::copy(header.end() - digest_size, header.end(), chain.begin());
        writer->write(header);
    }
    writer->write(encode_block(run, chain, chain));
    writer->sync();
    writer->close();
    if (!contents.found) bk::os::sync_directory(bk::Path::directory_name(path));
}

std::unordered_map<const DataHeader*, FileDigest> SetDigests::of_run(const SetLayout& layout, std::size_t index) const {
    std::unordered_map<const DataHeader*, FileDigest> found;
    if (index >= by_run.size() || by_run[index] == nullptr || !layout.runs[index].root) return found;
    const std::vector<FileDigest>& files = by_run[index]->files;
    std::size_t at = 0;
    for_each_file(*layout.runs[index].root, [&](const DataHeader& item) {
        if (at < files.size() && files[at].kind != DigestKind::none) found[&item] = files[at];
        ++at;
    });
    return found;
}

SetDigests read_set_digests(const SetLayout& layout) {
    SetDigests digests;
    if (layout.files.empty()) return digests;
    try {
        digests.contents = read_digest_file(digest_path(layout.files.front().path));
    } catch (const bk::Exception&) {
        digests.unreadable = true;
    }
    digests.by_run = match_digests(digests.contents, layout.runs);
    return digests;
}

}  // namespace brim::archive
