#include "svg/dom/marker_element.h"

#include "svg/dom/length_resolution.h"

namespace pavrix_svg {

SVGMarkerElement::SVGMarkerElement(Document& document)
    : SVGElement(document, ElementID::Marker), SVGFitToViewBox(static_cast<SVGElement&>(*this)) {
    addProperty(m_refX);
    addProperty(m_refY);
    addProperty(m_markerWidth);
    addProperty(m_markerHeight);
    addProperty(m_markerUnits);
    addProperty(m_orient);
}

Transform SVGMarkerElement::localTransform() const {
    const LengthContext context(*this);
    const float width = context.valueForLength(m_markerWidth);
    const float height = context.valueForLength(m_markerHeight);
    const Rect& box = viewBox().value();
    if (box.w > 0.0f && box.h > 0.0f && width > 0.0f && height > 0.0f)
        return viewBoxTransform(preserveAspectRatio(), box, width, height);
    return Transform::Identity;
}

}  // namespace pavrix_svg
