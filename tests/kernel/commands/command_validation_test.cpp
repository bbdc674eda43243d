#include "kernel/commands/command_validation.h"

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
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

using test_support::polyline;

PaintCommand triangle(PaintCommandKind kind = PaintCommandKind::fill) {
    return polyline(kind, {{0, 0}, {10, 0}, {0, 10}}, true);
}

std::string validation_reason(const std::vector<PaintCommand>& commands, const PaintBox& viewport) {
    try {
        validate_commands(commands, viewport);
    } catch (const InputPrecisionError& error) {
        return error.what();
    }
    return "";
}

struct ValidationCase {
    const char* why;
    void (*spoil)(PaintCommand&);
    PaintCommandKind kind;
    const char* reason;
};

class Validation : public ::testing::TestWithParam<ValidationCase> {};

TEST_P(Validation, ReportsFirstOffendingValue) {
    PaintCommand command = triangle(GetParam().kind);
    GetParam().spoil(command);
    EXPECT_EQ(validation_reason({command}, PaintBox{0, 0, 100, 100}), GetParam().reason) << GetParam().why;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Validation,
    ::testing::Values(ValidationCase{"clean command", [](PaintCommand&) {}, PaintCommandKind::stroke, ""},
                      ValidationCase{"opacity above one", [](PaintCommand& c) { c.paint_opacity = 1.5; },
                                     PaintCommandKind::fill, "nonfinite_command_metadata"},
                      ValidationCase{"negative point error",
                                     [](PaintCommand& c) { c.path_input_precision_error_y = -1e-9; },
                                     PaintCommandKind::fill, "nonfinite_command_metadata"},
                      ValidationCase{"infinite matrix entry", [](PaintCommand& c) { c.matrix[4] = kInf; },
                                     PaintCommandKind::fill, "nonfinite_command_metadata"},
                      ValidationCase{"NaN point", [](PaintCommand& c) { c.path_points[1].y = kNaN; },
                                     PaintCommandKind::fill, "nonfinite_path_point"},
                      ValidationCase{"infinite stroke width", [](PaintCommand& c) { c.stroke.width = kInf; },
                                     PaintCommandKind::stroke, "nonfinite_stroke_metadata"},
                      ValidationCase{"stroke data of a fill is never read",
                                     [](PaintCommand& c) { c.stroke.width = kInf; }, PaintCommandKind::fill, ""},
                      ValidationCase{"NaN dash", [](PaintCommand& c) { c.stroke.dash_array = {1, kNaN}; },
                                     PaintCommandKind::stroke, "nonfinite_dash_value"}));

TEST(Validation, ViewportIsCheckedBeforeAnyCommand) {
    PaintCommand broken = triangle();
    broken.paint_opacity = 1.5;
    EXPECT_EQ(validation_reason({broken}, PaintBox{0, 0, std::numeric_limits<float>::infinity(), 10}),
              "nonfinite_viewport");
}

}  // namespace
}  // namespace pavrix_svg_core
