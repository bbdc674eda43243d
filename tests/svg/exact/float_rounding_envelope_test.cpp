#include "svg/exact/float_rounding_envelope.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace pavrix_svg {
namespace {

TEST(FloatRoundingEnvelope, NeighbourDistances) {
    EXPECT_EQ(float_rounding_envelope(1.0), std::ldexp(1.0, -23));  // the gap above 1 is the larger
    EXPECT_EQ(float_rounding_envelope(-1.0), std::ldexp(1.0, -23));
    EXPECT_EQ(float_rounding_envelope(0.0), static_cast<double>(std::numeric_limits<float>::denorm_min()));
    EXPECT_EQ(float_rounding_envelope(3.0), std::ldexp(1.0, -22));
    // The value is taken as a float first.
    EXPECT_EQ(float_rounding_envelope(0.1), float_rounding_envelope(static_cast<double>(0.1f)));
    EXPECT_TRUE(std::isinf(float_rounding_envelope(1e39)));
    EXPECT_TRUE(std::isinf(float_rounding_envelope(std::numeric_limits<double>::quiet_NaN())));
    EXPECT_TRUE(std::isinf(float_rounding_envelope(std::numeric_limits<float>::max())));
}

TEST(DoubleRoundingEnvelope, NeighbourDistances) {
    EXPECT_EQ(double_rounding_envelope(1.0), std::ldexp(1.0, -52));
    EXPECT_EQ(double_rounding_envelope(0.0), std::numeric_limits<double>::denorm_min());
    EXPECT_EQ(double_rounding_envelope(1024.0), std::ldexp(1.0, -42));
    EXPECT_TRUE(std::isinf(double_rounding_envelope(std::numeric_limits<double>::infinity())));
    EXPECT_TRUE(std::isinf(double_rounding_envelope(std::numeric_limits<double>::max())));
}

}  // namespace
}  // namespace pavrix_svg
