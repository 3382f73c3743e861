#include "core/archive/set_layout.h"

#include <algorithm>

#include "basekit/buffered_stream.h"
#include "basekit/convertion.h"
#include "basekit/data_stream.h"
#include "basekit/exception.h"
#include "basekit/file_stream.h"
#include "basekit/path.h"
#include "basekit/system_file.h"
#include "core/archive/catalogue.h"
#include "core/archive/set_names.h"

namespace brim::archive {
namespace {

constexpr std::uint32_t read_buffer_size = 64 * 1024;

// A file of the set opened for reading at any offset.
class SetFileReader {
public:
    explicit SetFileReader(const bk::String& path)
        : file_(path, bk::FileShare::ReadWrite), size_(static_cast<std::uint64_t>(file_.available())) {}

    std::uint64_t size() const { return size_; }

    bk::DataInputStream& at(std::uint64_t offset) {
        data_.reset();
        buffered_.reset();
        file_.seek(static_cast<std::int64_t>(offset), bk::SeekOrigin::Begin);
        buffered_ = std::make_unique<bk::BufferedInputStream>(&file_, read_buffer_size, false, false);
        data_ = std::make_unique<bk::DataInputStream>(buffered_.get(), false);
        position_ = offset;
        return *data_;
    }

    // The offset the last `at` stream has reached.
    std::uint64_t position() { return size_ - static_cast<std::uint64_t>(data_->available()); }

