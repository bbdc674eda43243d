#pragma once

// A polyline paint command for the validation, precision and bake tests.

#include <utility>
#include <vector>

#include "recorder/paint_command.h"

namespace pavrix_svg_core::test_support {

// "M" then "L" for every further point, "Z" appended when closed.
inline PaintCommand polyline(PaintCommandKind kind, std::vector<PaintPoint> points, bool closed = false) {
    PaintCommand command;
    command.kind = kind;
    for (std::size_t i = 0; i < points.size(); ++i)
        command.path_verbs.push_back(i == 0 ? PathVerb::move_to : PathVerb::line_to);
    if (closed)
        command.path_verbs.push_back(PathVerb::close);
    command.path_points = std::move(points);
    command.source_subpath_area_potential.push_back(1);
    return command;
}

}  // namespace pavrix_svg_core::test_support
