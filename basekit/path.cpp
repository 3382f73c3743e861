#include "basekit/path.h"

#include "basekit/exception.h"
#include "basekit/platform/os_fs.h"
#include "basekit/string_helpers.h"

namespace bk {
namespace {

constexpr std::size_t npos = StringView::npos;

bool has_drives(PathStyle style) { return style == PathStyle::windows; }

// The last separator in p[0, end), or npos.
std::size_t last_separator(StringView p, std::size_t end, PathStyle style) {
    for (std::size_t i = end; i > 0; --i)
        if (Path::is_separator(p[i - 1], style)) return i - 1;
    return npos;
}

// The first separator at or after `from`, or npos.
std::size_t next_separator(StringView p, std::size_t from, PathStyle style) {
    for (std::size_t i = from; i < p.size(); ++i)
        if (Path::is_separator(p[i], style)) return i;
    return npos;
}

String join(StringView directory, StringView name, PathStyle style) {
    // Sized once: a catalogue keeps a joined path per file, and growing it
    // by appending would leave it about twice as large as it needs.
    String result;
    result.reserve(directory.size() + 1 + name.size());
    result += directory;
    if (result.empty() || !Path::is_separator(result.back(), style)) result += path_chars(style).separator;
    result += name;
    return result;
}

// "\\server\share\" for a UNC name, else empty.
String unc_root(StringView p, PathStyle style) {
    if (!has_drives(style) || p.size() < 2 || !Path::is_separator(p[0], style) ||
        !Path::is_separator(p[1], style))
        return {};
    const std::size_t server_end = next_separator(p, 2, style);
    if (server_end == npos || server_end == 2) return {};
    const std::size_t share_begin = server_end + 1;
    std::size_t share_end = next_separator(p, share_begin, style);
    if (share_end == npos) share_end = p.size();
    if (share_end == share_begin) return {};
    String root = u"\\\\";
    root += p.substr(2, server_end - 2);
    root += u'\\';
    root += p.substr(share_begin, share_end - share_begin);
    root += u'\\';
    return root;
}

// The dot that starts p's extension, a final dot included, or npos.
std::size_t extension_dot(StringView p, PathStyle style) {
    const std::size_t dot = p.rfind(u'.');
    if (dot == npos) return npos;
    const std::size_t sep = last_separator(p, p.size(), style);
    return sep != npos && dot < sep ? npos : dot;
}

}  // namespace

bool Path::is_separator(char16_t c, PathStyle style) {
    return path_chars(style).separator_chars.find(c) != npos;
}

String Path::combine(StringView a, StringView b, PathStyle style) {
    if (a.empty()) return String(b);
    if (b.empty()) return String(a);
    if (is_absolute_path(b, style)) return String(b);
    return join(a, b, style);
}

bool Path::is_absolute_path(StringView p, PathStyle style) {
    if (p.empty()) return false;
    if (is_separator(p[0], style)) return true;
    return has_drives(style) && p.size() >= 2 && p[1] == u':';
}

String Path::path_root(StringView p, PathStyle style) {
    if (!is_absolute_path(p, style)) return {};
    if (!has_drives(style)) return String(1, path_chars(style).separator);
    String unc = unc_root(p, style);
    if (!unc.empty()) return unc;
    if (is_separator(p[0], style)) return u"\\";
    if (p.size() >= 3 && is_separator(p[2], style)) return String(p.substr(0, 3));
    return String(p.substr(0, 2));
}

String Path::directory_name(StringView p, PathStyle style) {
    if (p.empty()) throw ArgumentException(u"The path is empty", u"path");
    if (p == path_root(p, style)) return String(p);
    std::size_t end = p.size();
    if (is_separator(p[end - 1], style)) --end;
    const std::size_t sep = last_separator(p, end, style);
    if (sep == npos) return {};
    if (!has_drives(style)) return sep == 0 ? String(1, path_chars(style).separator) : String(p.substr(0, sep));
    if (sep <= 1) return {};
    String result(p.substr(0, sep));
    if (result.back() == u':') result += u'\\';
    return result;
}

String Path::file_name(StringView p, PathStyle style) {
    if (p.empty()) return {};
    std::size_t end = p.size();
    if (is_separator(p[end - 1], style)) --end;
    const std::size_t sep = last_separator(p, end, style);
    return sep == npos ? String() : String(p.substr(sep + 1));
}

String Path::extension_name(StringView p, PathStyle style) {
    const std::size_t dot = extension_dot(p, style);
    if (dot == npos || dot + 1 == p.size()) return {};
    return String(p.substr(dot));
}

void Path::change_extension(String& p, StringView ext, PathStyle style) {
    if (p.find_first_of(path_chars(style).invalid_path_chars) != npos)
        throw ArgumentException(u"Illegal characters in path");
    String extension;
    if (ext.empty() || ext[0] != u'.') extension = u".";
    extension += ext;
    const std::size_t dot = extension_dot(p, style);
    if (dot == npos)
        p += extension;
    else
        p.replace(dot, npos, extension);
}

bool Path::is_valid_path(StringView p, PathStyle style) {
    if (!has_drives(style)) return p.find(u'\0') == npos;
    if (p.find_first_of(u"\"<>/|*?") != npos) return false;
    for (std::size_t i = p.find(u':'); i != npos; i = p.find(u':', i + 1))
        if (i != 1 || !is_absolute_path(p, style)) return false;
    return true;
}

String Path::make_full_path(StringView p, PathStyle style) {
    // The current directory is asked for only when the rule needs it.
    if (!trim(p).empty() && is_absolute_path(p, style) && !has_drives(style)) return String(p);
    return make_full_path(p, current_path(), style);
}

String Path::make_full_path(StringView p, StringView current, PathStyle style) {
    if (trim(p).empty()) throw ArgumentException(u"The parameter path is not of a legal form");
    if (!has_drives(style)) return is_absolute_path(p, style) ? String(p) : join(current, p, style);

    if (p.size() >= 2 && is_separator(p[0], style) && is_separator(p[1], style)) {
        if (p.size() == 2 || p.find(u'\\', 2) == npos)
            throw ArgumentException(u"UNC path should be of the form \\\\server\\share.");
        return p[0] == u'/' ? replace_char(p, u'/', u'\\') : String(p);
    }
    if (!is_absolute_path(p, style)) return p[0] == u'.' ? String(p) : join(current, p, style);
    if (is_separator(p[0], style)) {
        if (current.size() >= 2 && current[1] == u':') return String(current.substr(0, 2)) + String(p);
        String unc = unc_root(current, style);
        if (!unc.empty()) {
            unc.pop_back();  // p brings its own separator
            return unc + String(p);
        }
    }
    return String(p);
}

String Path::current_path() { return os::current_directory(); }

String Path::current_module_path() { return directory_name(os::executable_path()); }

}  // namespace bk
