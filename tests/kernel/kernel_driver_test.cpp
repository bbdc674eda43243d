// The driver's own arithmetic: the upward rounding of routing displacement and the precision re-check.

#include "kernel/kernel_driver.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

namespace {

using namespace pavrix_svg_core;

struct RoundUpCase {
    std::uint64_t value;
    double expected;
};

class RoundUpToDouble : public testing::TestWithParam<RoundUpCase> {};

TEST_P(RoundUpToDouble, NeverBelowTheInteger) {
    EXPECT_EQ(round_up_to_double(GetParam().value), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Values, RoundUpToDouble,
                         testing::Values(RoundUpCase{0, 0.0}, RoundUpCase{1, 1.0},
                                         RoundUpCase{(std::uint64_t{1} << 53) - 1, 0x1p53 - 1},
                                         RoundUpCase{std::uint64_t{1} << 53, 0x1p53},
                                         // 2^53 + 1 is not a double; rounding to nearest would give 2^53, below it.
                                         RoundUpCase{(std::uint64_t{1} << 53) + 1, 0x1p53 + 2},
                                         RoundUpCase{std::numeric_limits<std::uint64_t>::max(), 0x1p64}));

struct PrecisionCase {
    const char* name;
    std::uint64_t displacement;
    double precision_maximum;  // source units
    double tolerance;
    bool passes;
};

class ResultPrecision : public testing::TestWithParam<PrecisionCase> {};

TEST_P(ResultPrecision, BudgetOfSixTenthsOfTheTolerance) {
    const PrecisionCase& c = GetParam();
    NativeResult result;
    result.status = "invalid";
    result.scale_factor = 2.0;  // mm per source unit
    const double quantization_error = 0.01;
    const double grid_quantum = 0.01;
    const bool passed = check_result_precision(
        {c.displacement, result, quantization_error, grid_quantum, c.precision_maximum, c.tolerance});
    EXPECT_EQ(passed, c.passes);
    if (c.displacement == 0) {
        EXPECT_EQ(result.max_quantization_error_mm, quantization_error);
    } else {
        EXPECT_GT(result.max_quantization_error_mm, quantization_error + c.displacement * grid_quantum);
    }
    EXPECT_EQ(result.status, c.passes ? "invalid" : "unsupported");
    EXPECT_EQ(result.reason_code, c.passes ? "invalid_svg" : "unsupported_input_precision");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ResultPrecision,
    testing::Values(PrecisionCase{"fits", 0, 0.01, 0.1, true},              // 0.02 + 0.01 <= 0.06
                    PrecisionCase{"input_too_large", 0, 0.03, 0.1, false},  // 0.06 + 0.01 > 0.06
                    PrecisionCase{"routing_pushes_over", 3, 0.01, 0.1, false},
                    PrecisionCase{"routing_within", 1, 0.01, 0.1, true},
                    PrecisionCase{"not_finite", 0, std::numeric_limits<double>::infinity(), 0.1, false}),
    [](const testing::TestParamInfo<PrecisionCase>& info) { return std::string(info.param.name); });

}  // namespace
