#pragma once
// The binding to the raw-disk reader module "hdrw": loaded once per process,
// its privilege probed over the fixed volumes, and the outcome remembered.
#include <cstdint>
#include <memory>
#include <vector>

#include "basekit/stream.h"
#include "basekit/types.h"
#include "core/media/loadable_module.h"
#include "plugins/rawdisk/hdrw_api.h"

namespace brim {

enum class RawDiskOutcome : std::uint8_t {
    ready,         // files can be read through the module
    cannot_load,   // the module or one of its entry points is missing
    no_privilege,  // the module cannot read the volumes for this user
};

class RawDiskBinding final {
public:
    static constexpr bk::StringView module_name = u"hdrw";

    // Loads the module from `directory` and probes `roots` in order: the first
    // root the module can read makes it ready; a root it reports as missing a
    // partition (HDRW_E_NO_PARTITION) ends the probe as no privilege, other
    // refusals go on to the next root. Unless ready, the module is released.
    // Never throws.
    RawDiskBinding(const bk::String& directory, const std::vector<bk::String>& roots);
    RawDiskBinding(const RawDiskBinding&) = delete;
    RawDiskBinding& operator=(const RawDiskBinding&) = delete;

    // The process's binding over module_search_directory() and the fixed
    // volumes, made on the first call (safe from any thread); del_instance()
    // drops it so that the next call loads and probes again.
    static RawDiskBinding& instance();
    static void del_instance();

    RawDiskOutcome outcome() const { return outcome_; }
    bool ready() const { return outcome_ == RawDiskOutcome::ready; }

    // Opens `path` through the module for reading in 64 KiB pieces. Returns
    // null when the module marks the file encrypted (it is not read this
    // way). Throws IOException with the module's error text when it cannot
    // open the file, and from the stream's reads. Only when ready().
    std::unique_ptr<bk::InputStream> open(const bk::String& path) const;

private:
    RawDiskOutcome probe(const std::vector<bk::String>& roots) const;

    LoadableModule module_;
    HdrwGetLastErrorFn get_last_error_ = nullptr;
    HdrwGetPartitionFn get_partition_ = nullptr;
    HdrwOpenFileFn open_file_ = nullptr;
    HdrwReadFileFn read_file_ = nullptr;
    HdrwCloseFileFn close_file_ = nullptr;
    RawDiskOutcome outcome_ = RawDiskOutcome::cannot_load;
};

// The warning a backup run gives for an outcome (messages 232 and 234);
// empty for ready.
bk::String raw_disk_outcome_warning(RawDiskOutcome outcome);

// The text of a module error code: its entry of the module's error table,
// else the platform's text for the code.
bk::String raw_disk_error_text(std::uint32_t code);

}  // namespace brim
