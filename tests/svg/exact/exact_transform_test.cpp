#include "svg/exact/exact_transform.h"

#include "graphics/transform_list_parser.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace pavrix_svg {
namespace {

constexpr double kDegree = 0.017453292519943295;

ExactTransform parsed(std::string_view text) {
    ExactTransform m{0, 0, 0, 0, 7, 7};
    EXPECT_TRUE(parseTransformExact(text, m)) << text;
    return m;
}

void expectNear(const ExactTransform& m, const ExactTransform& expected, double tolerance = 1e-12) {
    EXPECT_NEAR(m.a, expected.a, tolerance);
    EXPECT_NEAR(m.b, expected.b, tolerance);
    EXPECT_NEAR(m.c, expected.c, tolerance);
    EXPECT_NEAR(m.d, expected.d, tolerance);
    EXPECT_NEAR(m.e, expected.e, tolerance);
    EXPECT_NEAR(m.f, expected.f, tolerance);
}

// The right operand acts on points first.
TEST(ExactTransform, MultiplyAppliesRightOperandFirst) {
    ExactTransform translate{1, 0, 0, 1, 10, 0};
    ExactTransform rotate = parsed("rotate(90)");
    ExactTransform product;
    multiplyTransformExact(product, translate, rotate);
    expectNear(product, ExactTransform{0, 1, -1, 0, 10, 0});
    EXPECT_NE(product.a, 0.0);  // cos 90 degrees in double is tiny, not zero
    // Aliasing the destination with an operand.
    multiplyTransformExact(rotate, translate, rotate);
    EXPECT_EQ(rotate, product);
    ExactTransform scale{2, 0, 0, 3, 0, 0};
    multiplyTransformExact(scale, scale, ExactTransform{1, 0, 0, 1, 5, 7});
    EXPECT_EQ(scale, (ExactTransform{2, 0, 0, 3, 10, 21}));
}

TEST(ExactTransform, ValuesComeFromTheDecimalText) {
    EXPECT_EQ(parsed("translate(0.1 0.2)"), (ExactTransform{1, 0, 0, 1, 0.1, 0.2}));
    EXPECT_EQ(parsed("translate(5)"), (ExactTransform{1, 0, 0, 1, 5, 0}));
    EXPECT_EQ(parsed("scale(3)"), (ExactTransform{3, 0, 0, 3, 0, 0}));
    EXPECT_EQ(parsed("matrix(1 2 3 4 5 6)"), (ExactTransform{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(parsed("   "), ExactTransform{});
    EXPECT_EQ(parsed(""), ExactTransform{});
    const double t = std::tan(30 * kDegree);
    EXPECT_EQ(parsed("skewX(30)"), (ExactTransform{1, 0, t, 1, 0, 0}));
    EXPECT_EQ(parsed("skewY(30)"), (ExactTransform{1, t, 0, 1, 0, 0}));
    // The rightmost item acts first: scale, then translate.
    EXPECT_EQ(parsed("translate(1 2) scale(2)"), (ExactTransform{2, 0, 0, 2, 1, 2}));
    EXPECT_EQ(parsed("scale(2) translate(1 2)"), (ExactTransform{2, 0, 0, 2, 2, 4}));
    // Rotation about a centre keeps the centre fixed.
    const ExactTransform r = parsed("rotate(45 10 20)");
    EXPECT_NEAR(r.a * 10 + r.c * 20 + r.e, 10, 1e-12);
    EXPECT_NEAR(r.b * 10 + r.d * 20 + r.f, 20, 1e-12);
    EXPECT_NEAR(r.a, std::cos(45 * kDegree), 1e-15);
}

TEST(ExactTransform, ItemSeparatorsMatchTheFloatParser) {
    EXPECT_EQ(parsed("translate(1 2),scale(2)"), parsed("translate(1 2) scale(2)"));
    EXPECT_EQ(parsed("translate(1 2) , scale(2)"), parsed("translate(1 2) scale(2)"));
    EXPECT_EQ(parsed("translate(1)scale(2)"), (ExactTransform{2, 0, 0, 2, 1, 0}));
    EXPECT_EQ(parsed("rotate(45,10,20)"), parsed("rotate(45 10 20)"));
    EXPECT_EQ(parsed("scale (2)"), (ExactTransform{2, 0, 0, 2, 0, 0}));
}

class TransformSyntax : public ::testing::TestWithParam<const char*> {};

// Both parsers accept the same texts, so an exact matrix exists whenever a float one does.
TEST_P(TransformSyntax, AgreesWithFloatParser) {
    const std::string text = GetParam();
    pavrix_graphics::AffineMatrix single{};
    const bool floatAccepted =
        pavrix_graphics::parse_transform_list(&single, text.data(), static_cast<std::ptrdiff_t>(text.size()));
    ExactTransform exact;
    const bool exactAccepted = parseTransformExact(text, exact);
    EXPECT_EQ(exactAccepted, floatAccepted) << text;
    if (floatAccepted && exactAccepted) {
        const double scale = 1e-5 * (1 + std::fabs(exact.e) + std::fabs(exact.f));
        EXPECT_NEAR(single.a, exact.a, scale) << text;
        EXPECT_NEAR(single.b, exact.b, scale) << text;
        EXPECT_NEAR(single.c, exact.c, scale) << text;
        EXPECT_NEAR(single.d, exact.d, scale) << text;
        EXPECT_NEAR(single.e, exact.e, scale) << text;
        EXPECT_NEAR(single.f, exact.f, scale) << text;
    }
}

INSTANTIATE_TEST_SUITE_P(Texts, TransformSyntax,
                         ::testing::Values("", "   ", "rotate(90)", "rotate(45 10)", "rotate(45 10 20)",
                                           "rotate(45,10,20)", "translate(5)", "scale(3)", "translate(1 2),scale(2)",
                                           "translate(1 2),", "translate(1 2,)", "translate(1,,2)", "translate(1,)",
                                           "SCALE(2)", "scale (2)", "matrix(1 0 0 1 0)", "matrix(1 0 0 1 0 0 0)",
                                           "scale(.5)", "scale(5.)", "translate(1)scale(2)",
                                           "translate(1) , , scale(2)", "scaleX(2)", "translate()", "translate(1 2 3)",
                                           "skewX(30) skewY(-10)", "rotate(1e1)", "scale(1e)", "translate(-1-2)",
                                           "translate(1 2)x", "(1)", "matrix(1,0,0,1,10,20)", "rotate( 30 )",
                                           "translate(1 2) scale(2) rotate(15 3 4) skewX(5)"));

TEST(ExactTransform, RangeIsDoublePrecision) {
    ExactTransform m;
    EXPECT_TRUE(parseTransformExact("scale(1e39)", m));  // beyond float, within double
    EXPECT_EQ(m.a, 1e39);
    EXPECT_FALSE(parseTransformExact("scale(1e999)", m));
    m = ExactTransform{5, 5, 5, 5, 5, 5};
    EXPECT_FALSE(parseTransformExact("rotate(30) foo(1)", m));
    EXPECT_EQ(m, parsed("rotate(30)")) << "starts from the identity; keeps the items before the error";
}

TEST(ExactTransform, ParseArguments) {
    std::array<double, 6> values{};
    std::string_view cursor = " ( 1, 2 3 ) rest";
    EXPECT_EQ(parseTransformArguments(cursor, values), 3);
    EXPECT_EQ(cursor, " rest");
    EXPECT_EQ(values[2], 3.0);
    cursor = "(1 2 3 4 5 6 7)";
    EXPECT_EQ(parseTransformArguments(cursor, values), -1);
    cursor = "(1";
    EXPECT_EQ(parseTransformArguments(cursor, values), -1);
    cursor = "()";
    EXPECT_EQ(parseTransformArguments(cursor, values), 0);
}

TEST(ExactTransform, Invert) {
    ExactTransform out{9, 9, 9, 9, 9, 9};
    EXPECT_FALSE(invertTransformExact(ExactTransform{0, 0, 0, 0, 1, 1}, out));
    EXPECT_EQ(out, (ExactTransform{9, 9, 9, 9, 9, 9}));
    EXPECT_FALSE(invertTransformExact(ExactTransform{1e300, 0, 0, 1e300, 0, 0}, out));  // det overflows
    EXPECT_FALSE(invertTransformExact(ExactTransform{NAN, 0, 0, 1, 0, 0}, out));
    const ExactTransform m{2, 1, -1, 3, 5, -7};
    ASSERT_TRUE(invertTransformExact(m, out));
    ExactTransform product;
    multiplyTransformExact(product, m, out);
    expectNear(product, ExactTransform{});
}

}  // namespace
}  // namespace pavrix_svg
