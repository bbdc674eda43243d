#include "recorder/exact_shape_geometry.h"

#include <array>
#include <cmath>
#include <string>
#include <utility>

#include "graphics/path.h"
#include "recorder/exact_path_builder.h"
#include "svg/dom/element_id.h"
#include "svg/exact/exact_number_readers.h"
#include "svg/dom/length_resolution.h"
#include "svg/dom/svg_element.h"

namespace pavrix_svg_core {

using pavrix_svg::ElementID;
using pavrix_svg::PropertyID;
using pavrix_svg::SVGElement;

namespace {

constexpr double kSqrt2 = 1.4142135623730951;

bool buildCircleOrEllipse(const SVGElement& element, bool circle, PaintCommand& command, bool& lowered,
                          double& errorBound) {
    double cx = 0.0;
    double cy = 0.0;
    double rx = 0.0;
    double ry = 0.0;
    if (!resolveExactLength(element, PropertyID::Cx, 0.0, false, 0, cx) ||
        !resolveExactLength(element, PropertyID::Cy, 0.0, false, 1, cy)) {
        return false;
    }
    if (circle) {
        if (!resolveExactLength(element, PropertyID::R, 0.0, true, 2, rx)) {
            return false;
        }
        ry = rx;
    } else if (!resolveExactLength(element, PropertyID::Rx, 0.0, true, 0, rx) ||
               !resolveExactLength(element, PropertyID::Ry, 0.0, true, 1, ry)) {
        return false;
    }
    lowered = true;
    return appendExactEllipse(command, cx, cy, rx, ry, errorBound);
}

bool buildLine(const SVGElement& element, PaintCommand& command) {
    double x1 = 0.0;
    double y1 = 0.0;
    double x2 = 0.0;
    double y2 = 0.0;
    if (!resolveExactLength(element, PropertyID::X1, 0.0, false, 0, x1) ||
        !resolveExactLength(element, PropertyID::Y1, 0.0, false, 1, y1) ||
        !resolveExactLength(element, PropertyID::X2, 0.0, false, 0, x2) ||
        !resolveExactLength(element, PropertyID::Y2, 0.0, false, 1, y2)) {
        return false;
    }
    appendExactMoveTo(command, x1, y1);
    appendExactLineTo(command, x2, y2);
    return true;
}

bool buildRect(const SVGElement& element, PaintCommand& command, bool& lowered, double& errorBound) {
    double x = 0.0;
    double y = 0.0;
    double w = 0.0;
    double h = 0.0;
    if (!resolveExactLength(element, PropertyID::X, 0.0, false, 0, x) ||
        !resolveExactLength(element, PropertyID::Y, 0.0, false, 1, y) ||
        !resolveExactLength(element, PropertyID::Width, 0.0, true, 0, w) ||
        !resolveExactLength(element, PropertyID::Height, 0.0, true, 1, h)) {
        return false;
    }
    if (!(w > 0.0) || !(h > 0.0)) {
        return false;
    }
    double rx = 0.0;
    double ry = 0.0;
    const bool rxGiven = pavrix_svg::hasAttribute(element, PropertyID::Rx);
    const bool ryGiven = pavrix_svg::hasAttribute(element, PropertyID::Ry);
    if ((rxGiven && !resolveExactLength(element, PropertyID::Rx, 0.0, true, 0, rx)) ||
        (ryGiven && !resolveExactLength(element, PropertyID::Ry, 0.0, true, 1, ry))) {
        return false;
    }
    return appendExactRoundRect(command, x, y, w, h, rx, ry, rxGiven, ryGiven, lowered, errorBound);
}

}  // namespace

bool resolveExactLength(const SVGElement& element, PropertyID attribute, double defaultValue, bool required,
                        int direction, double& value) {
    const std::string_view text = pavrix_svg::findAttribute(element, attribute);
    double number = 0.0;
    pavrix_svg::ExactLengthUnit unit = pavrix_svg::ExactLengthUnit::px;
    if (!pavrix_svg::parseLengthExact(text, defaultValue, number, unit, !required)) {
        return false;
    }
    const double fontSize = static_cast<double>(element.fontSize);
    switch (unit) {
    case pavrix_svg::ExactLengthUnit::px:
        break;
    case pavrix_svg::ExactLengthUnit::em:
        number *= fontSize;
        break;
    case pavrix_svg::ExactLengthUnit::ex:
        number = number * fontSize * 0.5;
        break;
    case pavrix_svg::ExactLengthUnit::percent: {
        const pavrix_svg::ViewportSize viewport = pavrix_svg::viewportSize(element);
        const double width = static_cast<double>(viewport.width);
        const double height = static_cast<double>(viewport.height);
        double reference = 0.0;
        if (direction == 0) {
            reference = width;
        } else if (direction == 1) {
            reference = height;
        } else if (direction == 2) {
            reference = std::hypot(width, height) / kSqrt2;
        }
        number = number * reference / 100.0;
        break;
    }
    }
    if (!std::isfinite(number)) {
        return false;
    }
    value = number;
    return true;
}

bool buildExactShapePath(const SVGElement& element, PaintCommand& command, bool& lowered, double& errorBound) {
    switch (element.id()) {
    case ElementID::Circle:
        return buildCircleOrEllipse(element, true, command, lowered, errorBound);
    case ElementID::Ellipse:
        return buildCircleOrEllipse(element, false, command, lowered, errorBound);
    case ElementID::Line:
        return buildLine(element, command);
    case ElementID::Polygon:
    case ElementID::Polyline:
        return parsePointsExact(pavrix_svg::findAttribute(element, PropertyID::Points),
                                element.id() == ElementID::Polygon, command);
    case ElementID::Rect:
        return buildRect(element, command, lowered, errorBound);
    default:
        return false;
    }
}

bool buildExactGeometry(const SVGElement* element, PaintCommand& command, bool& lowered, double& errorBound) {
    lowered = false;
    errorBound = 0.0;
    if (element == nullptr) {
        return false;
    }
    if (element->id() == ElementID::Path) {
        if (element->exactPathOperands) {
            return buildExactPath(*element->exactPathOperands, command, lowered, errorBound);
        }
        return parsePathDataExact(pavrix_svg::findAttribute(*element, PropertyID::D), command, lowered, errorBound);
    }
    PaintCommand shape;
    bool shapeLowered = false;
    double shapeBound = 0.0;
    if (!buildExactShapePath(*element, shape, shapeLowered, shapeBound)) {
        return false;
    }
    // Sums of finite lengths (x + width, cx + r) can still overflow.
    for (const PaintPoint& point : shape.path_points) {
        if (!std::isfinite(point.x) || !std::isfinite(point.y)) {
            return false;
        }
    }
    appendBuiltPath(command, std::move(shape));
    lowered = shapeLowered;
    errorBound = shapeBound;
    return true;
}

bool exactPathMatchesFloatPath(const SVGElement* element, const pavrix_svg::Path& path) {
    PaintCommand exact;
    bool lowered = false;
    double bound = 0.0;
    if (element == nullptr || !buildExactGeometry(element, exact, lowered, bound)) {
        return false;
    }
    std::size_t verb = 0;
    std::size_t point = 0;
    std::array<pavrix_svg::Point, 3> points{};
    for (pavrix_svg::PathIterator it(path); !it.isDone(); it.next()) {
        if (verb == exact.path_verbs.size()) {
            return false;
        }
        const pavrix_svg::PathCommand segment = it.currentSegment(points);
        const PathVerb expected = exact.path_verbs[verb++];
        if (static_cast<int>(segment) != static_cast<int>(expected)) {
            return false;
        }
        // A float close carries the subpath start; the exact close has no point.
        const std::size_t count = pointsPerVerb(expected);
        for (std::size_t i = 0; i < count; ++i) {
            const PaintPoint& p = exact.path_points[point++];
            if (static_cast<double>(points[i].x) != p.x || static_cast<double>(points[i].y) != p.y) {
                return false;
            }
        }
    }
    return verb == exact.path_verbs.size();
}

}  // namespace pavrix_svg_core
