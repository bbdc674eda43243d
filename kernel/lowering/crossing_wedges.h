#pragma once

// The narrowest wedge a union leaves open where two of its input edges cross: the approximation
// errors of the edges move its tip by their size over the sine of half its angle.

#include <clipper2/clipper.h>

namespace pavrix_svg_core {

// Sine of half the narrowest outside angle at a vertex of `output` that is no vertex of `input` (so two
// input edges cross there); corners joined by edges shorter than `base` count as one, with their turns
// summed, and wedges with a side shorter than `base` are passed over. 1 where every such angle's sine is
// at least `wide` (only narrower ones are looked up among the input's vertices).
double narrowest_crossing_sine(const Clipper2Lib::Paths64& input, const Clipper2Lib::Paths64& output, double wide,
                               double base);

}  // namespace pavrix_svg_core
