#pragma once
// Reading a set's stored data back and comparing it with the digests kept
// beside the set (core/archive/digest_file.h), to find data that rotted on
// the destination. Enciphered runs are compared by the digest of their
// stored bytes, so the check deciphers nothing; the copy kinds' runs by the
// digest of each copy. Runs and files without a digest are counted, not
// judged.
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "basekit/types.h"
#include "core/jobs/backup_kind.h"
#include "core/restore/opened_set.h"

namespace brim::restore {

struct DamagedFile {
    bk::String path;            // the item's full path as the catalogue holds it
    std::size_t run = 0;        // index of its run in the set (0 the oldest)
    std::int64_t run_time = 0;  // that run's backup time
};

struct DataCheckReport {
    std::uint32_t checked = 0;         // files read back and compared
    std::uint32_t without_digest = 0;  // stored files the digests do not cover
    std::vector<DamagedFile> damaged;
    // Set when the digest file holds a damaged part: the number of runs'
    // blocks that read before it.
    std::optional<std::uint32_t> digests_damaged_after;
    bool stopped = false;
};

struct DataCheckOptions {
    // The share of the files to read, 1 to 100; each file is drawn on its own.
    std::uint32_t percent = 100;
    // Polled before each file and between blocks; true ends the check.
    std::function<bool()> stopped;
    // Hears of each file before it is read.
    std::function<void(const bk::String& path)> on_file;
};

// Checks every run of `set` (read with its catalogues) of a job of `kind`.
// A file whose data cannot be read (a missing copy, a volume that ends
// early) counts as damaged. A set kept on an FTP server has its volumes
// fetched as the files are read (OpenedSet::files); a stop while one is
// fetched ends the check like any other. Throws what the options'
// callbacks throw, and the BackupException of a volume that could not be
// fetched.
DataCheckReport check_set_data(const OpenedSet& set, BackupKind kind, const DataCheckOptions& options);

}  // namespace brim::restore
