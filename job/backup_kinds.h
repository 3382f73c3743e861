#pragma once
// The words the dialogs and the job list use for backup kinds and for a
// job's combination rule, the checks of a new job's name and destination,
// and a job's next scheduled run. All texts come from job_strings().
#include <cstdint>
#include <utility>
#include <vector>

#include "basekit/types.h"
#include "core/jobs/backup_item.h"
#include "core/jobs/backup_kind.h"

class QComboBox;

namespace brim::archive {
struct RunLayout;
}

namespace job {

using brim::BackupKind;
// The rule by which a job of one kind now and then makes a run of another
// kind that replaces the backed-up data; owned by the job.
using BakKindCombineTrigger = brim::TriggerData;

// The kind's name; empty for difference, directory copy and burner.
// `trigger` is not used.
bk::String BakTypeToString(BackupKind kind, const BakKindCombineTrigger* trigger = nullptr);
// The kind's description; empty for the kinds without a name.
bk::String BakTypeDescription(BackupKind kind);
// The kind whose name is `text` (exact, case-sensitive): copy, normal,
// increment, increment copy or merge copy; BackupKind::none for any other
// text.
BackupKind StringToBakType(bk::StringView text);
// The kind's position in the kind combo box (InitBakTypes); the kinds
// without a name take the position of increment.
int GetComboBoxIndex(BackupKind kind);
// Fills `box` with the names of normal, increment, copy, increment copy and
// merge copy, in this order, each with its kind as the item's data.
void InitBakTypes(QComboBox& box);

// The rule as a sentence that follows the job's kind in a summary; empty
// without a rule or for an unknown rule type.
bk::String TriggerToString(const BakKindCombineTrigger* trigger, BackupKind kind);

// The job's next scheduled run (a Date time value) and its text. Without a
// next time, `text` says why: none (no task, no planner), or the event the
// task starts on; for tasks with time triggers it stays as it was. 0
// without a next time; with no job, 0 and `text` untouched.
std::int64_t GetTriggerTime(const brim::BackupItem* job, bk::String& text);

// What CheckBack found.
inline constexpr int check_name_fault = 0;
inline constexpr int check_destination_fault = 1;
inline constexpr int check_passed = 2;

// Validates a new job's name and destination; an empty one is not checked.
// The first fault found is shown in a message box.
int CheckBack(bk::StringView name, bk::StringView destination);

// 1 after a warning box when no run of the opened set holds an item; else 0.
int RestoreIsEmpty(const std::vector<const brim::archive::RunLayout*>& runs);

// The second member of the first pair whose first member is `key` (exact,
// case-sensitive); empty when there is none.
bk::String FindVecPair(const std::vector<std::pair<bk::String, bk::String>>& pairs, bk::StringView key);

}  // namespace job
