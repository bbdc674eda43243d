#include "kernel/commands/command_validation.h"

#include <cmath>

#include "kernel/common/kernel_errors.h"

namespace pavrix_svg_core {
namespace {

bool finite_non_negative(double value) noexcept {
    return std::isfinite(value) && value >= 0.0;
}

bool unit_interval(double value) noexcept {
    return std::isfinite(value) && value >= 0.0 && value <= 1.0;
}

bool metadata_in_range(const PaintCommand& command) noexcept {
    for (const double entry : command.matrix)
        if (!std::isfinite(entry))
            return false;
    return finite_non_negative(command.path_input_precision_error) &&
           finite_non_negative(command.path_input_precision_error_x) &&
           finite_non_negative(command.path_input_precision_error_y) &&
           finite_non_negative(command.path_lowering_precision_error) &&
           finite_non_negative(command.source_fill_area_upper_bound) &&
           finite_non_negative(command.transform_linear_precision_error) &&
           finite_non_negative(command.transform_translation_precision_error) && unit_interval(command.paint_opacity) &&
           unit_interval(command.group_opacity);
}

}  // namespace

void validate_commands(const std::vector<PaintCommand>& commands, const PaintBox& viewport) {
    for (const float value : viewport)
        if (!std::isfinite(value))
            throw InputPrecisionError("nonfinite_viewport");
    for (const PaintCommand& command : commands) {
        if (!metadata_in_range(command))
            throw InputPrecisionError("nonfinite_command_metadata");
        for (const PaintPoint& point : command.path_points)
            if (!std::isfinite(point.x) || !std::isfinite(point.y))
                throw InputPrecisionError("nonfinite_path_point");
        if (command.kind != PaintCommandKind::stroke)
            continue;
        const PaintStrokeStyle& style = command.stroke;
        if (!std::isfinite(style.width) || !std::isfinite(style.miter_limit) || !std::isfinite(style.dash_offset))
            throw InputPrecisionError("nonfinite_stroke_metadata");
        for (const double dash : style.dash_array)
            if (!std::isfinite(dash))
                throw InputPrecisionError("nonfinite_dash_value");
    }
}

}  // namespace pavrix_svg_core
