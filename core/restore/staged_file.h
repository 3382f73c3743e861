#pragma once
// A restored file written beside its target under a temporary name and put
// in the target's place only once its data is complete and checked, so
// that a restore that fails (damaged or missing data, a full disk, a stop)
// leaves an existing file as it was and no part of a file behind.
#include <cstdint>
#include <memory>

#include "basekit/file_stream.h"
#include "basekit/types.h"

namespace brim::restore {

class StagedFile final {
public:
    // Nothing is created yet.
    explicit StagedFile(bk::String target);
    // Removes the temporary file unless it was committed.
    ~StagedFile();
    StagedFile(const StagedFile&) = delete;
    StagedFile& operator=(const StagedFile&) = delete;

    // Creates a new temporary file in the target's folder (a name that no
    // entry has, never through a link) with `permissions` before the umask.
    // The caller closes the stream before commit(). Throws IOException.
    std::unique_ptr<bk::FileOutputStream> create(std::uint32_t permissions);
    // Renames the temporary file over the target (a file, a link or a
    // special file there is replaced, never followed). Throws IOException;
    // the temporary file is then removed at destruction.
    void commit();

    const bk::String& temporary_path() const { return temporary_; }

    // Temporary names start with this, so that a file left by a crash tells
    // what made it.
    static constexpr char16_t prefix[] = u".brimvault-restore-";

private:
    bk::String target_;
    bk::String temporary_;
    bool committed_ = false;
};

}  // namespace brim::restore
