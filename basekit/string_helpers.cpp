#include "basekit/string_helpers.h"

#include "basekit/exception.h"

namespace bk {
namespace {

const char16_t* const off_out_of_range = u"The off out of the string range";

bool in_set(char16_t c, StringView set) { return set.find(c) != StringView::npos; }

}  // namespace

int find_any(StringView s, int start, StringView set) {
    if (start < 0 || static_cast<std::size_t>(start) > s.size()) throw OutOfRangeException(off_out_of_range);
    for (std::size_t i = static_cast<std::size_t>(start); i < s.size(); ++i)
        if (in_set(s[i], set)) return static_cast<int>(i);
    return -1;
}

int find_last_of_any(StringView s, int start, StringView set) {
    if (start < 0) return -1;
    if (static_cast<std::size_t>(start) >= s.size()) throw OutOfRangeException(off_out_of_range);
    for (int i = start; i >= 0; --i)
        if (in_set(s[static_cast<std::size_t>(i)], set)) return i;
    return -1;
}

String trim(StringView s) {
    const std::size_t first = s.find_first_not_of(u' ');
    if (first == StringView::npos) return {};
    const std::size_t last = s.find_last_not_of(u' ');
    return String(s.substr(first, last - first + 1));
}

String replace_char(StringView s, char16_t from, char16_t to) {
    String result(s);
    for (char16_t& c : result)
        if (c == from) c = to;
    return result;
}

void split_string(StringView s, std::vector<String>& out, StringView separators) {
    if (s.empty()) return;
    if (separators.empty()) {
        out.emplace_back(s);
        return;
    }
    std::size_t begin = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (!in_set(s[i], separators)) continue;
        out.emplace_back(s.substr(begin, i - begin));
        begin = i + 1;
    }
    // A separator at the very end leaves no last piece.
    if (begin < s.size()) out.emplace_back(s.substr(begin));
}

}  // namespace bk
