#pragma once
// Static operations on path strings, in two styles sharing one set of rules:
//
//  - PathStyle::windows: the rules of Windows paths. Backslash and slash both
//    separate, "C:" names a drive, "\\server\share\" names a UNC root.
//  - PathStyle::posix: the native style on Linux. "/" is the only separator
//    (a backslash is an ordinary character of a name), the root is "/", and
//    there are no drive letters and no UNC names.
//
// Every operation takes the style as its last argument with the native one as
// the default; the constants `Path::separator` and the others are the native
// style's. No operation touches the file system except `make_full_path` (for
// the current directory), `current_path` and `current_module_path`. No
// operation resolves "." or ".." components.
#include "basekit/types.h"

namespace bk {

enum class PathStyle { windows, posix };

// The characters that make up one style.
struct PathChars {
    char16_t separator;            // the one written when paths are joined
    char16_t alt_separator;        // also accepted as a separator
    char16_t volume_separator;     // after a drive letter
    char16_t path_separator;       // between the paths of a list
    StringView separator_chars;    // every separator
    StringView invalid_path_chars;  // characters no path may hold
};

// windows: '\\', '/', ':', ';', "\\/", and the fifteen characters '"', '<', '>',
//          '|', 0x08, 0x10..0x19.
// posix:   '/', '/', '/', ':', "/", and NUL alone (the only character a Linux
//          name cannot hold). There are no volumes: volume_separator is the
//          separator, as in .NET on Unix.
constexpr PathChars path_chars(PathStyle style) {
    using namespace std::string_view_literals;
    if (style == PathStyle::windows)
        return {u'\\', u'/', u':', u';', u"\\/"sv,
                u"\"<>|\x08\x10\x11\x12\x13\x14\x15\x16\x17\x18\x19"sv};
    return {u'/', u'/', u'/', u':', u"/"sv, StringView(u"\0", 1)};
}

class Path final {
public:
#ifdef _WIN32
    static constexpr PathStyle native_style = PathStyle::windows;
#else
    static constexpr PathStyle native_style = PathStyle::posix;
#endif

    static constexpr PathChars chars(PathStyle style = native_style) { return path_chars(style); }

    static constexpr char16_t separator = path_chars(native_style).separator;
    static constexpr char16_t alt_separator = path_chars(native_style).alt_separator;
    static constexpr char16_t volume_separator = path_chars(native_style).volume_separator;
    static constexpr char16_t path_separator = path_chars(native_style).path_separator;
    static constexpr StringView separator_chars = path_chars(native_style).separator_chars;
    static constexpr StringView invalid_path_chars = path_chars(native_style).invalid_path_chars;

    static bool is_separator(char16_t c, PathStyle style = native_style);

    // a empty -> b; b empty -> a; b absolute -> b; a ending in a separator ->
    // a + b; otherwise a + separator + b.
    static String combine(StringView a, StringView b, PathStyle style = native_style);

    // windows: a first separator, or ':' as the second character.
    // posix:   a first '/'. False for an empty path in both.
    static bool is_absolute_path(StringView p, PathStyle style = native_style);

    // The root of an absolute path, empty for a relative or empty one.
    // windows: "\\server\share\" (always with backslashes) for a UNC name;
    //          "\" for any other path starting with a separator; "C:\" (as
    //          written) for a drive, a colon and a separator; "C:" for a drive
    //          and a colon followed by nothing or a name.
    // posix:   "/".
    static String path_root(StringView p, PathStyle style = native_style);

    // The directory part. Throws ArgumentException (argument "path") for an
    // empty p. A root is its own directory. Otherwise one trailing separator
    // is skipped and everything before the last separator is taken.
    // windows: empty when there is no separator or it stands at index 0 or 1;
    //          a result ending in ':' gets a backslash ("C:\a" -> "C:\").
    // posix:   empty when there is no separator; "/" when it stands at
    //          index 0 ("/a" -> "/").
    static String directory_name(StringView p, PathStyle style = native_style);

    // The part after the last separator before the end; a trailing separator
    // is kept ("C:\dir\" -> "dir\"). Empty when p holds no separator at all
    // (a bare name gives an empty string) and for a root.
    static String file_name(StringView p, PathStyle style = native_style);

    // From the last '.' to the end, dot included, when that dot follows the
    // last separator and is not the last character; otherwise empty.
    static String extension_name(StringView p, PathStyle style = native_style);

    // Replaces p's extension in place (a final dot counts as one) by ext, or
    // by "." + ext when ext does not start with a dot; a p without one gets
    // it appended; a p whose dot is its first character becomes the new
    // extension. Throws ArgumentException("Illegal characters in path") when
    // p holds an invalid path character.
    static void change_extension(String& p, StringView ext, PathStyle style = native_style);

    // windows: false when p holds '"', '<', '>', '/', '|', '*' or '?', or a
    //          ':' anywhere but at index 1 of an absolute path.
    // posix:   false when p holds NUL; every other name is valid on Linux.
    static bool is_valid_path(StringView p, PathStyle style = native_style);

    // The full form of p against the process's current directory (see the
    // overload below). Throws ArgumentException for a blank p; the current
    // directory's failure as IOException.
    static String make_full_path(StringView p, PathStyle style = native_style);

    // The rule itself, against a given current directory:
    //  1. p blank (only spaces) -> ArgumentException("The parameter path is
    //     not of a legal form").
    //  windows:
    //  2. p starting with two separators is a UNC name: exactly two
    //     characters, or no backslash from index 2 on -> ArgumentException(
    //     "UNC path should be of the form \\server\share."); a name starting
    //     with '/' has every '/' replaced by '\'; otherwise p.
    //  3. relative: p starting with '.' as it is; otherwise current + "\" + p.
    //  4. one leading separator: under the current directory's drive ("C:")
    //     or, for a UNC current directory, under its "\\server\share"; p as
    //     it is when the current directory has neither.
    //  5. a drive and a colon first: p as it is.
    //  posix:
    //  2. relative -> current + "/" + p; absolute -> p.
    //  In both, no separator is doubled when current already ends in one, and
    //  no "." or ".." component is resolved.
    static String make_full_path(StringView p, StringView current, PathStyle style);

    // The process's current directory, native style. Failure -> IOException
    // through SystemFile::throw_io_exception. (The 260-character limit of
    // Windows does not apply on POSIX.)
    static String current_path();

    // The directory of the running program's file (/proc/self/exe on Linux).
    // Failure -> IOException through SystemFile::throw_io_exception.
    static String current_module_path();
};

}  // namespace bk
