#pragma once

#include "graphics/rect.h"
#include "graphics/transform.h"
#include "svg/dom/svg_property.h"

namespace pavrix_svg {

class SVGElement;

// Resolves lengths for one element: percentages against its viewport, or as fractions for
// objectBoundingBox units; em and ex against its computed font size.
class LengthContext {
public:
    explicit LengthContext(const SVGElement& element, Units units = Units::UserSpaceOnUse) noexcept
        : m_element(&element), m_units(units) {}

    float valueForLength(const Length& length, LengthDirection direction) const noexcept;
    float valueForLength(const SVGLength& length) const noexcept {
        return valueForLength(length.length(), length.direction());
    }

    const SVGElement& element() const noexcept { return *m_element; }
    Units units() const noexcept { return m_units; }

private:
    const SVGElement* m_element;
    Units m_units;
};

float resolveLength(const LengthContext& context, const Length& length, LengthDirection direction) noexcept;

struct ViewportSize {
    float width = 0.0f;
    float height = 0.0f;
};

// The viewport percentages refer to: the nearest svg ancestor's viewBox size, or its resolved
// size; 300 x 150 (or the root's own viewBox) at the root.
ViewportSize viewportSize(const SVGElement& element) noexcept;

// Maps the viewBox onto a viewport of width x height; callers make sure all four sizes are positive.
Transform viewBoxTransform(const SVGPreserveAspectRatio& ratio, const Rect& viewBox, float width,
                           float height) noexcept;
// The visible part of the viewBox, in viewBox units.
Rect viewBoxClipRect(const SVGPreserveAspectRatio& ratio, const Rect& viewBox, float width, float height) noexcept;
// Image placement: shrinks the destination (meet) or the source (slice) to keep the aspect ratio.
void fitToViewport(const SVGPreserveAspectRatio& ratio, Rect& destination, Rect& source) noexcept;

}  // namespace pavrix_svg
