#pragma once

#include <cstdint>

#include "svg/dom/layout_state.h"

namespace pavrix_svg {

class SVGElement;
class SVGPaintElement;

// A paint resolved for painting: a paint server or none, the colour (0xAARRGGBB) used without
// a server, the float opacity and the partial-alpha flag.
struct Paint {
    SVGPaintElement* server = nullptr;
    std::uint32_t color = 0;
    float opacity = 0.0f;
    std::uint8_t partialAlpha = 0;
};

// A zero Paint for an empty server id with a transparent colour and no partial flag;
// otherwise the server named by the id (when it is a paint element) with the colour,
// opacity and flag.
Paint resolvePaint(const SVGElement& element, const LayoutPaint& value, float opacity,
                   std::uint8_t partialAlpha) noexcept;

// Whether painting with it can leave a mark.
bool isRenderable(const Paint& paint) noexcept;

// The partial-alpha flag of a paint with its opacity: neither side is zero and one is partial.
constexpr std::uint8_t partialAlphaFlag(const AlphaClass& paint, const AlphaClass& opacity) noexcept {
    const bool zero = paint.zero != 0 || opacity.zero != 0;
    const bool partial = paint.partial != 0 || opacity.partial != 0;
    return (!zero && partial) ? 1 : 0;
}

}  // namespace pavrix_svg
