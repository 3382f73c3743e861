#include "core/archive/run_data_reader.h"

#include <algorithm>

#include "basekit/exception.h"

namespace brim::archive {

RunDataReader::RunDataReader(const SetLayout& layout, const RunLayout& run, FileOpener open)
    : layout_(layout), opener_(std::move(open)) {
    for (const auto& extent : run.data) {
        extents_.push_back({extent, length_});
        length_ += extent.length;
    }
}

bk::InputStream& RunDataReader::file(std::size_t index) {
    if (index != open_index_) {
        open_.reset();
        if (opener_) open_ = opener_(layout_.files[index]);
        else open_ = std::make_unique<bk::FileInputStream>(layout_.files[index].path, bk::FileShare::ReadWrite);
        open_index_ = index;
    }
    return *open_;
}

void RunDataReader::read(std::uint64_t offset, std::uint8_t* buffer, std::size_t size) {
    if (offset > length_ || size > length_ - offset) throw bk::EOFException();
    while (size > 0) {
        const auto it = std::upper_bound(extents_.begin(), extents_.end(), offset,
                                         [](std::uint64_t value, const Extent& e) { return value < e.start; });
        const Extent& extent = *(it - 1);
        const std::uint64_t within = offset - extent.start;
        const auto take = static_cast<std::size_t>(std::min<std::uint64_t>(size, extent.where.length - within));
        bk::InputStream& in = file(extent.where.file);
        in.seek(static_cast<std::int64_t>(extent.where.offset + within), bk::SeekOrigin::Begin);
        std::size_t got = 0;
        while (got < take) {
            const int n = in.read(buffer + got, static_cast<int>(take - got));
            if (n <= 0) throw bk::EOFException();
            got += static_cast<std::size_t>(n);
        }
        buffer += take;
        offset += take;
        size -= take;
    }
}

}  // namespace brim::archive
