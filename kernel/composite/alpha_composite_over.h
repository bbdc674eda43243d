#pragma once

// Source-over of one list of translucent components placed above another.

#include "kernel/composite/alpha_component.h"
#include "kernel/common/complexity_budget.h"

namespace pavrix_svg_core {

// Premultiplied source-over of `above` on `below` as a template without paths: contributors
// of `below` scaled by 1 - above.alpha (dropped when that weight is 0), then those of `above`.
AlphaComponent blend_over(const AlphaComponent& below, const AlphaComponent& above);

// Contributor entries one composite may hold. Mutually overlapping translucent shapes make
// pieces quadratic in their count and contributors cubic: 1000 such rectangles took 3.7 GB.
// This stops near 300 of them, while real translucent artwork stays far below.
inline constexpr std::uint64_t kAlphaContributorCap = std::uint64_t{1} << 23;

// Places `above` over `below`. Output order: for each component of `below`, its overlaps with
// each component of `above` and then its uncovered rest; then the uncovered rest of each
// component of `above`. ComplexityLimitError "alpha_contributor_limit" when the output holds
// more than kAlphaContributorCap contributor entries.
AlphaComponentList composite_over(AlphaComponentList below, AlphaComponentList above, ComplexityBudget& budget);

}  // namespace pavrix_svg_core
