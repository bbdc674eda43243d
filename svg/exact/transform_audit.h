#pragma once

#include <cstdint>
#include <string_view>

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

}  // namespace pavrix_svg
