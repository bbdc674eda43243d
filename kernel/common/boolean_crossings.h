#pragma once

// How often the edges of a Clipper2 boolean's operands cross, counted before the boolean runs.

#include <cstdint>
#include <limits>

#include <clipper2/clipper.h>

namespace pavrix_svg_core {

// Proper crossings of the edges of these closed paths, as Clipper2's sweep meets them: within one
// scanbeam every sloped edge runs straight across it, so the pairs that cross inside it are the
// inversions between the edges' order at its bottom and at its top; a horizontal edge meets the
// edges present at its level strictly between its ends. Paths whose x ranges do not overlap
// cannot cross and are swept apart, each group between its own vertices' levels. Counting stops
// once past `stop_above` and then returns some count above it. Coordinates are compared as
// doubles: a forecast, exact for coordinates of up to 2^53 whose crossings lie apart.
std::uint64_t predicted_crossings(const Clipper2Lib::Paths64& subject, const Clipper2Lib::Paths64* clip = nullptr,
                                  std::uint64_t stop_above = std::numeric_limits<std::uint64_t>::max());

// Whether the crossings may pass `cap`, judged from edge pairs drawn at random with a fixed seed
// (so the same input always gets the same answer) and tested exactly: false when no sampled pair
// crosses, or when the crossings the hits stand for stay far below the cap. Costs a few
// operations per edge where predicted_crossings costs a sweep as long as Clipper2's own.
bool crossings_may_pass(const Clipper2Lib::Paths64& subject, const Clipper2Lib::Paths64* clip, std::uint64_t cap);

}  // namespace pavrix_svg_core
