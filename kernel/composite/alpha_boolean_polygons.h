#pragma once

// A Clipper2 boolean whose result comes back split into polygons (exterior, then its holes).

#include <vector>

#include <clipper2/clipper.h>

#include "kernel/common/complexity_budget.h"

namespace pavrix_svg_core {

// NonZero boolean of `subject` with `clip`, charged to the budget. When the result's rings
// cannot be told apart as simple faces, it comes back as one path set holding all of them.
std::vector<Clipper2Lib::Paths64> boolean_to_polygons(Clipper2Lib::ClipType clip_type,
                                                      const Clipper2Lib::Paths64& subject,
                                                      const Clipper2Lib::Paths64& clip, ComplexityBudget& budget);

}  // namespace pavrix_svg_core
