#pragma once
// The one printf-style formatter of the system. The format always comes from
// a string table; a text from outside (a file name, a job name) is only ever
// an argument, so it can never be read as a format.
//
// Conversions: %s (wide text), %d %i, %u, %x %X, %c, %f with a precision
// (%.2f), the size prefixes I64, ll, l and h (accepted, the argument already
// carries its width), flags - 0 + and blank, a width, and %%. A conversion
// without an argument, or one the formatter does not know, is copied as it
// stands; surplus arguments are ignored.
#include <cstdint>
#include <initializer_list>
#include <variant>

#include "basekit/types.h"

namespace bk {

class FormatArg {
public:
    FormatArg(int value) : value_(static_cast<std::int64_t>(value)) {}
    FormatArg(long value) : value_(static_cast<std::int64_t>(value)) {}
    FormatArg(long long value) : value_(static_cast<std::int64_t>(value)) {}
    FormatArg(unsigned value) : value_(static_cast<std::uint64_t>(value)) {}
    FormatArg(unsigned long value) : value_(static_cast<std::uint64_t>(value)) {}
    FormatArg(unsigned long long value) : value_(static_cast<std::uint64_t>(value)) {}
    FormatArg(double value) : value_(value) {}
    FormatArg(StringView text) : value_(text) {}
    FormatArg(const String& text) : value_(StringView(text)) {}
    FormatArg(const char16_t* text) : value_(StringView(text != nullptr ? text : u"")) {}

    const std::variant<std::int64_t, std::uint64_t, double, StringView>& value() const { return value_; }

private:
    std::variant<std::int64_t, std::uint64_t, double, StringView> value_;
};

String format_text(StringView format, std::initializer_list<FormatArg> args);

}  // namespace bk
