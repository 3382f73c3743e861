#pragma once
// Reads a run's data area, wherever its extents lie across the files of the
// set: offsets count from the start of the area.
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "basekit/file_stream.h"
#include "core/archive/set_layout.h"

namespace brim::archive {

class RunDataReader final {
public:
    // Opens a file of the set for reading at any offset.
    using FileOpener = std::function<std::unique_ptr<bk::InputStream>(const SetFileLayout& file)>;

    // Without `open`, each file is read from its path.
    RunDataReader(const SetLayout& layout, const RunLayout& run, FileOpener open = {});
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
    bk::InputStream& file(std::size_t index);

    const SetLayout& layout_;
    FileOpener opener_;
    std::vector<Extent> extents_;
    std::uint64_t length_ = 0;
    std::size_t open_index_ = static_cast<std::size_t>(-1);
    std::unique_ptr<bk::InputStream> open_;
};

}  // namespace brim::archive
