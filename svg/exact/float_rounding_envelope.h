#pragma once

#include <cmath>
#include <limits>

namespace pavrix_svg {

// How far a value may move when it is rounded to its neighbours: the larger of the distances to
// the next representable value above and below, computed in double. +inf for non-finite input.
// No kernel dependency: shared by the attribute audit and the print kernel.

// v taken as a float (round to nearest); +inf when that float is not finite.
inline double float_rounding_envelope(double v) noexcept {
    const float f = static_cast<float>(v);
    if (!std::isfinite(f))
        return std::numeric_limits<double>::infinity();
    const double up = static_cast<double>(std::nextafter(f, std::numeric_limits<float>::infinity()));
    const double down = static_cast<double>(std::nextafter(f, -std::numeric_limits<float>::infinity()));
    const double fd = static_cast<double>(f);
    const double above = up - fd;
    const double below = fd - down;
    return above > below ? above : below;
}

inline double double_rounding_envelope(double v) noexcept {
    if (!std::isfinite(v))
        return std::numeric_limits<double>::infinity();
    const double above = std::nextafter(v, std::numeric_limits<double>::infinity()) - v;
    const double below = v - std::nextafter(v, -std::numeric_limits<double>::infinity());
    return above > below ? above : below;
}

}  // namespace pavrix_svg
