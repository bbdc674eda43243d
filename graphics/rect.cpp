#include "graphics/rect.h"

#include <algorithm>

namespace pavrix_svg {

Rect Rect::intersected(const Rect& other) const {
    if (!other.isValid())
        return *this;
    if (!isValid())
        return other;
    const float l = std::max(x, other.x);
    const float t = std::max(y, other.y);
    const float r = std::min(right(), other.right());
    const float b = std::min(bottom(), other.bottom());
    if (l >= r || t >= b)
        return Rect::Empty;
    return Rect(l, t, r - l, b - t);
}

Rect Rect::united(const Rect& other) const {
    if (!other.isValid())
        return *this;
    if (!isValid())
        return other;
    const float l = std::min(x, other.x);
    const float t = std::min(y, other.y);
    const float r = std::max(right(), other.right());
    const float b = std::max(bottom(), other.bottom());
    return Rect(l, t, r - l, b - t);
}

}  // namespace pavrix_svg
