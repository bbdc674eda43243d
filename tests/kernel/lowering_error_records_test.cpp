#include "kernel/lowering_error_records.h"

#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>

namespace pavrix_svg_core {
namespace {

TEST(RecordApproximationErrors, OneRecordPerEdgeWithEnvelopeAndEndError) {
    std::vector<PrecisionRecord> list;
    const std::vector<PaintPoint> points{{0, 0}, {4, 0}, {4, 3}};
    const PaintMatrix scale2{2, 0, 0, 2, 1, 0};
    record_approximation_errors(points, scale2, ErrorPair{0.5, 0.25}, {0.0, 1.0, 2.0}, &list);
    ASSERT_EQ(list.size(), 3u);
    // Horizontal edge: only the y envelope counts; vertical edge: only x; the diagonal closes.
    EXPECT_DOUBLE_EQ(list[0].input_error, 0.25 + 1.0);
    EXPECT_DOUBLE_EQ(list[1].input_error, 0.5 + 2.0);
    EXPECT_DOUBLE_EQ(list[2].input_error, (8 * 0.25 + 6 * 0.5) / 10 + 0.0);
    EXPECT_EQ(list[0].box.xmin, 1.0);
    EXPECT_EQ(list[0].box.xmax, 9.0);
    EXPECT_EQ(list[1].box.ymax, 6.0);
}

TEST(RecordApproximationErrors, RepeatedPointsMergeTheirErrors) {
    std::vector<PrecisionRecord> list;
    const std::vector<PaintPoint> points{{0, 0}, {4, 0}, {4, 0}, {4, 3}, {0, 0}};
    record_approximation_errors(points, kIdentityPaintMatrix, ErrorPair{}, {0.0, 1.0, 5.0, 0.0, 7.0}, &list);
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].input_error, 5.0);  // the repeated end point's larger error
    EXPECT_EQ(list[2].input_error, 7.0);  // the closing point's error moved to the first point
}

TEST(RecordApproximationErrors, LeadingRepeatsMergeIntoTheFirstPoint) {
    std::vector<PrecisionRecord> list;
    const std::vector<PaintPoint> points{{0, 0}, {0, 0}, {4, 0}, {4, 3}};
    record_approximation_errors(points, kIdentityPaintMatrix, ErrorPair{}, {1.0, 9.0, 2.0, 3.0}, &list);
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].input_error, 2.0);
    EXPECT_EQ(list[2].input_error, 9.0);  // the closing edge ends at the merged first point
}

struct NoRecordCase {
    const char* why;
    std::vector<PaintPoint> points;
};

class RecordApproximationErrorsSkips : public testing::TestWithParam<NoRecordCase> {};

TEST_P(RecordApproximationErrorsSkips, Table) {
    std::vector<PrecisionRecord> list;
    const auto& points = GetParam().points;
    record_approximation_errors(points, kIdentityPaintMatrix, ErrorPair{}, std::vector<double>(points.size()), &list);
    EXPECT_TRUE(list.empty()) << GetParam().why;
}

INSTANTIATE_TEST_SUITE_P(Table, RecordApproximationErrorsSkips,
                         testing::Values(NoRecordCase{"two points", {{0, 0}, {1, 1}}},
                                         NoRecordCase{"three points, two distinct", {{0, 0}, {1, 1}, {0, 0}}},
                                         NoRecordCase{"one point repeated", {{2, 2}, {2, 2}, {2, 2}, {2, 2}}}));

TEST(RecordApproximationErrors, ErrorCountMustMatch) {
    std::vector<PrecisionRecord> list;
    EXPECT_THROW(record_approximation_errors({{0, 0}, {1, 0}, {0, 1}}, kIdentityPaintMatrix, ErrorPair{}, {0.0}, &list),
                 std::logic_error);
    EXPECT_NO_THROW(
        record_approximation_errors({{0, 0}, {1, 0}, {0, 1}}, kIdentityPaintMatrix, ErrorPair{}, {0.0}, nullptr));
}

TEST(CommandLoweringErrorBound, HalfADiagonalPlusTheLargestNewRecord) {
    std::vector<PrecisionRecord> list(3);
    list[0].input_error = 100.0;  // an earlier command's
    list[1].input_error = 2.0;
    list[2].input_error = 3.0;
    ReplayParams params;
    params.scale = 2.0;
    params.grid_quantum = 0.5;
    params.precision_records = &list;
    const double half_diagonal = 0.5 / 2.0 / std::sqrt(2.0);
    EXPECT_DOUBLE_EQ(command_lowering_error_bound(params, 1), half_diagonal + 3.0);
    EXPECT_DOUBLE_EQ(command_lowering_error_bound(params, 3), half_diagonal);
    list[2].input_error = NAN;
    EXPECT_EQ(command_lowering_error_bound(params, 1), INFINITY) << "an unknown error is unbounded, not zero";
}

}  // namespace
}  // namespace pavrix_svg_core
