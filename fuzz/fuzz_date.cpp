// Dates read back from stores and exports, in both locales.
#include "basekit/convertion.h"
#include "basekit/date.h"
#include "basekit/date_format.h"
#include "basekit/exception.h"
#include "basekit/locale.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const bk::String text = bk::from_utf8(std::string_view(reinterpret_cast<const char*>(data), size));
    for (const bk::Locale* locale : {&bk::Locale::US, &bk::Locale::CHINA}) {
        bk::Locale::current_locale(*locale);
        try {
            (void)bk::Date::parse(text);
        } catch (const bk::FormatException&) {
        }
        std::int64_t time = 0;
        (void)bk::DateFormat::local_instance().do_parse(text, u"yyyy'x'MMdd h:m:s p", time);
    }
    return 0;
}
