#pragma once

#include <array>
#include <string_view>

#include "graphics/transform_list_parser.h"

namespace pavrix_svg {

// Double-precision affine transform, same layout and meaning as AffineMatrix: a point maps to
// (a*x + c*y + e, b*x + d*y + f). Default-constructed as the identity.
struct ExactTransform {
    double a = 1.0;
    double b = 0.0;
    double c = 0.0;
    double d = 1.0;
    double e = 0.0;
    double f = 0.0;

    friend bool operator==(const ExactTransform&, const ExactTransform&) = default;
};

// Parses an SVG transform list in double precision with the float parser's syntax (names, argument
// counts, separators between items, commas included). Sets `out` to the identity first; false on
// any syntax error or non-finite number, with `out` holding the items read before the error.
bool parseTransformExact(std::string_view text, ExactTransform& out);

// Pre-applies one item with its count arguments; false, nothing applied, when the count does not
// fit the item.
bool applyTransformItemExact(ExactTransform& out, pavrix_graphics::TransformItem item, const double* values, int count);

// One argument list: optional white space, "(", up to six numbers each followed by optional white
// space and at most one ",", then ")". On success the cursor stands after ")" and the count is
// returned; -1 on failure (cursor unspecified). A comma right before ")" fails, as in the float
// parser.
int parseTransformArguments(std::string_view& cursor, std::array<double, 6>& values);

// dst = left * right with right applied to points first:
//   a = L.a*R.a + L.c*R.b, b = L.b*R.a + L.d*R.b, c = L.a*R.c + L.c*R.d, d = L.b*R.c + L.d*R.d,
//   e = L.a*R.e + L.c*R.f + L.e, f = L.b*R.e + L.d*R.f + L.f.
// dst may alias either operand.
void multiplyTransformExact(ExactTransform& dst, const ExactTransform& left, const ExactTransform& right) noexcept;

// false (out untouched) when the determinant is 0, infinite or NaN.
bool invertTransformExact(const ExactTransform& m, ExactTransform& out) noexcept;

}  // namespace pavrix_svg
