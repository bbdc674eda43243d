#include "svg/dom/shape_elements.h"

#include <algorithm>

#include "svg/dom/document.h"
#include "svg/dom/length_resolution.h"

namespace pavrix_svg {

SVGCircleElement::SVGCircleElement(Document& document) : SVGGeometryElement(document, ElementID::Circle) {
    addProperty(m_cx);
    addProperty(m_cy);
    addProperty(m_r);
}

Rect SVGCircleElement::updateShape(Path& shape) const {
    const LengthContext context(*this);
    const float r = context.valueForLength(m_r);
    if (!(r > 0.0f))
        return Rect::Empty;
    const float cx = context.valueForLength(m_cx);
    const float cy = context.valueForLength(m_cy);
    shape.addEllipse(cx, cy, r, r);
    return Rect(cx - r, cy - r, r + r, r + r);
}

SVGEllipseElement::SVGEllipseElement(Document& document) : SVGGeometryElement(document, ElementID::Ellipse) {
    addProperty(m_cx);
    addProperty(m_cy);
    addProperty(m_rx);
    addProperty(m_ry);
}

Rect SVGEllipseElement::updateShape(Path& shape) const {
    const LengthContext context(*this);
    const float rx = context.valueForLength(m_rx);
    const float ry = context.valueForLength(m_ry);
    if (!(rx > 0.0f) || !(ry > 0.0f))
        return Rect::Empty;
    const float cx = context.valueForLength(m_cx);
    const float cy = context.valueForLength(m_cy);
    shape.addEllipse(cx, cy, rx, ry);
    return Rect(cx - rx, cy - ry, rx + rx, ry + ry);
}

SVGLineElement::SVGLineElement(Document& document) : SVGGeometryElement(document, ElementID::Line) {
    addProperty(m_x1);
    addProperty(m_y1);
    addProperty(m_x2);
    addProperty(m_y2);
}

Rect SVGLineElement::updateShape(Path& shape) const {
    const LengthContext context(*this);
    const float x1 = context.valueForLength(m_x1);
    const float y1 = context.valueForLength(m_y1);
    const float x2 = context.valueForLength(m_x2);
    const float y2 = context.valueForLength(m_y2);
    shape.moveTo(x1, y1);
    shape.lineTo(x2, y2);
    // Not normalised: a line drawn backwards has a negative extent, which box unions ignore.
    return Rect(x1, y1, x2 - x1, y2 - y1);
}

SVGPathElement::SVGPathElement(Document& document)
    : SVGGeometryElement(document, ElementID::Path), m_d(PropertyID::D, &document.arena()) {
    addProperty(m_d);
}

Rect SVGPathElement::updateShape(Path& shape) const {
    shape = m_d.value();
    return shape.boundingBox();
}

SVGPolyElement::SVGPolyElement(Document& document, ElementID id) : SVGGeometryElement(document, id) {
    addProperty(m_points);
}

Rect SVGPolyElement::updateShape(Path& shape) const {
    const std::vector<Point>& points = m_points.values();
    if (points.empty())
        return Rect::Empty;
    shape.moveTo(points.front().x, points.front().y);
    for (std::size_t i = 1; i < points.size(); ++i)
        shape.lineTo(points[i].x, points[i].y);
    if (id() == ElementID::Polygon)
        shape.close();
    return shape.boundingBox();
}

SVGRectElement::SVGRectElement(Document& document) : SVGGeometryElement(document, ElementID::Rect) {
    addProperty(m_x);
    addProperty(m_y);
    addProperty(m_width);
    addProperty(m_height);
    addProperty(m_rx);
    addProperty(m_ry);
}

Rect SVGRectElement::updateShape(Path& shape) const {
    const LengthContext context(*this);
    const float w = context.valueForLength(m_width);
    const float h = context.valueForLength(m_height);
    if (!(w > 0.0f) || !(h > 0.0f))
        return Rect::Empty;
    const float x = context.valueForLength(m_x);
    const float y = context.valueForLength(m_y);
    float rx = context.valueForLength(m_rx);
    float ry = context.valueForLength(m_ry);
    if (!(rx > 0.0f))
        rx = ry;
    if (!(ry > 0.0f))
        ry = rx;
    rx = std::clamp(rx, 0.0f, w / 2.0f);
    ry = std::clamp(ry, 0.0f, h / 2.0f);
    shape.addRoundRect(x, y, w, h, rx, ry);
    return Rect(x, y, w, h);
}

}  // namespace pavrix_svg
