#include "core/archive/set_writer.h"

#include <algorithm>

#include "basekit/platform/os_faults.h"
#include "basekit/date.h"
#include "basekit/memory_stream.h"
#include "basekit/path.h"
#include "basekit/platform/os_fs.h"
#include "basekit/system_file.h"
#include "core/archive/catalogue.h"
#include "core/archive/set_names.h"

namespace brim::archive {
namespace {

template <typename Write>
std::vector<std::uint8_t> encode(Write&& write) {
    bk::MemoryOutputStream sink;
    bk::DataOutputStream out(&sink, false);
    write(out);
    out.flush();
    return sink.bytes();
}

std::vector<std::uint8_t> be32(std::uint32_t v) {
    return {static_cast<std::uint8_t>(v >> 24), static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 8),
            static_cast<std::uint8_t>(v)};
}

std::vector<std::uint8_t> be64(std::uint64_t v) {
    auto bytes = be32(static_cast<std::uint32_t>(v >> 32));
    const auto low = be32(static_cast<std::uint32_t>(v));
    bytes.insert(bytes.end(), low.begin(), low.end());
    return bytes;
}

}  // namespace

SetWriter::SetWriter(bk::String main_path, SetWriterSettings settings)
    : main_path_(std::move(main_path)), settings_(settings) {
    layout_ = read_set_layout(main_path_, settings_.has_copy_root, false, settings_.program_major);
    switch (layout_.error) {
        case LayoutError::none: state_ = State::opened; break;
        case LayoutError::no_file:
        case LayoutError::empty_file: state_ = State::no_set; break;
        case LayoutError::newer_version: state_ = State::newer_version; break;
        default: state_ = State::damaged; break;
    }
}

SetWriter::~SetWriter() = default;

std::uint32_t SetWriter::run_count() const {
    if (state_ != State::opened) return 0;
    std::uint32_t count = 0;
    for (const auto& file : layout_.layout.files) count += file.run_count;
    return count;
}

std::vector<bk::String> SetWriter::files() const {
    std::vector<bk::String> paths;
    if (state_ == State::opened)
        for (const auto& file : layout_.layout.files) paths.push_back(file.path);
    return paths;
}

std::uint64_t SetWriter::room_for(std::uint64_t written, std::uint64_t estimate) const {
    const std::uint64_t used = estimate + written + room_reserve;
    return settings_.segment_limit > used ? settings_.segment_limit - used : 0;
}

SetWriter::OpenFile& SetWriter::create_volume(VolumeRole role) {
    const bk::String path = reserve_volume_path(main_path_, bk::Date());
    OpenFile file;
    file.writer = SetFileWriter::create(path, settings_.buffer_size);
    file.path = path;
    file.is_new = true;
    file.layout_index = open_.empty() ? 0 : open_.back().layout_index + 1;
    file.writer->write(encode([&](auto& out) { format_->write_file_header(out, static_cast<std::uint32_t>(Span::last)); }));
    // A volume counts the run it is made for from the start; a volume of
    // continued data keeps that count, one that holds the run header gets
    // it again when the run is counted.
    const VolumeLink link{1, role, 0, bk::Path::file_name(main_path_), bk::Path::file_name(path)};
    file.writer->write(encode([&](auto& out) { format_->write_volume_link(out, link); }));
    file.data_start = file.writer->size();
    open_.push_back(std::move(file));
    return open_.back();
}

