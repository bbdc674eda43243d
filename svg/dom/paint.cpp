#include "svg/dom/paint.h"

#include "svg/dom/paint_server_elements.h"
#include "svg/dom/svg_element.h"
#include "svg/dom/svg_svg_element.h"

namespace pavrix_svg {

Paint resolvePaint(const SVGElement& element, const LayoutPaint& value, float opacity,
                   std::uint8_t partialAlpha) noexcept {
    if (value.serverId.empty() && (value.color >> 24) == 0 && partialAlpha == 0)
        return Paint{};
    Paint paint;
    if (!value.serverId.empty()) {
        if (const SVGRootElement* root = element.rootElement()) {
            SVGElement* target = getElementById(*root, value.serverId);
            if (target != nullptr && target->isPaintElement())
                paint.server = static_cast<SVGPaintElement*>(target);
        }
    }
    paint.color = value.color;
    paint.opacity = opacity;
    paint.partialAlpha = partialAlpha;
    return paint;
}

bool isRenderable(const Paint& paint) noexcept {
    const bool flag = paint.partialAlpha != 0;
    return (paint.opacity > 0.0f || flag) && (paint.server != nullptr || (paint.color >> 24) != 0 || flag);
}

}  // namespace pavrix_svg
