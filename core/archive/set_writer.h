#pragma once
// Writes runs into a job's archive set: a new set, or runs appended to an
// existing one, with continuation volumes when a file of the set would pass
// its size limit.
//
// A run is made durable before it is counted: its headers, catalogue, data
// and trailers are written and put on the disk first, and only then are the
// run count and span words of the set rewritten. A set whose last run never
// got that far still reads as the runs before it; opening it for writing
// cuts it back to the end of its last complete run and writes the trailer
// again before anything else is written.
//
// Beside the set, its digest file (digest_file.h) gets each run's file
// digests, on the disk before the run is counted; opening for writing cuts
// it back to the runs that count.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "basekit/types.h"
#include "core/archive/data_writer.h"
#include "core/archive/digest_file.h"
#include "core/archive/set_layout.h"

namespace brim::archive {

// Bytes of a file of the set.
struct ByteRange {
    std::uint64_t offset = 0;
    std::uint64_t length = 0;
};

struct SetWriterSettings {
    std::uint64_t segment_limit = default_segment_limit;  // largest size of one file of the set
    std::size_t buffer_size = 4 * 1024 * 1024;              // write buffer of each file
    bool has_copy_root = false;                             // the copy kinds
    std::uint32_t program_major = 1;
    // Told before a file of the set that exists already is opened for
    // writing (the file a run appends to, the file the chain is relinked
    // in): whoever keeps the set elsewhere makes the file whole there.
    std::function<void(const bk::String& path)> before_rewrite;
    // When set, a file of the set other than the main archive that the run
    // is done with before the run ends is finished at once and handed over:
    // a volume as the run goes on into the next one, the set's last file as
    // the run starts a volume of its own. It ends with its trailer and span
    // word, and counts the run when it holds the run header: the taker
    // keeps it aside until the run is done, as the crash safety above
    // cannot hold for it. `data` are its bytes of run data. It is written
    // again only when the run's catalogue must be mended (files that failed
    // or shrank): made whole first (before_rewrite), then handed over again.
    // Without it every file is finished as the run is (see the top of this
    // header).
    std::function<void(const bk::String& path, const std::vector<ByteRange>& data)> file_final;
};

class SetWriter final : private VolumeSource {
public:
    enum class State { no_set = 8, opened = 1, damaged = 3, newer_version = 5 };

    // Looks at the set at `main_path` (which need not exist).
    SetWriter(bk::String main_path, SetWriterSettings settings);
    ~SetWriter() override;
    SetWriter(const SetWriter&) = delete;
    SetWriter& operator=(const SetWriter&) = delete;

    State state() const { return state_; }
    // Runs in every file of the chain.
    std::uint32_t run_count() const;
    const SetLayout* layout() const { return state_ == State::opened ? &layout_.layout : nullptr; }
    // The files of the set, main archive first.
    std::vector<bk::String> files() const;

    // For sets that give each run a volume of its own: removes the oldest
    // run held in such a volume (a volume of role new_run and the
    // continuation volumes after it), relinking the chain around it first.
    // `announce` hears of each file before it is deleted. Nothing happens
    // when no run has a volume of its own.
    void remove_oldest_volume_run(const std::function<void(const bk::String&)>& announce);

    // Starts a run: creates the set with `security` when there is none,
    // otherwise appends (in a volume of its own when `own_volume`). Writes
    // the run header and the catalogue of `root`, whose files' stored sizes
    // are set here from the cipher. Throws IOException.
    void begin_run(const SecurityHeader& security, RunHeader run, DataHeader& root, bool own_volume);
    // Writes the files' data in catalogue order; stops early when the
    // context says so. Files not written are marked as holding no data.
    void write_data(RunContext& context, DataCipher* cipher);
    // The copy kinds, whose data is not in the set: the digests of the
    // run's files in catalogue order, taken while they were copied. Called
    // between begin_run and finish_run.
    void set_digests(std::vector<FileDigest> digests) { digests_ = std::move(digests); }
    // Repairs the catalogue when files were incomplete, writes the trailers
    // and the run's block of the digest file, puts everything on the disk,
    // then counts the run.
    void finish_run();

    // Takes back a run that failed between begin_run and finish_run: files
    // it created are removed, and the file it appended to is cut back to
    // its last complete run with its trailer written again, so the set is
    // as it was before the run (a set it created is gone). Never throws;
    // what it cannot undo is undone by the next opening for writing.
    void abandon_run();

    // Whether any file of the last run was incomplete (or not written).
    bool had_incomplete_files() const { return incomplete_; }
    std::uint64_t data_length() const { return data_length_; }

private:
    struct OpenFile {
        std::unique_ptr<SetFileWriter> writer;  // none once the file was handed over
        bk::String path;
        std::size_t layout_index = 0;   // its place in the chain
        std::uint64_t data_end = 0;     // where this file's part of the run ends
        bool is_new = false;
        bool is_main = false;
        std::uint64_t data_start = 0;   // where this run's data begins in it
    };

    SetFileWriter& open_continuation(std::uint64_t& room) override;
    OpenFile& create_volume(VolumeRole role);
    // Finishes the open file at `index`, which the run continues after, and
    // hands it over (settings' file_final), when it may be.
    void hand_over(std::size_t index);
    void write_trailer(OpenFile& file, const bk::String& next);
    void write_span(OpenFile& file, bool has_next);
    void write_run_count(OpenFile& file, std::uint32_t count);
    // The run count of the file holding the run header, this run counted.
    std::uint32_t run_count_of_header_file() const;
    // The bytes of run data `file` holds, earlier runs' included.
    std::vector<ByteRange> run_data_of(const OpenFile& file) const;
    void repair_catalogue();
    void write_trailers();
    void count_run();
    void write_digests();
    std::uint64_t room_for(std::uint64_t written, std::uint64_t estimate) const;

    bk::String main_path_;
    SetWriterSettings settings_;
    State state_ = State::no_set;
    LayoutResult layout_;
    const SecurityHeader* security_ = nullptr;
    std::vector<OpenFile> open_;   // files touched by the current run, in chain order
    DataHeader* root_ = nullptr;
    RunHeader run_;
    std::size_t header_index_ = 0;  // the open file holding the run header
    std::uint64_t run_header_offset_ = 0;
    std::uint64_t catalogue_offset_ = 0;
    std::uint32_t catalogue_size_ = 0;
    std::optional<std::uint64_t> room_;
    std::uint64_t data_length_ = 0;
    bool incomplete_ = false;
    std::vector<FileDigest> digests_;  // the run's files, catalogue order
    bool digests_written_ = false;
    std::unique_ptr<ArchiveFormat> format_;
};

}  // namespace brim::archive
