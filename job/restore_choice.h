#pragma once
// What the restore wizard has chosen, without its widgets: the restore's
// option word (core/restore/restore_option.h), the place to restore to, and
// the lines of the wizard's summaries.
#include <array>
#include <cstdint>
#include <vector>

#include "basekit/types.h"
#include "core/jobs/backup_item.h"
#include "core/restore/restore_option.h"

namespace job {

using RestoreOption = std::uint32_t;

// The existing-file choices in the order the wizard offers them: skip, ask,
// always replace, replace older files.
inline constexpr std::array<RestoreOption, 4> existing_choices{
    brim::restore_option::existing_skip, brim::restore_option::existing_ask, 0x30, brim::restore_option::existing_newer};

// The position of the existing-file bits of `option` in existing_choices;
// -1 for any other value (nothing is chosen then).
int ExistingChoiceIndex(RestoreOption option);

class RestoreChoice final {
public:
    explicit RestoreChoice(RestoreOption start) : option_(start) {}

    RestoreOption GetResopt() const { return option_; }
    // Replaces the existing-file bits (0xF0) with those of `existing`; the
    // other bits stay.
    void SetResopt(RestoreOption existing);
    // Sets (1) or clears (0) the bit that gives restored items the current
    // time.
    void SetFileModify(int on);
    int GetFileModify() const { return (option_ & brim::restore_option::touch) != 0 ? 1 : 0; }
    // keep 1: the folder structure is kept below another place, with the
    // drive folder when `drive` is 1; keep 0 clears both bits, so the bit
    // that alone flattens the restore (0x08) never stays without 0x04.
    void SetPreserveDirStructure(int keep, int drive);
    bool KeepsStructure() const { return (option_ & brim::restore_option::keep_structure) != 0; }
    bool DriveFolder() const { return KeepsStructure() && (option_ & brim::restore_option::flatten) != 0; }

    // Empty: each item goes back to its original place.
    void SetDestination(bk::StringView path) { destination_ = bk::String(path); }
    const bk::String& GetDestination() const { return destination_; }

private:
    RestoreOption option_;
    bk::String destination_;
};

// One line of a summary: its label and its value.
struct SummaryLine {
    bk::String label;
    bk::String value;
};

// The summary of a restore of `job` by `choice`, in the GUI's language:
// job, place, existing files, the job's creation time, dates and folders.
std::vector<SummaryLine> RestoreSummary(const brim::BackupItem& job, const RestoreChoice& choice);

// The word of the existing-file rule `option` applies; any value without a
// choice of its own replaces, as the restore does.
bk::String ExistingChoiceText(RestoreOption option);

}  // namespace job
