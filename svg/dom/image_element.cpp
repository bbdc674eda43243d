#include "svg/dom/image_element.h"

#include <string>

#include "svg/dom/length_resolution.h"
#include "svg/dom/render_hooks.h"

namespace pavrix_svg {

namespace {

constexpr std::string_view kDataScheme = "data:";

Bitmap decodeHref(std::string_view value) {
    if (!value.starts_with(kDataScheme)) {
        // A path with an embedded NUL would silently name a different file.
        if (value.find('\0') != std::string_view::npos)
            return Bitmap();
        return loadBitmapFromFile(std::string(value).c_str());
    }
    // The media type and the base64 marker before the comma are not examined.
    const std::size_t comma = value.find(',', kDataScheme.size());
    if (comma == std::string_view::npos || comma + 1 >= value.size())
        return Bitmap();
    return loadBitmapFromBase64(value.substr(comma + 1));
}

}  // namespace

SVGImageElement::SVGImageElement(Document& document)
    : SVGGraphicsElement(document, ElementID::Image), SVGViewportRect(static_cast<SVGElement&>(*this)) {
    addProperty(m_preserveAspectRatio);
}

bool SVGImageElement::parseAttribute(PropertyID id, std::string_view value) {
    if (id != PropertyID::Href)
        return SVGGraphicsElement::parseAttribute(id, value);
    markForLayout();
    m_bitmap = decodeHref(value);
    return !m_bitmap.isNull();
}

Rect SVGImageElement::fillBoundingBox() const {
    const LengthContext context(*this);
    return Rect(context.valueForLength(x()), context.valueForLength(y()), context.valueForLength(width()),
                context.valueForLength(height()));
}

Rect SVGImageElement::strokeBoundingBox() const {
    return fillBoundingBox();
}

void SVGImageElement::render(const SVGRenderState& parentState) {
    if (const RenderHooks* hooks = renderHooks(); hooks != nullptr && hooks->renderImage != nullptr)
        hooks->renderImage(*this, parentState);
}

}  // namespace pavrix_svg
