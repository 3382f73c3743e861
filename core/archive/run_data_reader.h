#pragma once
// Reads a run's data area, wherever its extents lie across the files of the
// set: offsets count from the start of the area.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "basekit/file_stream.h"
#include "core/archive/set_layout.h"

namespace brim::archive {

// The files of a set as the readers of its data open them: one at a time,
// shared by every reader made with it. A file that is not where the layout
// says is asked of `locate` first (a set kept on an FTP server fetches the
// volume then, in place of the one it fetched before); the file open until
// then is closed before that.
class SetFiles final {
public:
    // Opens a file of the set for reading at any offset, in place of its
    // path (a volume sent to an FTP server while its run writes).
    using FileOpener = std::function<std::unique_ptr<bk::InputStream>(const SetFileLayout& file)>;

    explicit SetFiles(const SetLayout& layout, VolumeLocator locate = {});
    // Every file through `open`.
    SetFiles(const SetLayout& layout, FileOpener open);
    SetFiles(const SetFiles&) = delete;
    SetFiles& operator=(const SetFiles&) = delete;

    // The file at `index` of the layout, open for reading. Throws
    // IOException when it cannot be opened (EOFException when the locator
    // gave it up), and what the locator or the opener throws.
    bk::InputStream& open(std::size_t index);

private:
    std::unique_ptr<bk::InputStream> open_file(std::size_t index);

    const SetLayout& layout_;
    VolumeLocator locate_;
    FileOpener opener_;
    std::map<std::size_t, bk::String> moved_;  // where the locator found a file elsewhere, by index
    std::size_t open_index_ = static_cast<std::size_t>(-1);
    std::unique_ptr<bk::InputStream> open_;
};

class RunDataReader final {
public:
    using FileOpener = SetFiles::FileOpener;

    // Without `open`, each file is read from its path.
    RunDataReader(const SetLayout& layout, const RunLayout& run, FileOpener open = {});
    // Reads through `files`, which must outlive the reader.
    RunDataReader(SetFiles& files, const RunLayout& run);
    RunDataReader(const RunDataReader&) = delete;
    RunDataReader& operator=(const RunDataReader&) = delete;

    std::uint64_t length() const { return length_; }
    // Reads exactly `size` bytes at `offset`; EOFException when the area, or
    // a file of the set, ends first.
    void read(std::uint64_t offset, std::uint8_t* buffer, std::size_t size);

private:
    struct Extent {
        DataExtent where;
        std::uint64_t start;  // within the area
    };
    // Small reads (a file's markers, the data of a small file) are served
    // from a block read ahead within one extent, so a walk over small files
    // costs a seek and a read per block, not per read. Whole chunks go
    // straight to the file; the block never reaches into the next file of
    // the set, which on a server would fetch that volume early.
    static constexpr std::size_t read_ahead = 256 * 1024;
    static constexpr std::size_t small_read = 65536;

    explicit RunDataReader(const RunLayout& run);
    const Extent& extent_at(std::uint64_t offset) const;
    // Seeks in the extent's file; returns the bytes left in the extent.
    std::uint64_t seek_to(const Extent& extent, std::uint64_t offset, bk::InputStream*& in);
    void read_through(std::uint64_t offset, std::uint8_t* buffer, std::size_t size);
    // Reads ahead from `offset`; EOFException when not one byte is there.
    void fill(std::uint64_t offset);

    std::unique_ptr<SetFiles> own_files_;
    SetFiles* files_ = nullptr;
    std::vector<Extent> extents_;
    std::uint64_t length_ = 0;
    std::vector<std::uint8_t> ahead_;
    std::uint64_t ahead_start_ = 0;
};

}  // namespace brim::archive
