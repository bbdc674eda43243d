#pragma once

#include "svg/dom/graphics_elements.h"

namespace pavrix_svg {

class SVGMarkerElement final : public SVGElement, public SVGFitToViewBox {
public:
    explicit SVGMarkerElement(Document& document);

    // The viewBox transform onto markerWidth x markerHeight (placement is the marker layout's).
    Transform localTransform() const override;

    const SVGLength& refX() const noexcept { return m_refX; }
    const SVGLength& refY() const noexcept { return m_refY; }
    const SVGLength& markerWidth() const noexcept { return m_markerWidth; }
    const SVGLength& markerHeight() const noexcept { return m_markerHeight; }
    const SVGEnumeration<MarkerUnits>& markerUnits() const noexcept { return m_markerUnits; }
    const SVGAngle& orient() const noexcept { return m_orient; }

private:
    SVGLength m_refX{PropertyID::RefX, LengthDirection::Horizontal, LengthNegativeMode::Allow};
    SVGLength m_refY{PropertyID::RefY, LengthDirection::Vertical, LengthNegativeMode::Allow};
    SVGLength m_markerWidth{PropertyID::MarkerWidth, LengthDirection::Horizontal, LengthNegativeMode::Forbid, 3.0f};
    SVGLength m_markerHeight{PropertyID::MarkerHeight, LengthDirection::Vertical, LengthNegativeMode::Forbid, 3.0f};
    SVGEnumeration<MarkerUnits> m_markerUnits{PropertyID::MarkerUnits, MarkerUnits::StrokeWidth};
    SVGAngle m_orient{PropertyID::Orient};
};

}  // namespace pavrix_svg
