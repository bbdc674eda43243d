#pragma once

// Hand-made stroke commands and outline measures shared by the stroke tests.

#include <cmath>
#include <string_view>
#include <vector>

#include <clipper2/clipper.h>

#include "recorder/paint_command.h"

namespace pavrix_svg_core::stroke_test {

// A tiny path language: "M x y", "L x y", "C x1 y1 x2 y2 x y", "Z", separated by spaces.
inline PaintCommand stroke_path(std::string_view text, double width = 2.0) {
    PaintCommand command;
    command.kind = PaintCommandKind::stroke;
    command.stroke.width = width;
    command.path_coordinates_exact = true;
    command.transform_coordinates_exact = true;
    std::vector<double> numbers;
    auto flush_numbers = [&] {
        for (std::size_t i = 0; i + 1 < numbers.size(); i += 2)
            command.path_points.push_back({numbers[i], numbers[i + 1]});
        numbers.clear();
    };
    std::size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (c == ' ') {
            ++i;
            continue;
        }
        if (c == 'M' || c == 'L' || c == 'C' || c == 'Z') {
            flush_numbers();
            command.path_verbs.push_back(c == 'M'   ? PathVerb::move_to
                                         : c == 'L' ? PathVerb::line_to
                                         : c == 'C' ? PathVerb::cubic_to
                                                    : PathVerb::close);
            if (c == 'M')
                command.source_subpath_area_potential.push_back(1);
            ++i;
            continue;
        }
        std::size_t end = text.find(' ', i);
        if (end == std::string_view::npos)
            end = text.size();
        numbers.push_back(std::stod(std::string(text.substr(i, end - i))));
        i = end;
    }
    flush_numbers();
    return command;
}

inline double paths_area(const Clipper2Lib::Paths64& paths) {
    double area = 0.0;
    for (const auto& path : paths)
        area += Clipper2Lib::Area(path);
    return std::fabs(area);
}

}  // namespace pavrix_svg_core::stroke_test
