#pragma once
// The digests a copy run took of its files, found by file: a sorted index
// into them, which costs far less memory than a map for 100,000 small files.
#include <cstdint>
#include <utility>
#include <vector>

#include "core/archive/data_header.h"
#include "core/archive/digest_file.h"

namespace brim {

class TakenDigests final {
public:
    // `taken[i]` is the digest of `order[i]`, the files in the order they
    // were hashed.
    TakenDigests(const std::vector<const DataHeader*>& order, std::vector<archive::FileDigest> taken);
    // The digest taken of `file` (the last, if it was taken more than once);
    // null when none was.
    const archive::FileDigest* find(const DataHeader* file) const;

private:
    std::vector<archive::FileDigest> taken_;
    std::vector<std::pair<const DataHeader*, std::uint32_t>> index_;  // sorted by file
};

}  // namespace brim
