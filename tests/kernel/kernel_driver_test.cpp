// The driver's own arithmetic: the upward rounding of routing displacement and the precision re-check.

#include "kernel/kernel_driver.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <utility>

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
