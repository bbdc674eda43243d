#pragma once

#include <cstdint>
#include <vector>

// Paint and drawing parameters the canvas understands; the values equal the attribute bytes.

namespace pavrix_svg {

enum class FillRule : std::uint8_t { NonZero = 0, EvenOdd = 1 };
enum class LineCap : std::uint8_t { Butt = 0, Round = 1, Square = 2 };
enum class LineJoin : std::uint8_t { Miter = 0, Round = 1, Bevel = 2 };
enum class SpreadMethod : std::uint8_t { Pad = 0, Reflect = 1, Repeat = 2 };
enum class TextureType : std::uint8_t { Plain = 0, Tiled = 1 };
enum class BlendMode : std::uint8_t { Src, SrcOver, DstIn, DstOut };

// Colour channels and alpha in [0, 1].
struct GradientStop {
    float offset = 0.0f;
    float red = 0.0f;
    float green = 0.0f;
    float blue = 0.0f;
    float alpha = 0.0f;
};
using GradientStops = std::vector<GradientStop>;

// The float side of a stroke as the canvas draws it.
struct CanvasStroke {
    float width = 1.0f;
    float miterLimit = 4.0f;
    float dashOffset = 0.0f;
    LineCap lineCap = LineCap::Butt;
    LineJoin lineJoin = LineJoin::Miter;
    std::vector<float> dashArray;
};

}  // namespace pavrix_svg
