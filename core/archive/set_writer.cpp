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
    file.is_new = true;
    file.layout_index = open_.empty() ? 0 : open_.back().layout_index + 1;
    file.writer->write(encode([&](auto& out) { format_->write_file_header(out, static_cast<std::uint32_t>(Span::last)); }));
    // A volume counts the run it is made for from the start; a volume of
    // continued data keeps that count, one that holds the run header gets
    // it again when the run is counted.
    const VolumeLink link{1, role, 0, bk::Path::file_name(main_path_), bk::Path::file_name(path)};
    file.writer->write(encode([&](auto& out) { format_->write_volume_link(out, link); }));
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
    OpenFile& volume = create_volume(VolumeRole::continuation);
    const std::uint64_t used = volume.writer->size() + volume_room_reserve;
    room = settings_.segment_limit > used ? settings_.segment_limit - used : 0;
    return *volume.writer;
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
        OpenFile previous;
        previous.writer = SetFileWriter::open_at(last.path, last.runs_end, settings_.buffer_size);
        previous.layout_index = layout_.layout.files.size() - 1;
        previous.is_main = previous.layout_index == 0;
        previous.data_end = last.runs_end;
        open_.push_back(std::move(previous));
        if (own_volume || last.runs_end + estimate >= settings_.segment_limit) create_volume(VolumeRole::new_run);
    }

    header_index_ = open_.size() - 1;
    OpenFile& target = open_.back();
    const std::vector<std::uint8_t> catalogue = encode([&](auto& out) { write_catalogue(*format_, out, root); });
    run.size = format_->run_header_rest_size(run) + static_cast<std::uint32_t>(catalogue.size());
    run_ = run;
    run_header_offset_ = target.writer->size();
    target.writer->write(encode([&](auto& out) { format_->write_run_header(out, run_); }));
    catalogue_offset_ = target.writer->size();
    catalogue_size_ = static_cast<std::uint32_t>(catalogue.size());
    target.writer->write(catalogue);
    target.data_end = target.writer->size();

    const std::uint64_t room = room_for(run_header_offset_, estimate);
    room_ = total_data < room ? std::nullopt : std::optional<std::uint64_t>(room);
}

void SetWriter::write_data(RunContext& context, DataCipher* cipher) {
    DigestPipe digests;
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
    SetFileWriter& writer = *open_[header_index_].writer;
    run_.data_length = data_length_;
    const auto length = be64(data_length_);
    writer.patch(run_header_offset_ + offset_run_data_length, length.data(), length.size());
    const auto catalogue = encode([&](auto& out) { write_catalogue(*format_, out, *root_); });
    writer.patch(catalogue_offset_, catalogue.data(), catalogue.size());
}

void SetWriter::write_trailers() {
    for (std::size_t i = 0; i < open_.size(); ++i) {
        SetFileWriter& writer = *open_[i].writer;
        if (writer.size() != open_[i].data_end) writer.truncate(open_[i].data_end);
        bk::os::crash_point(u"set-trailer");
        const bk::String next = i + 1 < open_.size() ? bk::Path::file_name(open_[i + 1].writer->path()) : bk::String();
        writer.write(encode([&](auto& out) { format_->write_trailer(out, next); }));
        writer.sync();
    }
}

void SetWriter::count_run() {
    // Written only once everything above is on the disk: the run count of
    // the file that holds the run header, and the span word of every file
    // that now continues in a next one.
    SetFileWriter& header_file = *open_[header_index_].writer;
    // A volume that begins with a run's continued data counts that run too.
    std::uint32_t count = 1;
    if (!open_[header_index_].is_new) {
        const SetFileLayout& file = layout_.layout.files[open_[header_index_].layout_index];
        count += file.run_count + (file.continues_run ? 1 : 0);
    }
    const auto count_bytes = be32(count);
    header_file.patch(offset_run_count, count_bytes.data(), count_bytes.size());
    for (std::size_t i = 0; i < open_.size(); ++i) {
        const bool has_next = i + 1 < open_.size();
        Span span;
        if (open_[i].is_main) span = has_next ? Span::first : Span::complete;
        else span = has_next ? Span::continued : Span::last;
        const auto span_bytes = be32(static_cast<std::uint32_t>(span));
        open_[i].writer->patch(offset_span, span_bytes.data(), span_bytes.size());
    }
    for (auto& file : open_) file.writer->sync();
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
                const bk::String path = file.writer->path();
                file.writer.reset();
                bk::os::remove_file(path);
            } else {
                // The set's last file, whose header words were never
                // rewritten: only the bytes past its last run and the
                // trailer they replaced need mending.
                file.writer->truncate(layout_.layout.files[file.layout_index].runs_end);
                file.writer->write(encode([&](auto& out) { format_->write_trailer(out, bk::String()); }));
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
    for (auto& file : open_) file.writer->close();
    open_.clear();
}

}  // namespace brim::archive
