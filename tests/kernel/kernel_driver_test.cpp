// The driver's own arithmetic: the upward rounding of routing displacement, the precision maximum and
// the precision re-check.

#include "kernel/kernel_driver.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <utility>
#include <vector>

namespace {

using namespace pavrix_svg_core;

TEST(RoundUpToDouble, NeverBelowTheInteger) {
    const std::pair<std::uint64_t, double> cases[] = {
        {0, 0.0},
        {1, 1.0},
        {(std::uint64_t{1} << 53) - 1, 0x1p53 - 1},
        {std::uint64_t{1} << 53, 0x1p53},
        // 2^53 + 1 is not a double; rounding to nearest would give 2^53, below it.
        {(std::uint64_t{1} << 53) + 1, 0x1p53 + 2},
        {std::numeric_limits<std::uint64_t>::max(), 0x1p64}};
    for (const auto& [value, expected] : cases) {
        EXPECT_EQ(round_up_to_double(value), expected) << value;
    }
}

TEST(PrecisionMaximum, ANaNRecordCountsAsUnbounded) {
    constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
    constexpr double kInf = std::numeric_limits<double>::infinity();
    const PaintBox viewport{0.0f, 0.0f, 8.0f, 8.0f};
    const DoubleBox box{0.0, 0.0, 8.0, 8.0};
    const DoubleBox far{20.0, 20.0, 30.0, 30.0};
    const double viewport_error = 4.0 * 0x1p-20;  // four float envelopes of 8: the spacing above it
    struct {
        const char* name;
        std::vector<PrecisionRecord> records;
        double expected;
    } const cases[] = {{"viewport_only", {}, viewport_error},
                       {"largest_record", {{box, 0.25}, {box, 0.5}}, 0.5},
                       {"nan_record", {{box, 0.25}, {box, kNaN}, {box, 0.5}}, kInf},
                       {"nan_record_first", {{box, kNaN}, {box, 0.5}}, kInf},
                       {"nan_record_elsewhere", {{far, kNaN}, {box, 0.5}}, 0.5},
                       {"touching_box_counts", {{DoubleBox{8.0, 8.0, 9.0, 9.0}, kNaN}}, kInf}};
    for (const auto& c : cases) {
        EXPECT_EQ(overlapping_precision_maximum(viewport, c.records, box), c.expected) << c.name;
    }
}

TEST(ResultPrecision, BudgetOfSixTenthsOfTheTolerance) {
    const double tolerance = 0.1;
    const double quantization_error = 0.01;
    const double grid_quantum = 0.01;
    struct {
        const char* name;
        std::uint64_t displacement;
        double precision_maximum;  // source units
        bool passes;
    } const cases[] = {{"fits", 0, 0.01, true},              // 0.02 + 0.01 <= 0.06
                       {"input_too_large", 0, 0.03, false},  // 0.06 + 0.01 > 0.06
                       {"routing_pushes_over", 3, 0.01, false},
                       {"routing_within", 1, 0.01, true},
                       {"not_finite", 0, std::numeric_limits<double>::infinity(), false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        NativeResult result;
        result.status = "invalid";
        result.scale_factor = 2.0;  // mm per source unit
        const bool passed = check_result_precision(
            {c.displacement, result, quantization_error, grid_quantum, c.precision_maximum, tolerance});
        EXPECT_EQ(passed, c.passes);
        if (c.displacement == 0) {
            EXPECT_EQ(result.max_quantization_error_mm, quantization_error);
        } else {
            EXPECT_GT(result.max_quantization_error_mm, quantization_error + c.displacement * grid_quantum);
        }
        EXPECT_EQ(result.status, c.passes ? "invalid" : "unsupported");
        EXPECT_EQ(result.reason_code, c.passes ? "invalid_svg" : "unsupported_input_precision");
    }
}

}  // namespace