void SetWriter::remove_oldest_volume_run(const std::function<void(const bk::String&)>& announce) {
    if (state_ != State::opened) return;
    const auto& files = layout_.layout.files;
    std::size_t first = 1;
    while (first < files.size() && !(files[first].link && files[first].link->role == VolumeRole::new_run)) ++first;
    if (first >= files.size()) return;
    std::size_t end = first + 1;
    while (end < files.size() && files[end].link && files[end].link->role == VolumeRole::continuation) ++end;

    // Relink first, so a crash leaves unlinked volumes rather than a broken chain.
    format_ = ArchiveFormat::for_version(layout_.layout.format->version());
    const SetFileLayout& previous = files[first - 1];
    const bk::String next = end < files.size() ? bk::Path::file_name(files[end].path) : bk::String();
    if (settings_.before_rewrite) settings_.before_rewrite(previous.path);
    {
        auto writer = SetFileWriter::open_at(previous.path, previous.runs_end, settings_.buffer_size);
        writer->write(encode([&](auto& out) { format_->write_trailer(out, next); }));
        writer->sync();
        const bool is_main = first - 1 == 0;
        const Span span = is_main ? (next.empty() ? Span::complete : Span::first) : (next.empty() ? Span::last : Span::continued);
        const auto span_bytes = be32(static_cast<std::uint32_t>(span));
        writer->patch(offset_span, span_bytes.data(), span_bytes.size());
        writer->sync();
    }
    std::vector<bk::String> doomed;
    for (std::size_t i = first; i < end; ++i) doomed.push_back(files[i].path);
    for (const auto& path : doomed) {
        announce(path);
        bk::File(path).remove();
    }
    layout_ = read_set_layout(main_path_, settings_.has_copy_root, false, settings_.program_major);
    state_ = layout_.error == LayoutError::none ? State::opened : State::damaged;
}

SetFileWriter& SetWriter::open_continuation(std::uint64_t& room) {
    open_.back().data_end = open_.back().writer->size();
    create_volume(VolumeRole::continuation);
    hand_over(open_.size() - 2);
    OpenFile& volume = open_.back();
    const std::uint64_t used = volume.writer->size() + volume_room_reserve;
    room = settings_.segment_limit > used ? settings_.segment_limit - used : 0;
    return *volume.writer;
}

void SetWriter::hand_over(std::size_t index) {
    OpenFile& file = open_[index];
    if (!settings_.file_final || file.is_main || !file.writer) return;
    write_trailer(file, bk::Path::file_name(open_[index + 1].path));
    write_span(file, true);
    // Counted now: the taker keeps the file aside until the run is done.
    if (index == header_index_) write_run_count(file, run_count_of_header_file());
    file.writer->sync();
    file.writer->close();
    file.writer.reset();
    settings_.file_final(file.path, run_data_of(file));
}

std::vector<ByteRange> SetWriter::run_data_of(const OpenFile& file) const {
    std::vector<ByteRange> data;
    if (!file.is_new)
        for (const RunLayout& run : layout_.layout.runs)
            for (const DataExtent& extent : run.data)
                if (extent.file == file.layout_index && extent.length > 0)
                    data.push_back({extent.offset, extent.length});
    if (file.data_end > file.data_start) data.push_back({file.data_start, file.data_end - file.data_start});
    return data;
}

std::uint32_t SetWriter::run_count_of_header_file() const {
    // A volume that begins with a run's continued data counts that run too.
    std::uint32_t count = 1;
    if (!open_[header_index_].is_new) {
        const SetFileLayout& file = layout_.layout.files[open_[header_index_].layout_index];
        count += file.run_count + (file.continues_run ? 1 : 0);
    }
    return count;
}

void SetWriter::write_run_count(OpenFile& file, std::uint32_t count) {
    const auto count_bytes = be32(count);
    file.writer->patch(offset_run_count, count_bytes.data(), count_bytes.size());
}

void SetWriter::write_trailer(OpenFile& file, const bk::String& next) {
    SetFileWriter& writer = *file.writer;
    if (writer.size() != file.data_end) writer.truncate(file.data_end);
    writer.write(encode([&](auto& out) { format_->write_trailer(out, next); }));
    writer.sync();
}

void SetWriter::write_span(OpenFile& file, bool has_next) {
    Span span;
    if (file.is_main) span = has_next ? Span::first : Span::complete;
    else span = has_next ? Span::continued : Span::last;
    const auto span_bytes = be32(static_cast<std::uint32_t>(span));
    file.writer->patch(offset_span, span_bytes.data(), span_bytes.size());
}

