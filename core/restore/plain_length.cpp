#include "core/restore/plain_length.h"

#include <vector>

#include "core/archive/archive_layout.h"
#include "core/archive/run_data_reader.h"
#include "core/archive/set_security.h"

namespace brim::restore {

std::uint64_t plain_length(const OpenedSet& set, const archive::RunLayout& run, const DataHeader& item) {
    if (item.stored_size <= 0) return 0;
    const auto stored = static_cast<std::uint64_t>(item.stored_size);
    if (run.header.cipher != CipherId::rijndael) return stored;
    // Every chunk is enciphered on its own: the last one alone tells.
    const std::uint64_t unit = archive::chunk_size + 16;
    const std::uint64_t last_start = (stored - 1) / unit * unit;
    const auto last = static_cast<std::size_t>(stored - last_start);
    std::vector<std::uint8_t> bytes(last), plain(last + 16);
    data_reader(set, run)->read(item.data_offset + archive::marker_size + last_start, bytes.data(), last);
    auto decipher = archive::make_data_cipher(run.header.cipher, set.key, set.layout.security, true);
    return last_start / unit * archive::chunk_size + decipher->decrypt(bytes.data(), last, plain.data());
}

}  // namespace brim::restore
