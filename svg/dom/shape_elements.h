#pragma once

#include "svg/dom/geometry_element.h"
#include "svg/dom/svg_property.h"

namespace pavrix_svg {

class SVGCircleElement final : public SVGGeometryElement {
public:
    explicit SVGCircleElement(Document& document);
    Rect updateShape(Path& shape) const override;

    const SVGLength& cx() const noexcept { return m_cx; }
    const SVGLength& cy() const noexcept { return m_cy; }
    const SVGLength& r() const noexcept { return m_r; }

private:
    SVGLength m_cx{PropertyID::Cx, LengthDirection::Horizontal, LengthNegativeMode::Allow};
    SVGLength m_cy{PropertyID::Cy, LengthDirection::Vertical, LengthNegativeMode::Allow};
    SVGLength m_r{PropertyID::R, LengthDirection::Diagonal, LengthNegativeMode::Forbid};
};

class SVGEllipseElement final : public SVGGeometryElement {
public:
    explicit SVGEllipseElement(Document& document);
    Rect updateShape(Path& shape) const override;

    const SVGLength& cx() const noexcept { return m_cx; }
    const SVGLength& cy() const noexcept { return m_cy; }
    const SVGLength& rx() const noexcept { return m_rx; }
    const SVGLength& ry() const noexcept { return m_ry; }

private:
    SVGLength m_cx{PropertyID::Cx, LengthDirection::Horizontal, LengthNegativeMode::Allow};
    SVGLength m_cy{PropertyID::Cy, LengthDirection::Vertical, LengthNegativeMode::Allow};
    // Both radii resolve percentages against the viewport diagonal here. The recorder's
    // double-precision rebuild resolves rx horizontally and ry vertically instead, so with a
    // percentage radius the recorded ellipse differs from this float path (drawing, boxes,
    // markers). The two readings are kept deliberately.
    SVGLength m_rx{PropertyID::Rx, LengthDirection::Diagonal, LengthNegativeMode::Forbid};
    SVGLength m_ry{PropertyID::Ry, LengthDirection::Diagonal, LengthNegativeMode::Forbid};
};

class SVGLineElement final : public SVGGeometryElement {
public:
    explicit SVGLineElement(Document& document);
    Rect updateShape(Path& shape) const override;

    const SVGLength& x1() const noexcept { return m_x1; }
    const SVGLength& y1() const noexcept { return m_y1; }
    const SVGLength& x2() const noexcept { return m_x2; }
    const SVGLength& y2() const noexcept { return m_y2; }

private:
    SVGLength m_x1{PropertyID::X1, LengthDirection::Horizontal, LengthNegativeMode::Allow};
    SVGLength m_y1{PropertyID::Y1, LengthDirection::Vertical, LengthNegativeMode::Allow};
    SVGLength m_x2{PropertyID::X2, LengthDirection::Horizontal, LengthNegativeMode::Allow};
    SVGLength m_y2{PropertyID::Y2, LengthDirection::Vertical, LengthNegativeMode::Allow};
};

class SVGPathElement final : public SVGGeometryElement {
public:
    explicit SVGPathElement(Document& document);
    Rect updateShape(Path& shape) const override;

    const SVGPath& d() const noexcept { return m_d; }

private:
    SVGPath m_d;
};

// polygon (closed) and polyline; the element keeps its ElementID.
class SVGPolyElement final : public SVGGeometryElement {
public:
    SVGPolyElement(Document& document, ElementID id);
    Rect updateShape(Path& shape) const override;

    const SVGPointList& points() const noexcept { return m_points; }

private:
    SVGPointList m_points{PropertyID::Points};
};

class SVGRectElement final : public SVGGeometryElement {
public:
    explicit SVGRectElement(Document& document);
    Rect updateShape(Path& shape) const override;

    const SVGLength& x() const noexcept { return m_x; }
    const SVGLength& y() const noexcept { return m_y; }
    const SVGLength& width() const noexcept { return m_width; }
    const SVGLength& height() const noexcept { return m_height; }
    const SVGLength& rx() const noexcept { return m_rx; }
    const SVGLength& ry() const noexcept { return m_ry; }

private:
    SVGLength m_x{PropertyID::X, LengthDirection::Horizontal, LengthNegativeMode::Allow};
    SVGLength m_y{PropertyID::Y, LengthDirection::Vertical, LengthNegativeMode::Allow};
    SVGLength m_width{PropertyID::Width, LengthDirection::Horizontal, LengthNegativeMode::Forbid};
    SVGLength m_height{PropertyID::Height, LengthDirection::Vertical, LengthNegativeMode::Forbid};
    SVGLength m_rx{PropertyID::Rx, LengthDirection::Horizontal, LengthNegativeMode::Forbid};
    SVGLength m_ry{PropertyID::Ry, LengthDirection::Vertical, LengthNegativeMode::Forbid};
};

}  // namespace pavrix_svg
