#pragma once

// Exact (double-precision) geometry of an SVG shape element, rebuilt from the
// source attribute text rather than widened from the float path.

#include "recorder/paint_command.h"
#include "svg/dom/property_id.h"

namespace pavrix_svg {
class SVGElement;
class Path;
}  // namespace pavrix_svg

namespace pavrix_svg_core {

// Path data for path elements, shape attributes otherwise; appends the verbs
// and points to `command` on success. `lowered` and `errorBound` start at
// false and 0.
bool buildExactGeometry(const pavrix_svg::SVGElement* element, PaintCommand& command, bool& lowered,
                        double& errorBound);

// circle, ellipse, line, polygon, polyline and rect; false for anything else.
bool buildExactShapePath(const pavrix_svg::SVGElement& element, PaintCommand& command, bool& lowered,
                         double& errorBound);

// direction: 0 horizontal, 1 vertical, 2 diagonal (percentages of the
// viewport's normalised diagonal); any other direction resolves percentages to 0.
bool resolveExactLength(const pavrix_svg::SVGElement& element, pavrix_svg::PropertyID attribute, double defaultValue,
                        bool required, int direction, double& value);

// True when the float path has the same verbs as the exact geometry and each
// of its points widens to the exact point.
bool exactPathMatchesFloatPath(const pavrix_svg::SVGElement* element, const pavrix_svg::Path& path);

}  // namespace pavrix_svg_core
