#include "svg/transform_audit.h"

#include <gtest/gtest.h>

#include <cmath>

namespace pavrix_svg {
namespace {

constexpr double kArgumentError = 4.76837158203125e-7; // 2^-21
constexpr double kDegree = 0.017453292519943295;

TEST(TransformAudit, OperationCount)
{
    EXPECT_EQ(countTransformOperations("rotate(30) translate(1 2)"), 2u);
    EXPECT_EQ(countTransformOperations("rotate (30)"), 1u);
    EXPECT_EQ(countTransformOperations(""), 0u);
    EXPECT_EQ(countTransformOperations("matrix"), 0u);
    EXPECT_EQ(countTransformOperations("a(b(c("), 3u);
    EXPECT_EQ(countTransformOperations("translate(1),scale(2)"), 2u);
}

TEST(TransformAudit, PrecisionPerItem)
{
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

TEST(TransformAudit, Skew)
{
    // The float and double tangents of 90 degrees have opposite signs.
    EXPECT_TRUE(std::isinf(analyzeTransformPrecision("skewX(90)").linear));
    EXPECT_TRUE(std::isinf(analyzeTransformPrecision("skewY()").linear));
    const double small = analyzeTransformPrecision("skewY(10)").linear;
    EXPECT_TRUE(std::isfinite(small));
    EXPECT_GE(small, 0.0);
    EXPECT_LT(small, 1e-6);
    EXPECT_EQ(analyzeTransformPrecision("skewX(0)").linear, 0.0);
}

TEST(TransformAudit, MalformedTextTerminates)
{
    // Every byte is stepped over, even those that start no number.
    const TransformPrecision p = analyzeTransformPrecision("scale(# x 2 ,, ) translate(1");
    EXPECT_EQ(p.linear, 2 * kArgumentError);
    EXPECT_EQ(p.translation, kArgumentError);
}

} // namespace
} // namespace pavrix_svg
