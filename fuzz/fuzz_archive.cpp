// An archive set read from arbitrary bytes: its layout, every run's
// catalogue, and every file's data deciphered with and without a password.
#include <vector>

#include "basekit/convertion.h"
#include "basekit/exception.h"
#include "core/archive/catalogue.h"
#include "core/archive/run_data_reader.h"
#include "core/archive/set_layout.h"
#include "core/archive/set_security.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace brim;
    const auto file = brim_fuzz::home() / "set" / "input.bvf";
    brim_fuzz::write_input(file, data, size);
    const auto result = archive::read_set_layout(bk::from_native_path(file.string()), size % 2 == 1, true, 1);
    if (result.error != archive::LayoutError::none) return 0;
    const archive::SetLayout& set = result.layout;
    for (const char16_t* password : {u"", u"password"}) {
        archive::DataKey key;
        archive::unlock_data_key(set.security, *set.format, password, key);
        for (const auto& run : set.runs) {
            try {
                auto cipher = archive::make_data_cipher(run.header.cipher, key, set.security, true);
                archive::RunDataReader reader(set, run);
                std::vector<std::uint8_t> stored(65552), plain(65600);
                archive::for_each_file(*run.root, [&](const DataHeader& item) {
                    const auto take = static_cast<std::size_t>(std::min<std::int64_t>(std::max<std::int64_t>(item.stored_size, 0), 65552));
                    try {
                        reader.read(item.data_offset + 2, stored.data(), take);
                        if (cipher && take > 0) (void)cipher->decrypt(stored.data(), take, plain.data());
                    } catch (const bk::Exception&) {
                    }
                });
            } catch (const bk::Exception&) {
            }
        }
    }
    return 0;
}
