#pragma once

// One reading of a `transform` value that serves every reader of it: the float matrix, the
// operation count, the precision audit and the exact matrix the render pass needs.

#include <cstdint>
#include <string_view>

#include "graphics/affine_matrix.h"
#include "svg/exact/exact_transform.h"
#include "svg/exact/transform_audit.h"

namespace pavrix_svg {

// What each reader would give for the same text.
struct TransformReading {
    std::uint32_t operationCount = 0;  // countTransformOperations
    TransformPrecision precision;      // analyzeTransformPrecision
    ExactTransform exact;              // parseTransformExact
};

// Parses the text with the float transform-list parser into `matrix` and feeds every reader from
// its tokens. Wherever that parser succeeds the other readers see the same items and numbers, so
// true means every result is filled; false when the float parser fails (the caller then leaves
// the text to each reader as before).
bool readTransformOnce(std::string_view text, pavrix_graphics::AffineMatrix& matrix, TransformReading& reading);

}  // namespace pavrix_svg
