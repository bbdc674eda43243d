#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "graphics/affine_matrix.h"

namespace {

using namespace pavrix_graphics;

void expectMatrix(const AffineMatrix& m, float a, float b, float c, float d, float e, float f) {
    EXPECT_EQ(m.a, a);
    EXPECT_EQ(m.b, b);
    EXPECT_EQ(m.c, c);
    EXPECT_EQ(m.d, d);
    EXPECT_EQ(m.e, e);
    EXPECT_EQ(m.f, f);
}

TEST(AffineMatrix, LeftFactorActsFirst) {
    AffineMatrix t, s, ts;
    matrix_init_translate(&t, 10, 0);
    matrix_init_scale(&s, 2, 2);
    matrix_multiply(&ts, &t, &s);  // translate, then scale
    float x = 0, y = 0;
    matrix_map_point(&ts, 1, 1, &x, &y);
    EXPECT_EQ(x, 22.0f);
    EXPECT_EQ(y, 2.0f);

    // Pre-applying: the translation acts first on a point.
    AffineMatrix m = s;
    matrix_translate(&m, 10, 0);
    expectMatrix(m, ts.a, ts.b, ts.c, ts.d, ts.e, ts.f);
}

TEST(AffineMatrix, MultiplyMayAliasBothOperands) {
    AffineMatrix m{1, 2, 3, 4, 5, 6};
    const AffineMatrix copy = m;
    AffineMatrix expected;
    matrix_multiply(&expected, &copy, &copy);
    matrix_multiply(&m, &m, &m);
    expectMatrix(m, expected.a, expected.b, expected.c, expected.d, expected.e, expected.f);
    expectMatrix(m, 7, 10, 15, 22, 28, 40);
}

TEST(AffineMatrix, InvertRoundTrips) {
    AffineMatrix m{2, 0, 0, 4, 6, 8};
    AffineMatrix inv;
    ASSERT_TRUE(matrix_invert(&m, &inv));
    expectMatrix(inv, 0.5f, -0.0f, -0.0f, 0.25f, -3, -2);
    EXPECT_TRUE(matrix_invert(&m, nullptr));
}

TEST(AffineMatrix, InvertRefusesSingularAndNonFiniteDeterminants) {
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const AffineMatrix cases[] = {
        {0, 0, 0, 0, 1, 1},   {1, 2, 2, 4, 0, 0},         {inf, 0, 0, 1, 0, 0},
        {nan, 0, 0, 1, 0, 0}, {3e38f, 0, 0, 3e38f, 0, 0},  // determinant overflows
    };
    for (const AffineMatrix& m : cases) {
        AffineMatrix out{9, 9, 9, 9, 9, 9};
        EXPECT_FALSE(matrix_invert(&m, &out));
        expectMatrix(out, 9, 9, 9, 9, 9, 9);
        EXPECT_FALSE(matrix_invert(&m, nullptr));
    }
}

TEST(AffineMatrix, MapPointsInPlaceAndRect) {
    AffineMatrix m{0, 1, -1, 0, 10, 20};  // quarter turn then offset
    FloatPoint pts[2] = {{1, 0}, {0, 2}};
    matrix_map_points(&m, pts, pts, 2);
    EXPECT_EQ(pts[0].x, 10.0f);
    EXPECT_EQ(pts[0].y, 21.0f);
    EXPECT_EQ(pts[1].x, 8.0f);
    EXPECT_EQ(pts[1].y, 20.0f);

    const FloatRect src{0, 0, 4, 2};
    FloatRect dst{};
    matrix_map_rect(&m, &src, &dst);
    EXPECT_EQ(dst.x, 8.0f);
    EXPECT_EQ(dst.y, 20.0f);
    EXPECT_EQ(dst.w, 2.0f);
    EXPECT_EQ(dst.h, 4.0f);
}

}  // namespace
