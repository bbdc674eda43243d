#pragma once

#include <cstdint>
#include <string_view>

namespace pavrix_svg {

// (zero, partial) byte flags: partial (0, 1) for an alpha strictly between 0 and 1, zero (1, 0) for
// an alpha of 0 or below, (0, 0) for opaque or undecided.
struct AlphaClass {
    std::uint8_t zero = 0;
    std::uint8_t partial = 0;

    friend bool operator==(const AlphaClass&, const AlphaClass&) = default;
};

// An alpha class and whether classifyColorAlpha decided it.
struct ColorAlphaClass {
    AlphaClass alpha;
    bool known = false;

    friend bool operator==(const ColorAlphaClass&, const ColorAlphaClass&) = default;
};

// Exact decimal test, without floating point: the literal lies strictly between 0 and 1 (between
// 0 and 100 with a trailing "%").
bool isPartialAlphaLiteral(std::string_view value) noexcept;

AlphaClass classifyAlphaNumber(std::string_view value) noexcept;

// Double-precision opacity in [0, 1]; defaultValue when the text is empty or not one finite number.
double parseOpacityExact(std::string_view value, bool allowPercent, double defaultValue) noexcept;

// Exact alpha of a colour text (#rgba, #rrggbbaa, rgb()/rgba()/hsl()/hsla() with a fourth item).
double parseColorAlpha(std::string_view value, bool isColor, double defaultValue) noexcept;

ColorAlphaClass classifyColorAlpha(std::string_view value, AlphaClass currentColorClass) noexcept;

}  // namespace pavrix_svg