void SetWriter::begin_run(const SecurityHeader& security, RunHeader run, DataHeader& root, bool own_volume) {
    security_ = &security;
    root_ = &root;
    open_.clear();
    incomplete_ = false;
    digests_.clear();
    digests_written_ = false;
    // The digest file holds the blocks of the runs that count, and nothing
    // of a set that is no longer there.
    const bk::String digests = digest_path(main_path_);
    if (state_ == State::opened) reconcile_digest_file(digests, layout_.layout.runs);
    else bk::os::remove_file(digests);
    format_ = ArchiveFormat::for_version(state_ == State::opened ? layout_.layout.format->version() : format_version_2);

    std::uint64_t total_data = 0;
    const CipherId cipher = run.cipher;
    for_each_file(root, [&](DataHeader& file) {
        file.stored_size = static_cast<std::int64_t>(settings_.has_copy_root ? 0 : stored_size(cipher, file.size));
        file.data_flag = data_valid;
        file.status = DataStatus::complete;
        total_data += static_cast<std::uint64_t>(file.stored_size) + 2 * marker_size;
    });
    run.data_length = settings_.has_copy_root ? 0 : total_data;
    const std::uint64_t estimate = run.directory_count * estimate_per_directory +
                                   run.file_count * estimate_per_file + estimate_base;

    if (state_ != State::opened) {
        OpenFile main;
        main.writer = SetFileWriter::create(main_path_, settings_.buffer_size);
        main.path = main_path_;
        main.is_new = main.is_main = true;
        main.writer->write(encode([&](auto& out) {
            format_->write_file_header(out, static_cast<std::uint32_t>(Span::complete));
            SecurityHeader counted_later = security;
            counted_later.run_count = 0;
            format_->write_security_header(out, counted_later);
        }));
        open_.push_back(std::move(main));
    } else {
        const SetFileLayout& last = layout_.layout.files.back();
        if (settings_.before_rewrite) settings_.before_rewrite(last.path);
        OpenFile previous;
        previous.writer = SetFileWriter::open_at(last.path, last.runs_end, settings_.buffer_size);
        previous.path = last.path;
        previous.data_start = last.runs_end;
        previous.layout_index = layout_.layout.files.size() - 1;
        previous.is_main = previous.layout_index == 0;
        previous.data_end = last.runs_end;
        open_.push_back(std::move(previous));
        if (own_volume || last.runs_end + estimate >= settings_.segment_limit) create_volume(VolumeRole::new_run);
    }

    header_index_ = open_.size() - 1;
    // The file appended to before is done with when the run has a volume
    // of its own: only its trailer now leads there.
    if (header_index_ > 0) hand_over(header_index_ - 1);
    OpenFile& target = open_.back();
    const std::vector<std::uint8_t> catalogue = encode([&](auto& out) { write_catalogue(*format_, out, root); });
    run.size = format_->run_header_rest_size(run) + static_cast<std::uint32_t>(catalogue.size());
    run_ = run;
    run_header_offset_ = target.writer->size();
    target.writer->write(encode([&](auto& out) { format_->write_run_header(out, run_); }));
    catalogue_offset_ = target.writer->size();
    catalogue_size_ = static_cast<std::uint32_t>(catalogue.size());
    target.writer->write(catalogue);
    target.data_start = target.data_end = target.writer->size();

    const std::uint64_t room = room_for(run_header_offset_, estimate);
    room_ = total_data < room ? std::nullopt : std::optional<std::uint64_t>(room);
}

void SetWriter::write_data(RunContext& context, DataCipher* cipher) {
    // The writer hands the system a whole write buffer at a time.
    DigestPipe digests(DigestPipe::large_batches, settings_.buffer_size + DigestPipe::default_queue);
    DataWriter writer(*open_[header_index_].writer, context, cipher, room_, this, &digests);
    bool stopped = false;
    for_each_file(*root_, [&](DataHeader& file) {
        if (!stopped && context.has_stopped()) stopped = true;
        if (stopped) {
            file.stored_size = 0;
            file.data_flag = data_unusable;
            file.status = DataStatus::nothing_written;
            incomplete_ = true;
            digests.end_file(false, false);
            return;
        }
        if (!writer.write_file(file)) incomplete_ = true;
        bk::os::crash_point(u"set-file-written");
    });
    data_length_ = writer.data_length();
    digests_ = digests.take();
    open_.back().data_end = open_.back().writer->size();
}

