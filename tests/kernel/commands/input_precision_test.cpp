#include "kernel/commands/input_precision.h"

#include <cmath>
#include <limits>
#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

#include "tests/kernel/commands/polyline_command_support.h"

#include "kernel/common/kernel_errors.h"

namespace pavrix_svg_core {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

using test_support::polyline;

PaintCommand triangle(PaintCommandKind kind = PaintCommandKind::fill) {
    return polyline(kind, {{0, 0}, {10, 0}, {0, 10}}, true);
}

TEST(RoundingEnvelopes, KnownValues) {
    EXPECT_EQ(float_rounding_envelope(1.0), std::ldexp(1.0, -23));
    EXPECT_EQ(double_rounding_envelope(1.0), std::ldexp(1.0, -52));
    EXPECT_EQ(float_rounding_envelope(std::numeric_limits<double>::quiet_NaN()), kInf);
    EXPECT_EQ(float_rounding_envelope(1e39), kInf);  // no float holds it
    EXPECT_EQ(double_rounding_envelope(-kInf), kInf);
}

TEST(MatrixNorm, LargeEntriesDoNotOverflow) {
    EXPECT_DOUBLE_EQ(matrix_spectral_norm({3e200, 0, 0, -2e200, 0, 0}), 3e200);
    EXPECT_DOUBLE_EQ(matrix_spectral_norm({1e-200, 1e-200, -1e-200, 1e-200, 0, 0}), std::sqrt(2.0) * 1e-200);
    EXPECT_EQ(matrix_spectral_norm({kInf, 0, 0, 1, 0, 0}), kInf);
}

TEST(MatrixNorm, FiniteEntriesWithInfiniteNormAreARangeError) {
    const double big = std::numeric_limits<double>::max() * 0.75;  // norm 1.5 * max
    EXPECT_THROW(matrix_spectral_norm({big, big, big, big, 0, 0}), std::range_error);
}

TEST(PointError, OperationCountIsNotWrappedIn32Bits) {
    PaintCommand command = triangle();
    command.path_coordinates_exact = true;
    command.transform_operation_count = 0x40000000u;  // 4 * count wraps to 0 in 32 bits
    // |x| * k * env_f(1) = 2^32 * 2^-23
    EXPECT_EQ(transformed_point_error({1, 0}, command, true).x, 512.0);
}

TEST(PointError, NaNFromZeroTimesInfinityCountsAsInfinite) {
    PaintCommand command = triangle();
    command.matrix[2] = 1e39;  // finite double, no float envelope: 0 * inf for points with y = 0
    EXPECT_EQ(transformed_point_error({5, 0}, command, true).x, kInf);
    EXPECT_EQ(analyze_command_precision(command, true).x, kInf);
}

TEST(PointError, CollinearFillAddsNothing) {
    PaintCommand command = polyline(PaintCommandKind::fill, {{0, 0}, {1, 1}, {2, 2}}, true);
    command.path_input_precision_error = 0.5;
    const ErrorPair error = path_point_error(command, true);
    EXPECT_EQ(error.x, 0.0);
    EXPECT_EQ(error.y, 0.0);
}

TEST(PointError, ExactIdentityFillStaysWithinRecordedError) {
    PaintCommand command = triangle();
    command.path_coordinates_exact = command.transform_coordinates_exact = true;
    command.path_input_precision_error_x = 0.25;
    command.path_input_precision_error_y = 0.125;
    const ErrorPair error = analyze_command_precision(command, true);
    EXPECT_LE(error.x, 0.25);
    EXPECT_LE(error.y, 0.125);
}

struct StrokeCase {
    const char* why;
    std::vector<PaintPoint> points;
    LineCap cap;
    LineJoin join;
    bool isolated_ambiguous;
    const char* reason;  // "" when the analysis succeeds
};

class StrokeRefusal : public ::testing::TestWithParam<StrokeCase> {};

TEST_P(StrokeRefusal, RefusesOnlyUnresolvableStrokes) {
    const auto& c = GetParam();
    PaintCommand command = polyline(PaintCommandKind::stroke, c.points);
    command.stroke.line_cap = c.cap;
    command.stroke.line_join = c.join;
    command.isolated_stroke_direction_input_ambiguous = c.isolated_ambiguous;
    std::string reason;
    try {
        (void)analyze_command_precision(command, false);
    } catch (const InputPrecisionError& error) {
        reason = error.what();
    }
    EXPECT_EQ(reason, c.reason) << c.why;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StrokeRefusal,
    ::testing::Values(
        StrokeCase{"square cap of an ambiguous isolated stroke",
                   {{0, 0}, {1, 0}},
                   LineCap::square,
                   LineJoin::miter,
                   true,
                   "stroke_direction_precision"},
        StrokeCase{
            "butt cap of an ambiguous isolated stroke", {{0, 0}, {1, 0}}, LineCap::butt, LineJoin::miter, true, ""},
        // 16 * 0.5 / 1e-300 + 1 is still finite; with 1e-308 it is not.
        StrokeCase{"segment of 1e-300", {{0, 0}, {1e-300, 0}}, LineCap::butt, LineJoin::round, false, ""},
        StrokeCase{"segment of 1e-308",
                   {{0, 0}, {1e-308, 0}},
                   LineCap::butt,
                   LineJoin::round,
                   false,
                   "stroke_direction_precision"}));

TEST(StrokeAmplification, MiterJoinCountsOnlyWhenNotBeveled) {
    auto amplification = [](std::vector<PaintPoint> points, LineJoin join) {
        PaintCommand command = polyline(PaintCommandKind::stroke, std::move(points));
        command.stroke.width = 2;
        command.stroke.line_join = join;
        return stroke_amplification(command);
    };
    const std::vector<PaintPoint> gentle{{0, 0}, {10, 0}, {20, 1}};
    const std::vector<PaintPoint> reversal{{0, 0}, {10, 0}, {0, 0.5}};  // beyond the miter limit
    EXPECT_DOUBLE_EQ(amplification(gentle, LineJoin::round), 16.0 / 10.0 + 1.0);
    EXPECT_GT(amplification(gentle, LineJoin::miter), amplification(gentle, LineJoin::round));
    EXPECT_DOUBLE_EQ(amplification(reversal, LineJoin::miter), amplification(reversal, LineJoin::bevel));
}

TEST(StrokeAmplification, LongEdgesDoNotOverflowTheJoinCosine) {
    // |u| * |v| overflows for edges of 1e200; the join must still resolve.
    PaintCommand command = polyline(PaintCommandKind::stroke, {{0, 0}, {1e200, 0}, {2e200, 1e199}});
    command.stroke.line_join = LineJoin::miter;
    EXPECT_NEAR(stroke_amplification(command), 1.0, 1e-150);
}

TEST(DashPrecision, SingleValueCountsTwice) {
    PaintCommand once = polyline(PaintCommandKind::stroke, {{0, 0}, {100, 0}});
    PaintCommand twice = once;
    once.stroke.dash_array = {3};
    twice.stroke.dash_array = {3, 3};
    EXPECT_EQ(dash_precision_error(once), dash_precision_error(twice));
    EXPECT_GT(dash_precision_error(once), 0.0);
    once.stroke.dash_array = {1e-320};  // period lost in rounding
    EXPECT_EQ(dash_precision_error(once), kInf);
}

}  // namespace
}  // namespace pavrix_svg_core
