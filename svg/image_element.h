#pragma once

#include "graphics/bitmap.h"
#include "svg/graphics_elements.h"

namespace pavrix_svg {

// Through the entry points the classifier refuses href on image elements, so no bitmap is
// ever decoded there; parseAttribute decodes only when a caller sets href directly.
class SVGImageElement final : public SVGGraphicsElement {
public:
    explicit SVGImageElement(Document& document);

    // href becomes the decoded bitmap ("data:" base64 payloads or a file path).
    bool parseAttribute(PropertyID id, std::string_view value) override;
    Rect fillBoundingBox() const override;
    Rect strokeBoundingBox() const override;
    void render(const SVGRenderState& parentState) override;

    const SVGLength& x() const noexcept { return m_x; }
    const SVGLength& y() const noexcept { return m_y; }
    const SVGLength& width() const noexcept { return m_width; }
    const SVGLength& height() const noexcept { return m_height; }
    const SVGPreserveAspectRatio& preserveAspectRatio() const noexcept { return m_preserveAspectRatio; }
    const Bitmap& bitmap() const noexcept { return m_bitmap; }

private:
    SVGLength m_x{PropertyID::X, LengthDirection::Horizontal, LengthNegativeMode::Allow};
    SVGLength m_y{PropertyID::Y, LengthDirection::Vertical, LengthNegativeMode::Allow};
    SVGLength m_width{PropertyID::Width, LengthDirection::Horizontal, LengthNegativeMode::Forbid, 100.0f,
                      LengthUnit::Percent};
    SVGLength m_height{PropertyID::Height, LengthDirection::Vertical, LengthNegativeMode::Forbid, 100.0f,
                       LengthUnit::Percent};
    SVGPreserveAspectRatio m_preserveAspectRatio{PropertyID::PreserveAspectRatio};
    Bitmap m_bitmap;
};

} // namespace pavrix_svg
