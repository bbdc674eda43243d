#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string_view>

#include "graphics/rect.h"
#include "graphics/transform.h"

namespace {

using namespace pavrix_svg;
using pavrix_graphics::AffineMatrix;

void expectTransform(const Transform& t, float a, float b, float c, float d, float e, float f) {
    EXPECT_EQ(t.a(), a);
    EXPECT_EQ(t.b(), b);
    EXPECT_EQ(t.c(), c);
    EXPECT_EQ(t.d(), d);
    EXPECT_EQ(t.e(), e);
    EXPECT_EQ(t.f(), f);
}

TEST(Transform, IdentityValues) {
    expectTransform(Transform::Identity, 1, 0, 0, 1, 0, 0);
    expectTransform(Transform::identity(), 1, 0, 0, 1, 0, 0);
    expectTransform(initStaticIdentityTransform(), 1, 0, 0, 1, 0, 0);
    expectTransform(Transform(), 1, 0, 0, 1, 0, 0);
}

TEST(Transform, RotatedMatchesTheMatrixRotation) {
    AffineMatrix m;
    pavrix_graphics::matrix_init_rotate(&m, 90 * 0.017453292f);
    expectTransform(Transform::rotated(90, 0, 0), m.a, m.b, m.c, m.d, m.e, m.f);
    const Point centre = Transform::rotated(90, 5, 7).mapPoint(Point(5, 7));
    EXPECT_NEAR(centre.x, 5.0f, 1e-5);
    EXPECT_NEAR(centre.y, 7.0f, 1e-5);
}

TEST(Transform, CompositionOrder) {
    const Transform scale = Transform::scaled(2, 2);
    const Transform move = Transform::translated(10, 0);
    // multiplied(other) = other x this: other acts first.
    const Point p = scale.multiplied(move).mapPoint(1, 1);
    EXPECT_EQ(p.x, 22.0f);
    Transform pre = scale;
    pre.multiply(move);
    EXPECT_EQ(pre.mapPoint(1, 1).x, 22.0f);
    Transform post = scale;
    post.postMultiply(move);
    EXPECT_EQ(post.mapPoint(1, 1).x, 12.0f);
    Transform chained = Transform::scaled(2, 2);
    chained.translate(10, 0);
    EXPECT_EQ(chained.mapPoint(1, 1).x, 22.0f);
    chained.rotate(90, 0, 0);
    chained.scale(1, 1);
    EXPECT_EQ(scale.mapPoint(1, 1).x, 2.0f);  // multiplied left the original alone
}

TEST(Transform, MapRect) {
    const Transform t(0, 1, -1, 0, 0, 0);
    const Rect r = t.mapRect(Rect(1, 2, 3, 4));
    EXPECT_EQ(r.x, -6.0f);
    EXPECT_EQ(r.y, 1.0f);
    EXPECT_EQ(r.w, 4.0f);
    EXPECT_EQ(r.h, 3.0f);
    const Rect invalid = t.mapRect(Rect(0, 0, -1, 5));
    EXPECT_EQ(invalid.w, -1.0f);
    EXPECT_EQ(invalid.h, -1.0f);
}

TEST(Transform, Parse) {
    Transform t;
    EXPECT_TRUE(t.parse(std::string_view("translate(1 2) scale(3)")));
    expectTransform(t, 3, 0, 0, 3, 1, 2);
    EXPECT_TRUE(t.parse(std::string_view()));
    expectTransform(t, 1, 0, 0, 1, 0, 0);
    EXPECT_FALSE(t.parse(std::string_view("scale(2) nope")));
    expectTransform(t, 2, 0, 0, 2, 0, 0);
}

struct IntersectCase {
    Rect a, b, expected;
};

class RectIntersection : public ::testing::TestWithParam<IntersectCase> {};

TEST_P(RectIntersection, Overlap) {
    const Rect r = GetParam().a.intersected(GetParam().b);
    EXPECT_EQ(r.x, GetParam().expected.x);
    EXPECT_EQ(r.y, GetParam().expected.y);
    EXPECT_EQ(r.w, GetParam().expected.w);
    EXPECT_EQ(r.h, GetParam().expected.h);
}

INSTANTIATE_TEST_SUITE_P(Cases, RectIntersection,
                         ::testing::Values(IntersectCase{Rect(0, 0, 10, 10), Rect(10, 0, 5, 5), Rect(0, 0, 0, 0)},
                                           IntersectCase{Rect::Invalid, Rect(1, 2, 3, 4), Rect(1, 2, 3, 4)},
                                           IntersectCase{Rect(1, 2, 3, 4), Rect::Invalid, Rect(1, 2, 3, 4)},
                                           IntersectCase{Rect(0, 0, 10, 10), Rect(5, 5, 10, 10), Rect(5, 5, 5, 5)},
                                           IntersectCase{Rect(0, 0, 10, 10), Rect(2, 20, 1, 1), Rect(0, 0, 0, 0)}));

}  // namespace

namespace {

// Only a negative side makes a rectangle invalid; a NaN side is carried along.
TEST(RectValidity, OnlyNegativeSidesAreInvalid) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    struct Case {
        Rect rect;
        bool valid;
    };
    for (const Case& c :
         {Case{Rect(0, 0, 0, 0), true}, Case{Rect(0, 0, -1, 5), false}, Case{Rect(0, 0, 5, -0.5f), false},
          Case{Rect(0, 0, nan, 1), true}, Case{Rect(0, 0, 1, nan), true}, Case{Rect::Invalid, false}}) {
        EXPECT_EQ(c.rect.isValid(), c.valid) << c.rect.w << " " << c.rect.h;
    }
    // Mapped, not replaced by the invalid rectangle.
    const Rect mapped = Transform().mapRect(Rect(1, 2, nan, 3));
    EXPECT_TRUE(mapped.isValid());
    EXPECT_EQ(mapped.y, 2.0f);
    EXPECT_EQ(mapped.h, 3.0f);
    const Rect kept = Rect(1, 2, nan, 3).intersected(Rect::Invalid);
    EXPECT_TRUE(std::isnan(kept.w));
}

TEST(RectUnion, EnclosesBothAndSkipsInvalid) {
    using pavrix_svg::Rect;
    const Rect u = Rect(0, 0, 2, 2).united(Rect(5, -1, 1, 1));
    EXPECT_EQ(u.x, 0.0f);
    EXPECT_EQ(u.y, -1.0f);
    EXPECT_EQ(u.w, 6.0f);
    EXPECT_EQ(u.h, 3.0f);
    const Rect a = Rect::Invalid.united(Rect(1, 2, 3, 4));
    EXPECT_EQ(a.x, 1.0f);
    EXPECT_EQ(a.h, 4.0f);
    const Rect b = Rect(1, 2, 3, 4).united(Rect::Invalid);
    EXPECT_EQ(b.w, 3.0f);
    EXPECT_FALSE(Rect::Invalid.united(Rect::Invalid).isValid());
}

}  // namespace
