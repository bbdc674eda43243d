#pragma once

#include "graphics/point.h"
#include "graphics/rect.h"
#include "graphics/transform.h"

namespace pavrix_svg {

class SVGGeometryElement;
class SVGMarkerElement;
struct SVGLayoutState;

// Fills the element's markerPositions from its path and the state's marker ids.
void computeMarkerPositions(SVGGeometryElement& element, const SVGLayoutState& state);

// Placement of a marker instance: translate(point) · rotate(angle) · scale(strokeWidth, for
// markerUnits strokeWidth) · translate(-ref) · viewBox transform (the last acts first).
Transform markerTransform(const SVGMarkerElement& marker, const Point& point, float angle, float strokeWidth);

// The marker's paint box placed by markerTransform. A marker whose content reaches itself again
// (directly or through other markers) answers the invalid box on the inner call.
Rect markerBoundingBox(const SVGMarkerElement& marker, const Point& point, float angle, float strokeWidth);

}  // namespace pavrix_svg
