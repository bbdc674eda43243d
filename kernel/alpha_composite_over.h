#pragma once

// Source-over of one list of translucent components placed above another.

#include "kernel/alpha_component.h"
#include "kernel/complexity_budget.h"

namespace pavrix_svg_core {

// Premultiplied source-over of `above` on `below` as a template without paths: contributors
// of `below` scaled by 1 - above.alpha (dropped when that weight is 0), then those of `above`.
AlphaComponent blend_over(const AlphaComponent& below, const AlphaComponent& above);

// Places `above` over `below`. Output order: for each component of `below`, its overlaps with
// each component of `above` and then its uncovered rest; then the uncovered rest of each
// component of `above`.
AlphaComponentList composite_over(AlphaComponentList below, AlphaComponentList above, ComplexityBudget& budget);

}  // namespace pavrix_svg_core
