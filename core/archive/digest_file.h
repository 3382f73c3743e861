#pragma once
// The digest file beside an archive set (core/archive/digest_format.h):
// for every run, the SHA-256 of each stored file's plain data and, for
// enciphered runs, of the bytes the set holds, so that rotted data is found
// without the password.
//
// Blocks are matched to the set's runs by the run's backup time, file count
// and data length, in order: a block no counted run matches (a run that
// died before it was counted, a run removed since) is never applied, and a
// run without a block (written before digests, or by another program)
// simply has none.
#include <array>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "basekit/types.h"
#include "core/archive/digest_format.h"
#include "core/archive/set_layout.h"

namespace brim::archive {

using Digest = std::array<std::uint8_t, digest_size>;

struct FileDigest {
    DigestKind kind = DigestKind::none;
    Digest plain{};
    Digest stored{};
};

struct RunDigests {
    std::int64_t backup_time = 0;
    std::uint32_t file_count = 0;
    std::uint64_t data_length = 0;
    std::vector<FileDigest> files;  // catalogue order (one per file of the run)

    // Whether this block was written for `run`.
    bool belongs_to(const RunHeader& run) const;
};

struct DigestFileContents {
    bool found = false;         // a file that reads as a digest file (header sound)
    std::vector<RunDigests> runs;
    std::vector<std::uint64_t> block_ends;  // where each block of `runs` ends
    bool tail_damaged = false;  // bytes after the last sound block
    std::uint64_t sound_end = 0;  // where the last sound block (or the header) ends
    Digest chain{};               // the chain digest there
};

// The digest file of the set whose main archive is `main_path`.
bk::String digest_path(bk::StringView main_path);

// Reads a digest file, block by block; the blocks' entries are kept only
// `with_entries` (a writer needs the runs and where each block ends). A file
// that is missing or whose header does not read gives found = false; a
// damaged block ends the read (tail_damaged). Throws IOException when an
// existing file cannot be read.
DigestFileContents read_digest_file(bk::StringView path, bool with_entries = true);

// For each run of `runs`, its block in `contents`, or null.
std::vector<const RunDigests*> match_digests(const DigestFileContents& contents, const std::vector<RunLayout>& runs);

// Makes the digest file hold exactly the blocks of `runs` that have one:
// blocks of runs that no longer count are cut off (only a tail: the file is
// cut short; otherwise it is written anew beside and renamed over). A file
// that does not read as a digest file is removed. Throws IOException.
void reconcile_digest_file(bk::StringView path, const std::vector<RunLayout>& runs);

// Appends the block of one run and puts the file on the disk; creates the
// file (with its header) when there is none. A damaged tail is cut off
// first. Throws IOException.
void append_digests(bk::StringView path, const RunDigests& run);

// What a reader of a set knows of its digests.
struct SetDigests {
    SetDigests() = default;
    SetDigests(SetDigests&&) = default;
    SetDigests& operator=(SetDigests&&) = default;
    SetDigests(const SetDigests&) = delete;  // by_run points into contents

    DigestFileContents contents;
    std::vector<const RunDigests*> by_run;  // per run of the layout, or null
    bool unreadable = false;                // the digest file is there but cannot be read

    // The digests of the files of run `index` (read with its catalogue), by item.
    std::unordered_map<const DataHeader*, FileDigest> of_run(const SetLayout& layout, std::size_t index) const;
};

// The digests of the set `layout` describes (beside its main archive).
// Never throws: a digest file that cannot be read gives no digests.
SetDigests read_set_digests(const SetLayout& layout);

}  // namespace brim::archive
