#include "basekit/text_format.h"

#include <cstdio>
#include <string>

namespace bk {
namespace {

struct Directive {
    std::string flags;
    int width = -1;
    int precision = -1;
    char type = 0;
};

// Parses the conversion after '%' at format[i]; returns the index after it,
// or 0 when it is not a conversion the formatter knows.
std::size_t parse_directive(StringView format, std::size_t i, Directive& directive) {
    auto at = [&](std::size_t k) -> char16_t { return k < format.size() ? format[k] : 0; };
    while (at(i) == u'-' || at(i) == u'0' || at(i) == u'+' || at(i) == u' ' || at(i) == u'#')
        directive.flags.push_back(static_cast<char>(format[i++]));
    auto read_number = [&]() {
        int n = 0;
        while (at(i) >= u'0' && at(i) <= u'9' && n < 1000) n = n * 10 + (format[i++] - u'0');
        return n;
    };
    if (at(i) >= u'0' && at(i) <= u'9') directive.width = read_number();
    if (at(i) == u'.') {
        ++i;
        directive.precision = read_number();
    }
    if (format.substr(std::min(i, format.size())).starts_with(u"I64")) i += 3;
    else if (format.substr(std::min(i, format.size())).starts_with(u"ll")) i += 2;
    else if (at(i) == u'l' || at(i) == u'h') i += 1;
    switch (at(i)) {
        case u'd': case u'i': case u'u': case u'x': case u'X': case u'c': case u'f': case u's':
            directive.type = static_cast<char>(format[i]);
            return i + 1;
        default:
            return 0;
    }
}

std::int64_t as_signed(const FormatArg& arg) {
    return std::visit([](auto v) -> std::int64_t {
        if constexpr (std::is_same_v<decltype(v), StringView>) return 0;
        else return static_cast<std::int64_t>(v);
    }, arg.value());
}

std::uint64_t as_unsigned(const FormatArg& arg) {
    return std::visit([](auto v) -> std::uint64_t {
        if constexpr (std::is_same_v<decltype(v), StringView>) return 0;
        else return static_cast<std::uint64_t>(v);
    }, arg.value());
}

double as_double(const FormatArg& arg) {
    return std::visit([](auto v) -> double {
        if constexpr (std::is_same_v<decltype(v), StringView>) return 0;
        else return static_cast<double>(v);
    }, arg.value());
}

String pad(String text, const Directive& directive) {
    if (directive.width < 0 || text.size() >= static_cast<std::size_t>(directive.width)) return text;
    const std::size_t fill = static_cast<std::size_t>(directive.width) - text.size();
    if (directive.flags.find('-') != std::string::npos) return text + String(fill, u' ');
    return String(fill, u' ') + text;
}

String widen(const std::string& ascii) { return String(ascii.begin(), ascii.end()); }

String convert(const Directive& directive, const FormatArg& arg) {
    if (directive.type == 's') {
        if (const auto* text = std::get_if<StringView>(&arg.value())) {
            String s(*text);
            if (directive.precision >= 0 && s.size() > static_cast<std::size_t>(directive.precision))
                s.resize(static_cast<std::size_t>(directive.precision));
            return pad(std::move(s), directive);
        }
    }
    if (directive.type == 'c') return pad(String(1, static_cast<char16_t>(as_unsigned(arg))), directive);
    if (const auto* text = std::get_if<StringView>(&arg.value())) return pad(String(*text), directive);

    // Numbers are formatted by the C library from a format we build ourselves.
    std::string c_format = "%" + directive.flags;
    if (directive.width >= 0) c_format += std::to_string(directive.width);
    if (directive.precision >= 0) c_format += "." + std::to_string(directive.precision);
    char buffer[512];
    switch (directive.type) {
        case 'f':
            c_format += "f";
            std::snprintf(buffer, sizeof buffer, c_format.c_str(), as_double(arg));
            break;
        case 'u': case 'x': case 'X':
            c_format += "ll";
            c_format += directive.type;
            std::snprintf(buffer, sizeof buffer, c_format.c_str(),
                          static_cast<unsigned long long>(as_unsigned(arg)));
            break;
        default:
            c_format += "lld";
            std::snprintf(buffer, sizeof buffer, c_format.c_str(), static_cast<long long>(as_signed(arg)));
            break;
    }
    return widen(buffer);
}

}  // namespace

String format_text(StringView format, std::initializer_list<FormatArg> args) {
    String out;
    out.reserve(format.size() + 32);
    auto next = args.begin();
    std::size_t i = 0;
    while (i < format.size()) {
        const char16_t c = format[i];
        if (c != u'%') {
            out.push_back(c);
            ++i;
            continue;
        }
        if (i + 1 < format.size() && format[i + 1] == u'%') {
            out.push_back(u'%');
            i += 2;
            continue;
        }
        Directive directive;
        const std::size_t end = parse_directive(format, i + 1, directive);
        if (end == 0 || next == args.end()) {
            out.push_back(c);
            ++i;
            continue;
        }
        out += convert(directive, *next++);
        i = end;
    }
    return out;
}

}  // namespace bk
