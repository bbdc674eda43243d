#pragma once

#include "svg/dom/svg_element.h"
#include "svg/dom/svg_property.h"

namespace pavrix_svg {

// Elements with a transform attribute.
class SVGGraphicsElement : public SVGElement {
public:
    SVGGraphicsElement(Document& document, ElementID id);

    bool isGraphicsElement() const override { return true; }
    Transform localTransform() const override { return m_transform.value(); }

    const SVGTransform& transform() const noexcept { return m_transform; }

private:
    SVGTransform m_transform{PropertyID::Transform};
};

// viewBox (no viewBox: width and height -1) and preserveAspectRatio of the element it is mixed into.
class SVGFitToViewBox {
public:
    explicit SVGFitToViewBox(SVGElement& element);

    const SVGRect& viewBox() const noexcept { return m_viewBox; }
    const SVGPreserveAspectRatio& preserveAspectRatio() const noexcept { return m_preserveAspectRatio; }

private:
    SVGRect m_viewBox{PropertyID::ViewBox, Rect(0.0f, 0.0f, -1.0f, -1.0f)};
    SVGPreserveAspectRatio m_preserveAspectRatio{PropertyID::PreserveAspectRatio};
};

// href (also written xlink:href) of the element it is mixed into.
class SVGURIReference {
public:
    explicit SVGURIReference(SVGElement& element);

    const std::string& href() const noexcept { return m_href.value(); }

private:
    SVGString m_href{PropertyID::Href};
};

// x, y (0 by default) and width, height (100% by default, no negatives) of the svg, use or
// image element it is mixed into.
class SVGViewportRect {
public:
    explicit SVGViewportRect(SVGElement& element);

    const SVGLength& x() const noexcept { return m_x; }
    const SVGLength& y() const noexcept { return m_y; }
    const SVGLength& width() const noexcept { return m_width; }
    const SVGLength& height() const noexcept { return m_height; }

private:
    SVGLength m_x{PropertyID::X, LengthDirection::Horizontal, LengthNegativeMode::Allow};
    SVGLength m_y{PropertyID::Y, LengthDirection::Vertical, LengthNegativeMode::Allow};
    SVGLength m_width{PropertyID::Width, LengthDirection::Horizontal, LengthNegativeMode::Forbid, 100.0f,
                      LengthUnit::Percent};
    SVGLength m_height{PropertyID::Height, LengthDirection::Vertical, LengthNegativeMode::Forbid, 100.0f,
                       LengthUnit::Percent};
};

class SVGGElement final : public SVGGraphicsElement {
public:
    explicit SVGGElement(Document& document);
    void render(const SVGRenderState& parentState) override;
};

class SVGDefsElement final : public SVGGraphicsElement {
public:
    explicit SVGDefsElement(Document& document);
};

class SVGClipPathElement final : public SVGGraphicsElement {
public:
    explicit SVGClipPathElement(Document& document);

    const SVGEnumeration<Units>& clipPathUnits() const noexcept { return m_clipPathUnits; }

private:
    SVGEnumeration<Units> m_clipPathUnits{PropertyID::ClipPathUnits, Units::UserSpaceOnUse};
};

class SVGSymbolElement final : public SVGGraphicsElement, public SVGFitToViewBox {
public:
    explicit SVGSymbolElement(Document& document);
};

class SVGStyleElement final : public SVGElement {
public:
    explicit SVGStyleElement(Document& document);
};

}  // namespace pavrix_svg
