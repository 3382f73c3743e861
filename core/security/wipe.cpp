#include "core/security/wipe.h"

#include <cstdint>
#include <cstdlib>

namespace brim {
namespace {

// Keeps the stores before it: the compiler must assume `p` is read here.
inline void barrier(const void* p) noexcept { __asm__ __volatile__("" : : "r"(p) : "memory"); }

template <class Unit>
void scramble(Unit* units, std::size_t count, Unit (*next)()) noexcept {
    volatile Unit* v = units;
    for (int pass = 0; pass < 3; ++pass)
        for (std::size_t i = 0; i < count; ++i) v[i] = next();
    barrier(units);
}

std::uint8_t random_byte() { return static_cast<std::uint8_t>(std::rand()); }

template <class Unit>
Unit printable() {
    return static_cast<Unit>(std::rand() % 93 + 32);
}

template <class Text>
void wipe_text(Text& text) noexcept {
    using Unit = typename Text::value_type;
    scramble<Unit>(text.data(), text.size(), &printable<Unit>);
    text.clear();
}

}  // namespace

void secure_zero(void* buffer, std::size_t size) noexcept {
    if (buffer == nullptr) return;
    volatile auto* v = static_cast<std::uint8_t*>(buffer);
    for (std::size_t i = 0; i < size; ++i) v[i] = 0;
    barrier(buffer);
}

void wipe(void* buffer, std::size_t size) noexcept {
    if (buffer == nullptr || size == 0) return;
    scramble<std::uint8_t>(static_cast<std::uint8_t*>(buffer), size, &random_byte);
    secure_zero(buffer, size);
}

void wipe_string(bk::String& text) noexcept { wipe_text(text); }

void wipe_string(std::string& text) noexcept { wipe_text(text); }

}  // namespace brim