    std::vector<std::uint8_t> tail(std::uint64_t length) {
        length = std::min(length, size_);
        std::vector<std::uint8_t> bytes(static_cast<std::size_t>(length));
        file_.seek(static_cast<std::int64_t>(size_ - length), bk::SeekOrigin::Begin);
        std::size_t got = 0;
        while (got < bytes.size()) {
            const int n = file_.read(bytes.data() + got, static_cast<int>(bytes.size() - got));
            if (n <= 0) throw bk::EOFException();
            got += static_cast<std::size_t>(n);
        }
        return bytes;
    }

private:
    bk::FileInputStream file_;
    std::uint64_t size_;
    std::uint64_t position_ = 0;
    std::unique_ptr<bk::BufferedInputStream> buffered_;
    std::unique_ptr<bk::DataInputStream> data_;
};

// A path that cannot be a file (a name too long for the file system, as
// the bytes before a trailer may read) is no file either.
bool exists(const bk::String& path) {
    try {
        return bk::SystemFile::is_file(path);
    } catch (const bk::Exception&) {
        return false;
    }
}


bool has_next_file(std::uint32_t span) { return span == static_cast<std::uint32_t>(Span::first) ||
                                                 span == static_cast<std::uint32_t>(Span::continued); }

struct Walk {
    bool has_copy_root;
    bool read_catalogues;
    LayoutResult& result;
    std::uint64_t remaining_data = 0;  // of a run spanning into the next file
};

// Reads the continued data at the start of the file at `index` (from `pos`
// on) and the `headers` runs after it.
bool walk_runs(Walk& walk, SetFileReader& reader, std::size_t index, std::uint64_t pos, std::uint32_t headers) {
    SetLayout& layout = walk.result.layout;
    SetFileLayout& file = layout.files[index];
    const bool has_next = has_next_file(file.file_header.span);
    const std::uint64_t limit = has_next ? file.trailer_offset : file.size;
    const ArchiveFormat& format = *layout.format;

    if (walk.remaining_data > 0) {
        if (layout.runs.empty()) return false;
        const std::uint64_t take = has_next ? std::min(walk.remaining_data, limit - std::min(pos, limit))
                                            : walk.remaining_data;
        if (!has_next && pos + take > file.size) return false;
        layout.runs.back().data.push_back({index, pos, take});
        pos += take;
        walk.remaining_data -= take;
    }
    for (std::uint32_t r = 0; r < headers; ++r) {
        if (walk.remaining_data > 0) return false;  // only the last run of a file may span
        RunLayout run;
        run.file = index;
        run.header_offset = pos;
        bk::DataInputStream& in = reader.at(pos);
        run.header = format.read_run_header(in, walk.has_copy_root);
        run.catalogue_offset = pos + 4 + format.run_header_rest_size(run.header);
        const std::uint64_t catalogue_end = pos + 4 + run.header.size;
        if (run.header.size < format.run_header_rest_size(run.header) || catalogue_end > limit) return false;
        if (walk.read_catalogues) {
            run.root = read_catalogue(format, in, run.header.directory_count, run.header.file_count);
            if (reader.position() != catalogue_end) return false;
        }
        pos = catalogue_end;
        const std::uint64_t data_length = walk.has_copy_root ? 0 : run.header.data_length;
        const std::uint64_t take = has_next ? std::min(data_length, limit - pos) : data_length;
        if (pos + take > limit) return false;
        run.data.push_back({index, pos, take});
        pos += take;
        walk.remaining_data = data_length - take;
        layout.runs.push_back(std::move(run));
    }
    file.run_count = headers;
    file.runs_end = pos;
    if (has_next) {
        file.trailer_sound = pos == file.trailer_offset;
    } else {
        file.trailer_offset = pos;
        bool zeros = file.size == pos + trailer_size;
        if (zeros) {
            const auto tail = reader.tail(trailer_size);
            zeros = std::all_of(tail.begin(), tail.end(), [](std::uint8_t b) { return b == 0; });
        }
        file.trailer_sound = zeros;
    }
    return true;
}

// Reads the file at `index` from `pos` on, working out how many run headers
// its stored count stands for (see read_set_layout).
bool walk_file(Walk& walk, SetFileReader& reader, std::size_t index, std::uint64_t pos) {
    SetLayout& layout = walk.result.layout;
    SetFileLayout& file = layout.files[index];
    file.continues_run = index > 0 && walk.remaining_data > 0;
    const std::uint32_t stored = file.run_count;
    if (!file.continues_run || stored == 0) return walk_runs(walk, reader, index, pos, stored);

    const std::size_t runs_before = layout.runs.size();
    const std::uint64_t remaining = walk.remaining_data;
    const SetFileLayout before = file;
    struct Reading {
        std::uint32_t headers;
        bool must_be_sound;
    };
    const Reading readings[] = {{stored - 1, true}, {stored, true}, {stored, false}, {stored - 1, false}};
    for (const Reading& reading : readings) {
        layout.runs.resize(runs_before);
        walk.remaining_data = remaining;
        file = before;
        bool read = false;
        try {
            read = walk_runs(walk, reader, index, pos, reading.headers);
        } catch (const bk::Exception&) {
            read = false;
        }
        if (read && (file.trailer_sound || !reading.must_be_sound)) return true;
    }
    return false;
}

LayoutError check_file_header(const FileHeader& header, std::uint32_t program_major) {
    if (header.magic != magic || header.span >= span_limit) return LayoutError::damaged;
    if (header.version != format_version_2 && program_major < header.version / 65536) return LayoutError::newer_version;
    return LayoutError::none;
}

}  // namespace

bool SetLayout::is_complete() const {
    return !files.empty() && std::all_of(files.begin(), files.end(), [](const SetFileLayout& f) { return f.trailer_sound; });
}

std::optional<bk::String> read_trailer_name(bk::StringView path, std::uint64_t size, const ArchiveFormat& format,
                                            bool allow_missing) {
    SetFileReader reader{bk::String(path)};
    const std::uint32_t unit = format.is_unicode() ? 2 : 1;
    const std::uint64_t longest = std::min<std::uint64_t>(size, 2 + 0xFFFFull * unit);
    const std::vector<std::uint8_t> tail = reader.tail(longest);
    const bk::String directory = bk::Path::directory_name(path);
    std::optional<bk::String> shortest;
    for (std::uint64_t count = 1; 2 + count * unit <= tail.size(); ++count) {
        const std::size_t at = tail.size() - 2 - static_cast<std::size_t>(count * unit);
        if (static_cast<std::uint64_t>((tail[at] << 8) | tail[at + 1]) != count) continue;
        bk::String name;
        if (unit == 2) {
            for (std::size_t i = at + 2; i < tail.size(); i += 2)
                name.push_back(static_cast<char16_t>(tail[i] | (tail[i + 1] << 8)));
        } else {
            name = bk::from_ansi(std::string(tail.begin() + static_cast<std::ptrdiff_t>(at) + 2, tail.end()));
        }
        if (!is_volume_name(name)) continue;
        if (exists(bk::Path::combine(directory, name))) return name;
        if (!shortest) shortest = std::move(name);
    }
    return allow_missing ? shortest : std::nullopt;
}

LayoutResult read_set_layout(bk::StringView main_path, bool has_copy_root, bool read_catalogues,
                             std::uint32_t program_major, const VolumeLocator& locate_volume) {
    LayoutResult result;
    SetLayout& layout = result.layout;
    const bk::String main(main_path);
    if (!exists(main)) {
        result.error = LayoutError::no_file;
        return result;
    }
    try {
        auto reader = std::make_unique<SetFileReader>(main);
        if (reader->size() == 0) {
            result.error = LayoutError::empty_file;
            return result;
        }
        SetFileLayout first;
        first.path = main;
        first.size = reader->size();
        bk::DataInputStream& in = reader->at(0);
        first.file_header = ArchiveFormat::read_file_header(in);
        if ((result.error = check_file_header(first.file_header, program_major)) != LayoutError::none) return result;
        layout.format = ArchiveFormat::for_version(first.file_header.version);
        layout.security = layout.format->read_security_header(in);
        first.run_count = layout.security.run_count;
        const std::uint64_t runs_start = reader->position();
        layout.files.push_back(std::move(first));

        Walk walk{has_copy_root, read_catalogues, result};
        std::uint64_t pos = runs_start;
        for (std::size_t index = 0;; ++index) {
            SetFileLayout& file = layout.files[index];
            std::optional<bk::String> next;
            if (has_next_file(file.file_header.span)) {
                next = read_trailer_name(file.path, file.size, *layout.format, true);
                if (!next) {
                    result.error = LayoutError::damaged;
                    return result;
                }
                file.trailer_offset = file.size - layout.format->string_size(*next);
            }
            if (!walk_file(walk, *reader, index, pos)) {
                result.error = LayoutError::damaged;
                return result;
            }
            if (!next) break;

            SetFileLayout volume;
            volume.path = bk::Path::combine(bk::Path::directory_name(file.path), *next);
            for (const auto& seen : layout.files)
                if (seen.path == volume.path) {
                    result.error = LayoutError::damaged;  // a chain that loops
                    return result;
                }
            // Closed before the next file is looked for: a locator that
            // fetches volumes may take this one away meanwhile.
            reader.reset();
            while (!exists(volume.path)) {
                bk::String asked = volume.path;
                if (!locate_volume || !locate_volume(asked)) {
                    result.error = LayoutError::missing_volume;
                    result.missing_volume = volume.path;
                    return result;
                }
                volume.path = std::move(asked);
            }
            reader = std::make_unique<SetFileReader>(volume.path);
            volume.size = reader->size();
            bk::DataInputStream& vin = reader->at(0);
            volume.file_header = ArchiveFormat::read_file_header(vin);
            if ((result.error = check_file_header(volume.file_header, program_major)) != LayoutError::none) return result;
            if (volume.file_header.span < static_cast<std::uint32_t>(Span::continued)) {
                result.error = LayoutError::damaged;
                return result;
            }
            volume.link = layout.format->read_volume_link(vin);
            if (volume.link->own_name != bk::Path::file_name(volume.path)) {
                result.error = LayoutError::wrong_volume;
                return result;
            }
            volume.run_count = volume.link->run_count;
            pos = reader->position();
            layout.files.push_back(std::move(volume));
        }
    } catch (const bk::Exception&) {
        result.error = LayoutError::damaged;
    }
    return result;
}

}  // namespace brim::archive
