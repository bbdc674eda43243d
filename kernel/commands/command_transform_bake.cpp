#include "kernel/commands/command_transform_bake.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "kernel/commands/input_precision.h"

namespace pavrix_svg_core {

PaintCommand bake_command_transform(const PaintCommand& command) {
    PaintCommand baked = command;
    const PaintMatrix& m = command.matrix;
    const PointErrorModel model = make_point_error_model(command, true);
    ErrorPair largest;
    for (PaintPoint& point : baked.path_points) {
        const ErrorPair error = model.error_at(point);
        largest.x = std::max(largest.x, error.x);
        largest.y = std::max(largest.y, error.y);
        point = PaintPoint{m[0] * point.x + m[2] * point.y + m[4], m[1] * point.x + m[3] * point.y + m[5]};
        // A point the matrix throws out of range would reach the stroker as infinity.
        if (!std::isfinite(point.x) || !std::isfinite(point.y))
            throw std::range_error("numeric_range_error");
    }
    baked.matrix = kIdentityPaintMatrix;
    baked.transform_coordinates_exact = true;
    baked.transform_operation_count = 0;
    baked.transform_linear_precision_error = 0.0;
    baked.transform_translation_precision_error = 0.0;
    baked.path_input_precision_error_x = largest.x;
    baked.path_input_precision_error_y = largest.y;
    baked.path_input_precision_error = std::hypot(largest.x, largest.y);
    if (command.path_lowering_precision_error != 0.0)
        baked.path_lowering_precision_error = matrix_spectral_norm(m) * command.path_lowering_precision_error;
    baked.path_coordinates_exact =
        command.path_coordinates_exact && command.transform_coordinates_exact && largest.x == 0.0 && largest.y == 0.0;
    baked.non_scaling_stroke = false;
    return baked;
}

}  // namespace pavrix_svg_core
