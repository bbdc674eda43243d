#pragma once

#include <cstddef>
#include <string_view>

#include "graphics/affine_matrix.h"
#include "graphics/number_reader.h"

namespace pavrix_graphics {

enum class TransformItem { matrix, translate, scale, rotate, skew_x, skew_y };

// The item of that exact name ("matrix", "translate", "scale", "rotate", "skewX" or "skewY");
// false for any other name.
bool transform_item_named(std::string_view name, TransformItem& item) noexcept;

// Reads "( n1 n2 ... )" of one transform function into values (room for required + optional),
// and, when literals is not null, the literals as scanned. Returns the count read, which is
// required or required + optional; 0 means failure.
int parse_number_list(const char*& cursor, const char* end, float* values, int required, int optional,
                      NumberLiteral* literals = nullptr);

// One item as parse_transform_list read and applied it.
struct TransformItemReading {
    TransformItem item;
    int count;                      // arguments read
    const float* values;            // as the matrix took them
    const NumberLiteral* literals;  // their text
};

// Called after each item; returning false ends the parse as a failure.
using TransformItemVisitor = bool (*)(void* closure, const TransformItemReading& reading);

// Parses an SVG transform list into m (identity first; every item is pre-applied, so the
// rightmost item acts first). length -1: text is NUL-terminated. On failure m holds the
// product of the items read before the error. A visitor, when given, sees every item.
bool parse_transform_list(AffineMatrix* m, const char* text, std::ptrdiff_t length,
                          TransformItemVisitor visit = nullptr, void* closure = nullptr);

}  // namespace pavrix_graphics
