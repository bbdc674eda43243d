#include "svg/exact/transform_audit.h"

#include "graphics/number_reader.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>

namespace pavrix_svg {
namespace {

constexpr double kArgumentError = 4.76837158203125e-7;  // 2^-21
constexpr double kDegree = 0.017453292519943295;

TEST(TransformAudit, OperationCount) {
    EXPECT_EQ(countTransformOperations("rotate(30) translate(1 2)"), 2u);
    EXPECT_EQ(countTransformOperations("rotate (30)"), 1u);
    EXPECT_EQ(countTransformOperations(""), 0u);
    EXPECT_EQ(countTransformOperations("matrix"), 0u);
    EXPECT_EQ(countTransformOperations("a(b(c("), 3u);
    EXPECT_EQ(countTransformOperations("translate(1),scale(2)"), 2u);
}

TEST(TransformAudit, PrecisionPerItem) {
    TransformPrecision p = analyzeTransformPrecision("translate(10 -20)");
    EXPECT_EQ(p.linear, 0.0);
    EXPECT_EQ(p.translation, 20 * kArgumentError);

    p = analyzeTransformPrecision("scale(4)");
    EXPECT_EQ(p.linear, 4 * kArgumentError);
    EXPECT_EQ(p.translation, 0.0);

    p = analyzeTransformPrecision("rotate(90)");
    const double angular = 90 * kDegree * kArgumentError;
    EXPECT_EQ(p.linear, angular);
    EXPECT_EQ(p.translation, 0.0);

    p = analyzeTransformPrecision("rotate(90 3 -4)");
    EXPECT_EQ(p.linear, angular);
    EXPECT_EQ(p.translation, 4 * (angular + kArgumentError));

    p = analyzeTransformPrecision("matrix(1 2 3 4 5 -6)");
    EXPECT_EQ(p.linear, (1 + 2 + 3 + 4) * kArgumentError);
    EXPECT_EQ(p.translation, (5 + 6) * kArgumentError);

    p = analyzeTransformPrecision("translate(1) scale(2),translate(3)");
    EXPECT_EQ(p.translation, 4 * kArgumentError);
    EXPECT_EQ(p.linear, 2 * kArgumentError);

    p = analyzeTransformPrecision("foo(100)");
    EXPECT_EQ(p.linear, 0.0);
    EXPECT_EQ(p.translation, 0.0);
}

TEST(TransformAudit, Skew) {
    // The float and double tangents of 90 degrees have opposite signs.
    EXPECT_TRUE(std::isinf(analyzeTransformPrecision("skewX(90)").linear));
    EXPECT_TRUE(std::isinf(analyzeTransformPrecision("skewY()").linear));
    const double small = analyzeTransformPrecision("skewY(10)").linear;
    EXPECT_TRUE(std::isfinite(small));
    EXPECT_GE(small, 0.0);
    EXPECT_LT(small, 1e-6);
    EXPECT_EQ(analyzeTransformPrecision("skewX(0)").linear, 0.0);
}

// The float tangent is the float transform parser's, from its own reading of the digits, which
// can differ from the rounded decimal (for the first angle by several ulps).
TEST(TransformAudit, SkewUsesTheFloatParsersAngle) {
    for (const char* angle : {"21.031683919", "10", "-33.3333333333", "45.000001"}) {
        const std::string text = angle;
        const char* cursor = text.data();
        float single = 0.0f;
        ASSERT_TRUE(pavrix_graphics::parse_number(cursor, text.data() + text.size(), single));
        const double exact = std::tan(std::strtod(angle, nullptr) * kDegree);
        const double expected = std::fabs(static_cast<double>(std::tan(single * 0.017453292f)) - exact);
        EXPECT_EQ(analyzeTransformPrecision("skewX(" + text + ")").linear, expected) << angle;
        EXPECT_EQ(analyzeTransformPrecision("skewY( " + text + " )").linear, expected) << angle;
    }
}

struct UnboundedCase {
    const char* text;
    double linear;  // -1: infinite
    double translation;
};

class TransformAuditNonFinite : public ::testing::TestWithParam<UnboundedCase> {};

// Arguments strtod reads as NaN or infinity give unbounded errors, never NaN.
TEST_P(TransformAuditNonFinite, UnboundedNotNaN) {
    const TransformPrecision p = analyzeTransformPrecision(GetParam().text);
    const auto expect = [&](double actual, double expected) {
        if (expected < 0)
            EXPECT_TRUE(std::isinf(actual)) << GetParam().text << " gives " << actual;
        else
            EXPECT_EQ(actual, expected) << GetParam().text;
    };
    expect(p.linear, GetParam().linear);
    expect(p.translation, GetParam().translation);
}

INSTANTIATE_TEST_SUITE_P(Texts, TransformAuditNonFinite,
                         ::testing::Values(UnboundedCase{"rotate(nan 1 2)", -1, -1},
                                           UnboundedCase{"rotate(inf 0 0)", -1, 0},
                                           UnboundedCase{"matrix(nan 0 0 1 0 0)", -1, 0},
                                           UnboundedCase{"matrix(1 0 0 1 0 NaN)", 2 * kArgumentError, -1},
                                           UnboundedCase{"translate(nan)", 0, -1}, UnboundedCase{"scale(1 nan)", -1, 0},
                                           UnboundedCase{"skewX(nan)", -1, 0}));

TEST(TransformAudit, MalformedTextTerminates) {
    // Every byte is stepped over, even those that start no number.
    const TransformPrecision p = analyzeTransformPrecision("scale(# x 2 ,, ) translate(1");
    EXPECT_EQ(p.linear, 2 * kArgumentError);
    EXPECT_EQ(p.translation, kArgumentError);
    // A megabyte of bytes strtod skips as white space but the walk does not: one pass.
    const std::string run(std::size_t{1} << 20, '\v');
    EXPECT_EQ(analyzeTransformPrecision("scale(" + run + "x)").linear, 0.0);
    EXPECT_EQ(analyzeTransformPrecision("scale(" + run + "3)").linear, 3 * kArgumentError);
}

}  // namespace
}  // namespace pavrix_svg
