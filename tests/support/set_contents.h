#pragma once
// Reads what a run of an archive set holds: every file's plain bytes by its
// full path, deciphered with the set's key. For tests that check sets with
// the reading side of the format.
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/archive/catalogue.h"
#include "core/archive/run_data_reader.h"
#include "core/archive/set_layout.h"
#include "core/archive/set_security.h"

namespace brim_test {

inline std::map<bk::String, std::string> run_contents(const brim::archive::SetLayout& set,
                                                      const brim::archive::RunLayout& run, bk::StringView password) {
    using namespace brim;
    archive::DataKey key;
    EXPECT_TRUE(archive::unlock_data_key(set.security, *set.format, password, key));
    auto decipher = archive::make_data_cipher(run.header.cipher, key, set.security, true);
    archive::RunDataReader reader(set, run);
    std::map<bk::String, std::string> files;
    const std::size_t unit = run.header.cipher == CipherId::rijndael ? archive::chunk_size + 16 : archive::chunk_size;
    archive::for_each_file(*run.root, [&](const DataHeader& item) {
        std::string plain;
        std::vector<std::uint8_t> stored(unit), out(unit + 16);
        for (std::int64_t done = 0; done < item.stored_size;) {
            const auto take = static_cast<std::size_t>(std::min<std::int64_t>(static_cast<std::int64_t>(unit),
                                                                              item.stored_size - done));
            reader.read(item.data_offset + archive::marker_size + static_cast<std::uint64_t>(done), stored.data(), take);
            std::size_t n = take;
            if (decipher) n = decipher->decrypt(stored.data(), take, out.data());
            plain.append(reinterpret_cast<const char*>(decipher ? out.data() : stored.data()), n);
            done += static_cast<std::int64_t>(take);
        }
        files[item.full_path()] = plain;
    });
    return files;
}

}  // namespace brim_test
