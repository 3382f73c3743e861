#pragma once
// What the archive writer needs of the run that drives it: the stop flag,
// progress events, the way to open an item's data, and where per-file
// outcomes are counted and reported. The backup session implements it; tests
// implement it with plain files.
#include <cstdint>
#include <memory>

#include "basekit/exception.h"
#include "basekit/stream.h"
#include "core/archive/data_header.h"

namespace brim::archive {

class RunContext {
public:
    virtual ~RunContext() = default;

    [[nodiscard]] virtual bool has_stopped() const = 0;
    // A file is about to be written; `size` is its length when it is at most
    // one chunk, else 0 (its chunks follow through on_size).
    virtual void on_file(const bk::String& path, std::uint32_t size) = 0;
    virtual void on_size(std::uint32_t bytes) = 0;
    // Opens the item's data (local file, open-file reader, FTP; with the
    // run's retries). Throws when it cannot be opened.
    virtual std::unique_ptr<bk::InputStream> open_item(const DataHeader& item) = 0;
    // Reading the item failed. Returns to let the run go on (after a
    // warning), or throws to abort the run.
    virtual void item_failed(const DataHeader& item, const bk::Exception& error) = 0;
    // The item's data went into the set: `plain_bytes` of it.
    virtual void item_written(const DataHeader& item, std::uint64_t plain_bytes) = 0;
};

}  // namespace brim::archive
