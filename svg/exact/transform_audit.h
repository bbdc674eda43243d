#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "graphics/transform_list_parser.h"

namespace pavrix_svg {

// Number of runs of letters followed (after optional white space) by "(", saturating at 0xFFFFFFFF.
std::uint32_t countTransformOperations(std::string_view text);

// Error bounds of the float transform parser against the text, split into the linear part and the
// translation part.
struct TransformPrecision {
    double linear = 0.0;
    double translation = 0.0;
};

TransformPrecision analyzeTransformPrecision(std::string_view text);

// What one item adds to the bounds: its arguments in double, the largest magnitude among them,
// and the first as the float parser reads it.
void addTransformItemPrecision(TransformPrecision& precision, pavrix_graphics::TransformItem item, const double* args,
                               std::size_t count, double largest, float singleAngle) noexcept;

}  // namespace pavrix_svg
