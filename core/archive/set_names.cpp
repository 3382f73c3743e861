#include "core/archive/set_names.h"

#include <iterator>

#include "basekit/exception.h"
#include "basekit/file_stream.h"
#include "basekit/path.h"
#include "basekit/system_file.h"
#include "basekit/text_format.h"

namespace brim::archive {
namespace {

bk::String without_extension(bk::StringView path) {
    const bk::String extension = bk::Path::extension_name(path);
    return bk::String(path.substr(0, path.size() - extension.size()));
}

void make_name_safe(bk::String& name) {
    for (char16_t& c : name)
        if (c == u':' || c == u'/' || c == u'\\') c = u'-';
}

bool exists(const bk::String& path) { return bk::SystemFile::is_file(path) || bk::SystemFile::is_dir(path); }

// Creates the file only when nothing is there; false when the name is taken.
bool reserve(const bk::String& path) {
    if (exists(path)) return false;
    try {
        bk::FileOutputStream(path, bk::FileMode::CreateNew);
        return true;
    } catch (const bk::IOException& e) {
        if (exists(path)) return false;  // taken between the look and the create
        throw;
    }
}

}  // namespace

bk::String file_name_date(const bk::Date& when) {
    bk::String text = when.to_string(bk::FullDatePattern::Short);
    make_name_safe(text);
    return text;
}

bool is_volume_name(bk::StringView name) {
    return name.size() > std::size(volume_extension) - 1 && name.ends_with(volume_extension) &&
           name.find(u'/') == bk::StringView::npos;
}

bk::String reserve_volume_path(bk::StringView main_path, const bk::Date& when) {
    const bk::String stem = without_extension(main_path);
    bk::String name = bk::Path::file_name(stem) + u"_" + when.to_string(bk::FullDatePattern::Short);
    make_name_safe(name);
    const bk::String base = bk::Path::combine(bk::Path::directory_name(stem), name);
    bk::String candidate = base + volume_extension;
    for (int n = 1; !reserve(candidate); ++n) {
        if (n > 100000) throw bk::IOException(u"No free name for a volume of the backup set");
        candidate = bk::format_text(u"%s_%d%s", {base, n, volume_extension});
    }
    return candidate;
}

bk::String copy_root_name(bk::StringView job_name, const bk::Date& when) {
    return bk::String(job_name) + u"_" + file_name_date(when);
}

}  // namespace brim::archive
