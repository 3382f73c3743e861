#include "job/restore_choice.h"

#include <algorithm>

#include "basekit/date.h"
#include "job/job_strings.h"

namespace job {
namespace {

namespace ro = brim::restore_option;

bk::String yes_no(bool value) { return job_strings().text(value ? text_id::yes : text_id::no); }

}  // namespace

int ExistingChoiceIndex(RestoreOption option) {
    const auto found = std::find(existing_choices.begin(), existing_choices.end(), option & ro::existing_mask);
    return found == existing_choices.end() ? -1 : static_cast<int>(found - existing_choices.begin());
}

void RestoreChoice::SetResopt(RestoreOption existing) {
    option_ = (option_ & ~ro::existing_mask) | (existing & ro::existing_mask);
}

void RestoreChoice::SetFileModify(int on) {
    if (on != 0) option_ |= ro::touch;
    else option_ &= ~ro::touch;
}

void RestoreChoice::SetPreserveDirStructure(int keep, int drive) {
    option_ &= ~(ro::keep_structure | ro::flatten);
    if (keep == 0) return;
    option_ |= ro::keep_structure;
    if (drive == 1) option_ |= ro::flatten;
}

bk::String ExistingChoiceText(RestoreOption option) {
    static constexpr std::array<std::uint32_t, 4> words{text_id::skip_files, text_id::ask_user, text_id::always_replace,
                                                        text_id::replace_older};
    const int index = ExistingChoiceIndex(option);
    return job_strings().text(index < 0 ? text_id::always_replace : words[static_cast<std::size_t>(index)]);
}

std::vector<SummaryLine> RestoreSummary(const brim::BackupItem& job, const RestoreChoice& choice) {
    const auto& strings = job_strings();
    const auto label = [&](int n) { return strings.text(text_id::summary_job + static_cast<std::uint32_t>(n)); };
    const bk::String place =
        choice.GetDestination().empty() ? strings.text(text_id::original_place) : choice.GetDestination();
    return {
        {label(0), job.name},
        {label(1), place},
        {label(2), ExistingChoiceText(choice.GetResopt())},
        {label(3), job.creation_time != 0 ? bk::Date(job.creation_time).to_string() : bk::String()},
        {label(4), yes_no(choice.GetFileModify() != 0)},
        {label(5), yes_no(choice.KeepsStructure())},
        {label(6), yes_no(choice.DriveFolder())},
    };
}

}  // namespace job
