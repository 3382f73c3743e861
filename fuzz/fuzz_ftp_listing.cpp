// FTP listings from a server are input: MLSD and the LIST forms.
#include <string_view>

#include "core/media/ftp_listing.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    (void)brim::parse_mlsd_listing(text);
    (void)brim::parse_list_listing(text, 1765000000000000);
    return 0;
}
