#pragma once

#include <cstdint>
#include <vector>

#include "graphics/path.h"
#include "graphics/point.h"
#include "graphics/rect.h"
#include "svg/dom/graphics_elements.h"
#include "svg/dom/paint.h"
#include "svg/dom/stroke_data.h"

namespace pavrix_svg {

class SVGMarkerElement;

// One marker instance along a shape's path.
struct MarkerPosition {
    const SVGMarkerElement* marker = nullptr;
    Point point;
    float angle = 0.0f;  // degrees
};

// Base of the six shapes: the float path and fill box built by layout, the resolved paints,
// the stroke data and the marker instances.
class SVGGeometryElement : public SVGGraphicsElement {
public:
    SVGGeometryElement(Document& document, ElementID id);

    bool isGeometryElement() const override { return true; }
    Rect fillBoundingBox() const override { return fillBox; }
    // fillBox grown by the stroke extent when the stroke paints, united with the marker boxes.
    Rect strokeBoundingBox() const override;
    void layoutElement(const SVGLayoutState& state) override;
    void render(const SVGRenderState& parentState) override;

    // Fills `shape` (empty on entry) and returns the fill box.
    virtual Rect updateShape(Path& shape) const = 0;

    Path path;
    Rect fillBox{0.0f, 0.0f, 0.0f, 0.0f};
    StrokeData strokeData;
    Paint fillPaint;
    Paint strokePaint;
    std::vector<MarkerPosition> markerPositions;
    // Set by computeMarkerPositions when the positions come from the path data read in double
    // (paths with arcs or quadratic curves), and then whether each vertex is a float, so that the
    // float positions are the written ones.
    bool markersFromPathData = false;
    bool markerVerticesAreFloats = false;
    std::uint8_t fillRule = 0;  // 0 nonzero, 1 evenodd
    std::uint8_t clipRule = 0;
};

}  // namespace pavrix_svg
