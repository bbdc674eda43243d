#pragma once

#include "graphics/bitmap.h"
#include "svg/dom/graphics_elements.h"

namespace pavrix_svg {

// Through the entry points the classifier refuses href on image elements, so no bitmap is
// ever decoded there; parseAttribute decodes only when a caller sets href directly.
class SVGImageElement final : public SVGGraphicsElement, public SVGViewportRect {
public:
    explicit SVGImageElement(Document& document);

    // href becomes the decoded bitmap ("data:" base64 payloads or a file path).
    bool parseAttribute(PropertyID id, std::string_view value) override;
    Rect fillBoundingBox() const override;
    Rect strokeBoundingBox() const override;
    void render(const SVGRenderState& parentState) override;

    const SVGPreserveAspectRatio& preserveAspectRatio() const noexcept { return m_preserveAspectRatio; }
    const Bitmap& bitmap() const noexcept { return m_bitmap; }

private:
    SVGPreserveAspectRatio m_preserveAspectRatio{PropertyID::PreserveAspectRatio};
    Bitmap m_bitmap;
};

}  // namespace pavrix_svg
