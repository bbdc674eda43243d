#pragma once

#include "svg/dom/svg_element.h"
#include "svg/dom/svg_property.h"

namespace pavrix_svg {

class SVGMaskElement final : public SVGElement {
public:
    explicit SVGMaskElement(Document& document);

    // Also copies the mask type from the layout state.
    void layoutElement(const SVGLayoutState& state) override;

    const SVGLength& x() const noexcept { return m_x; }
    const SVGLength& y() const noexcept { return m_y; }
    const SVGLength& width() const noexcept { return m_width; }
    const SVGLength& height() const noexcept { return m_height; }
    const SVGEnumeration<Units>& maskUnits() const noexcept { return m_maskUnits; }
    const SVGEnumeration<Units>& maskContentUnits() const noexcept { return m_maskContentUnits; }

    std::uint8_t maskType = 0;  // 0 luminance, 1 alpha

private:
    SVGLength m_x{PropertyID::X, LengthDirection::Horizontal, LengthNegativeMode::Allow, -10.0f, LengthUnit::Percent};
    SVGLength m_y{PropertyID::Y, LengthDirection::Vertical, LengthNegativeMode::Allow, -10.0f, LengthUnit::Percent};
    SVGLength m_width{PropertyID::Width, LengthDirection::Horizontal, LengthNegativeMode::Forbid, 120.0f,
                      LengthUnit::Percent};
    SVGLength m_height{PropertyID::Height, LengthDirection::Vertical, LengthNegativeMode::Forbid, 120.0f,
                       LengthUnit::Percent};
    SVGEnumeration<Units> m_maskUnits{PropertyID::MaskUnits, Units::ObjectBoundingBox};
    SVGEnumeration<Units> m_maskContentUnits{PropertyID::MaskContentUnits, Units::UserSpaceOnUse};
};

}  // namespace pavrix_svg
