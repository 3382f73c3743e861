#include "core/restore/item_pick.h"

namespace brim::restore {

CopyState copy_state(const DataHeader& file, const archive::RunHeader& run) {
    if (file.stored_size < 0) return CopyState::failed;
    if (file.data_flag == archive::data_valid) return CopyState::whole;
    // Without usable data, the bytes a file kept tell a file cut short from
    // one that could not be read at all. The copy kinds keep none in the set.
    return file.stored_size > 0 && !run.has_copy_root ? CopyState::partial : CopyState::failed;
}

const archive::RunLayout* run_of(const archive::SetLayout& layout, const DataHeader& item) {
    const DataHeader* root = &item;
    while (root->parent() != nullptr) root = root->parent();
    for (const auto& run : layout.runs)
        if (run.root.get() == root) return &run;
    return nullptr;
}

ItemPick::ItemPick(const archive::SetLayout& layout, const std::vector<const DataHeader*>& selection) {
    std::map<std::pair<bk::String, bool>, Candidate> best;
    for (const DataHeader* item : selection)
        if (item != nullptr) consider(layout, *item, best);
    for (const auto& [key, candidate] : best) chosen_.insert(candidate.file);
}

void ItemPick::consider(const archive::SetLayout& layout, const DataHeader& item,
                        std::map<std::pair<bk::String, bool>, Candidate>& best) {
    if (item.is_directory()) {
        for (const auto& sub : item.directories()) consider(layout, *sub, best);
        for (const auto& file : item.files()) consider(layout, *file, best);
        return;
    }
    const archive::RunLayout* run = run_of(layout, item);
    Candidate candidate{&item, false, 0};
    if (run != nullptr) {
        candidate.whole = copy_state(item, run->header) == CopyState::whole;
        candidate.run = static_cast<std::size_t>(run - layout.runs.data());
    }
    auto [at, added] = best.try_emplace({item.full_path(), item.is_ftp()}, candidate);
    if (added) return;
    const Candidate& held = at->second;
    if (candidate.whole != held.whole ? candidate.whole : candidate.run > held.run) at->second = candidate;
}

}  // namespace brim::restore
