#pragma once

// Single-precision 2-D affine matrix and the plain point and rectangle records it maps.

namespace pavrix_graphics {

struct FloatPoint {
    float x;
    float y;
};

struct FloatRect {
    float x;
    float y;
    float w;
    float h;
};

// SVG angles come in degrees; the matrix operations take radians.
inline constexpr float kDegreesToRadians = 0.017453292f;

// A point (x, y) maps to (a*x + c*y + e, b*x + d*y + f).
struct AffineMatrix {
    float a;
    float b;
    float c;
    float d;
    float e;
    float f;
};

// Every operation accepts a null matrix and then does nothing (matrix_invert answers false).
void matrix_init(AffineMatrix* m, float a, float b, float c, float d, float e, float f);
void matrix_init_identity(AffineMatrix* m);
void matrix_init_translate(AffineMatrix* m, float tx, float ty);
void matrix_init_scale(AffineMatrix* m, float sx, float sy);
void matrix_init_rotate(AffineMatrix* m, float radians);

// These pre-apply: m = operation x m, so the new operation acts first on a point.
void matrix_translate(AffineMatrix* m, float tx, float ty);
void matrix_scale(AffineMatrix* m, float sx, float sy);
void matrix_rotate(AffineMatrix* m, float radians);

// dst = left x right (left acts first); dst may alias either operand.
void matrix_multiply(AffineMatrix* dst, const AffineMatrix* left, const AffineMatrix* right);

// False for a zero or non-finite determinant, leaving out untouched. A null out only asks.
bool matrix_invert(const AffineMatrix* m, AffineMatrix* out);

void matrix_map_point(const AffineMatrix* m, float x, float y, float* out_x, float* out_y);
// src and dst may be the same array.
void matrix_map_points(const AffineMatrix* m, const FloatPoint* src, FloatPoint* dst, int count);
// Bounding box of the four mapped corners.
void matrix_map_rect(const AffineMatrix* m, const FloatRect* src, FloatRect* dst);

}  // namespace pavrix_graphics