void SetWriter::repair_catalogue() {
    // The run header and the catalogue say what really went in: the data
    // length, each partial file's stored size, no data for failed files.
    // Every patched field has a fixed size, so the catalogue keeps its length.
    OpenFile& file = open_[header_index_];
    // A file handed over is taken back for it, and handed over again.
    const bool handed_over = !file.writer;
    if (handed_over) {
        if (settings_.before_rewrite) settings_.before_rewrite(file.path);
        file.writer = SetFileWriter::open_at(file.path, bk::File(file.path).length(), settings_.buffer_size);
    }
    SetFileWriter& writer = *file.writer;
    run_.data_length = data_length_;
    const auto length = be64(data_length_);
    writer.patch(run_header_offset_ + offset_run_data_length, length.data(), length.size());
    const auto catalogue = encode([&](auto& out) { write_catalogue(*format_, out, *root_); });
    writer.patch(catalogue_offset_, catalogue.data(), catalogue.size());
    if (handed_over) {
        writer.sync();
        file.writer->close();
        file.writer.reset();
        settings_.file_final(file.path, run_data_of(file));
    }
}

void SetWriter::write_trailers() {
    for (std::size_t i = 0; i < open_.size(); ++i) {
        if (!open_[i].writer) continue;  // handed over, finished already
        if (open_[i].writer->size() != open_[i].data_end) open_[i].writer->truncate(open_[i].data_end);
        bk::os::crash_point(u"set-trailer");
        write_trailer(open_[i], i + 1 < open_.size() ? bk::Path::file_name(open_[i + 1].path) : bk::String());
    }
}

void SetWriter::count_run() {
    // Written only once everything above is on the disk: the run count of
    // the file that holds the run header, and the span word of every file
    // that now continues in a next one.
    // A file handed over was counted then.
    if (open_[header_index_].writer) write_run_count(open_[header_index_], run_count_of_header_file());
    for (std::size_t i = 0; i < open_.size(); ++i)
        if (open_[i].writer) write_span(open_[i], i + 1 < open_.size());
    for (auto& file : open_)
        if (file.writer) file.writer->sync();
}

void SetWriter::write_digests() {
    RunDigests block;
    block.backup_time = run_.backup_time;
    block.file_count = run_.file_count;
    block.data_length = run_.data_length;
    block.files = std::move(digests_);
    // A run whose files were not all seen (the catalogue counts more than
    // were visited) gets no digest for the rest.
    block.files.resize(run_.file_count);
    // Set first: a block that fails half-way is taken back too.
    digests_written_ = true;
    append_digests(digest_path(main_path_), block);
}

void SetWriter::abandon_run() {
    if (digests_written_) {
        try {
            if (state_ == State::opened) reconcile_digest_file(digest_path(main_path_), layout_.layout.runs);
            else bk::os::remove_file(digest_path(main_path_));
        } catch (const bk::Exception&) {
            // A block of an uncounted run is never applied; the next run cuts it.
        }
    }
    for (auto& file : open_) {
        try {
            if (file.is_new) {
                file.writer.reset();
                bk::os::remove_file(file.path);
            } else {
                // The set's last file: only the bytes past its last run and
                // the trailer they replaced need mending, and its span word
                // when it was handed over with a next file.
                const std::uint64_t runs_end = layout_.layout.files[file.layout_index].runs_end;
                const bool handed_over = !file.writer;
                if (handed_over) file.writer = SetFileWriter::open_at(file.path, runs_end, settings_.buffer_size);
                file.writer->truncate(runs_end);
                file.writer->write(encode([&](auto& out) { format_->write_trailer(out, bk::String()); }));
                if (handed_over) {
                    write_span(file, false);
                    if (&file == &open_[header_index_]) write_run_count(file, run_count_of_header_file() - 1);
                }
                file.writer->sync();
                file.writer->close();
            }
        } catch (const bk::Exception&) {
            // Left for the next opening for writing, which cuts it back.
        }
    }
    open_.clear();
}

void SetWriter::finish_run() {
    if (incomplete_ || data_length_ != run_.data_length) repair_catalogue();
    write_trailers();
    bk::os::crash_point(u"set-data-synced");
    write_digests();
    bk::os::crash_point(u"set-digests-synced");
    count_run();
    bk::os::crash_point(u"set-counted");
    for (auto& file : open_)
        if (file.writer) file.writer->close();
    open_.clear();
}

}  // namespace brim::archive
