#pragma once

// One walk over a command's verbs that hands out subpaths and their segments, shared by the
// precision analysis and the bounds so that both read a path the same way.

#include <cstddef>

#include "recorder/paint_command.h"

namespace pavrix_svg_core {

// The visitor offers:
//   begin_subpath(const PaintPoint& start)
//   line(const PaintPoint& from, const PaintPoint& to)
//   cubic(const PaintPoint& from, const PaintPoint& c1, const PaintPoint& c2, const PaintPoint& to)
//   close(const PaintPoint& from, const PaintPoint& first)   // the closing leg, even when empty
//   end_subpath(bool closed)
// A move_to starts a subpath; close and the end of the path end one. A drawing verb after a
// close first re-adds the current point (the closed subpath's start) as a new subpath's start.
// A drawing verb with no current point at all starts its subpath at its own first point. A verb
// whose points are missing ends the walk; out-of-table verbs are skipped.
template <class Visitor>
void walk_subpaths(const PaintCommand& command, Visitor& visitor) {
    const auto& points = command.path_points;
    std::size_t next = 0;
    bool open = false;
    bool has_current = false;
    PaintPoint first;
    PaintPoint current;
    const auto begin = [&](const PaintPoint& start) {
        open = true;
        has_current = true;
        first = start;
        current = start;
        visitor.begin_subpath(start);
    };
    const auto end = [&](bool closed) {
        if (!open)
            return;
        open = false;
        visitor.end_subpath(closed);
    };
    for (const PathVerb verb : command.path_verbs) {
        const std::size_t needed = pointsPerVerb(verb);
        if (points.size() - next < needed)
            break;
        switch (verb) {
        case PathVerb::move_to:
            end(false);
            begin(points[next]);
            break;
        case PathVerb::line_to:
            if (!open)
                begin(has_current ? current : points[next]);
            visitor.line(current, points[next]);
            current = points[next];
            break;
        case PathVerb::cubic_to:
            if (!open)
                begin(has_current ? current : points[next]);
            visitor.cubic(current, points[next], points[next + 1], points[next + 2]);
            current = points[next + 2];
            break;
        case PathVerb::close:
            if (open) {
                visitor.close(current, first);
                current = first;
                end(true);
            }
            break;
        }
        next += needed;
    }
    end(false);
}

}  // namespace pavrix_svg_core
