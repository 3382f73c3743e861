#pragma once
// Which copy of each file a restore writes. A selection may hold the same
// item from several runs (a default restore takes every run, each item from
// its newest one): each file is then written once, from the newest run that
// holds it stored whole. A copy stored only in part, or not at all, never
// takes the place of an earlier whole one; it is written (and fails with its
// warning) only when no run holds the file whole.
#include <cstdint>
#include <map>
#include <set>
#include <utility>
#include <vector>

#include "basekit/types.h"
#include "core/archive/data_header.h"
#include "core/archive/set_layout.h"

namespace brim::restore {

// How much of a file's data its run holds.
enum class CopyState : std::uint8_t {
    whole,    // every byte
    partial,  // the run stopped, or reading the source failed, part-way through
    failed,   // nothing: the file could not be read at all
};

// The state of `file`, an item of a run with header `run`: whole with the
// data flag "valid"; without it, partial when the set kept some of its bytes.
// Sets written before files cut short lost their data flag show such files
// as whole (their stored size is all that tells them apart).
CopyState copy_state(const DataHeader& file, const archive::RunHeader& run);

// The run whose tree holds `item`; null when it belongs to none of `layout`.
const archive::RunLayout* run_of(const archive::SetLayout& layout, const DataHeader& item);

class ItemPick final {
public:
    // Looks at every file below the selected items (grouping nodes stand for
    // everything beneath them).
    ItemPick(const archive::SetLayout& layout, const std::vector<const DataHeader*>& selection);

    // Whether `file` is the copy to write of its item.
    bool chosen(const DataHeader& file) const { return chosen_.contains(&file); }
    // As chosen(), once: true for the first call for the chosen copy only,
    // so a file selected twice is written once.
    bool take(const DataHeader& file) { return chosen_.erase(&file) > 0; }

private:
    struct Candidate {
        const DataHeader* file = nullptr;
        bool whole = false;
        std::size_t run = 0;  // place of its run in the set, oldest first
    };
    void consider(const archive::SetLayout& layout, const DataHeader& item,
                  std::map<std::pair<bk::String, bool>, Candidate>& best);

    std::set<const DataHeader*> chosen_;
};

}  // namespace brim::restore
