#pragma once
// Buffered data streams over one store file, for reading (optionally under a
// shared advisory lock) and for writing a new file.
#include <optional>

#include "basekit/buffered_stream.h"
#include "basekit/data_stream.h"
#include "basekit/file_ops.h"
#include "basekit/file_stream.h"
#include "basekit/types.h"

namespace brim {

class StoreReader final {
public:
    // Throws IOException when the file cannot be opened.
    explicit StoreReader(bk::StringView path, bool locked = false)
        : file_(path, bk::FileShare::Read), buffered_(&file_, false, false), data_(&buffered_, false) {
        if (locked) lock_.emplace(file_.get_file_handle(), path, false);
    }
    bk::DataInputStream& in() { return data_; }

private:
    bk::FileInputStream file_;
    std::optional<bk::FileLock> lock_;
    bk::BufferedInputStream buffered_;
    bk::DataInputStream data_;
};

class StoreWriter final {
public:
    // Creates or truncates the file; throws IOException.
    explicit StoreWriter(bk::StringView path)
        : file_(path, bk::FileMode::Create, bk::FileShare::Read), buffered_(&file_, false, false), data_(&buffered_, false) {}
    bk::DataOutputStream& out() { return data_; }
    // Passes every byte to the file and closes it; throws IOException.
    void finish() {
        data_.close();
        buffered_.close();
        file_.close();
    }

private:
    bk::FileOutputStream file_;
    bk::BufferedOutputStream buffered_;
    bk::DataOutputStream data_;
};

}  // namespace brim
