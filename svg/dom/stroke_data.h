#pragma once

#include <cstdint>
#include <vector>

#include "graphics/canvas_paint.h"

namespace pavrix_svg {

class SVGElement;
struct SVGLayoutState;

// Stroke parameters in single precision (drawing, boxes) and in double precision read again
// from the source text (recording).
struct StrokeData {
    float width = 1.0f;
    float miterLimit = 4.0f;
    float dashOffset = 0.0f;
    double exactWidth = 1.0;
    double exactMiterLimit = 4.0;
    double exactDashOffset = 0.0;
    std::vector<double> exactDashArray;
    std::uint8_t lineCap = 0;   // 0 butt, 1 round, 2 square
    std::uint8_t lineJoin = 0;  // 0 miter, 1 round, 2 bevel
    std::vector<float> dashArray;

    // The float side as the canvas takes it.
    CanvasStroke canvasStroke() const;
};

// Lengths resolved against the element (diagonal direction); the double side falls back to the
// float value wherever the exact reading of the text fails.
StrokeData resolveStrokeData(const SVGElement& element, const SVGLayoutState& state);

}  // namespace pavrix_svg
