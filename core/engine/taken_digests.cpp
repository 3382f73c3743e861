#include "core/engine/taken_digests.h"

#include <algorithm>
#include <functional>
#include <iterator>

namespace brim {

TakenDigests::TakenDigests(const std::vector<const DataHeader*>& order, std::vector<archive::FileDigest> taken)
    : taken_(std::move(taken)) {
    const std::size_t count = std::min(order.size(), taken_.size());
    index_.reserve(count);
    for (std::size_t i = 0; i < count; ++i) index_.emplace_back(order[i], static_cast<std::uint32_t>(i));
    // Stable, so that of a file taken twice the later digest comes last.
    std::stable_sort(index_.begin(), index_.end(),
                     [](const auto& a, const auto& b) { return std::less<>{}(a.first, b.first); });
}

const archive::FileDigest* TakenDigests::find(const DataHeader* file) const {
    const auto after = std::upper_bound(index_.begin(), index_.end(), file,
                                        [](const DataHeader* key, const auto& entry) { return std::less<>{}(key, entry.first); });
    if (after == index_.begin() || std::prev(after)->first != file) return nullptr;
    const archive::FileDigest& digest = taken_[std::prev(after)->second];
    return digest.kind != archive::DigestKind::none ? &digest : nullptr;
}

}  // namespace brim
