#pragma once

#include <cstddef>

#include "graphics/affine_matrix.h"

namespace pavrix_graphics {

// Reads "( n1 n2 ... )" of one transform function into values (room for required + optional).
// Returns the count read, which is required or required + optional; 0 means failure.
int parse_number_list(const char*& cursor, const char* end, float* values, int required, int optional);

// Parses an SVG transform list into m (identity first; every item is pre-applied, so the
// rightmost item acts first). length -1: text is NUL-terminated. On failure m holds the
// product of the items read before the error.
bool parse_transform_list(AffineMatrix* m, const char* text, std::ptrdiff_t length);

}  // namespace pavrix_graphics
