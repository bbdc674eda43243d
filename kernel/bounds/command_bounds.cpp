#include "kernel/bounds/command_bounds.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "kernel/commands/command_transform_bake.h"
#include "kernel/lowering/dash_pattern.h"
#include "kernel/commands/input_precision.h"
#include "kernel/bounds/path_bounds.h"
#include "kernel/bounds/stroke_bounds.h"

namespace pavrix_svg_core {
namespace {

bool draws(PathVerb verb) noexcept {
    return verb != PathVerb::move_to;
}

// A move_to followed by another move_to or by the end paints nothing; it must not widen the
// bounds of a stroke. Returns the command without such subpaths, or nothing when it has none.
std::optional<PaintCommand> without_lone_moves(const PaintCommand& command) {
    const std::vector<PathVerb>& verbs = command.path_verbs;
    bool lone = false;
    for (std::size_t i = 0; i < verbs.size() && !lone; ++i) {
        lone = verbs[i] == PathVerb::move_to && (i + 1 == verbs.size() || verbs[i + 1] == PathVerb::move_to);
    }
    if (!lone)
        return std::nullopt;
    PaintCommand kept = command;
    kept.path_verbs.clear();
    kept.path_points.clear();
    kept.source_subpath_area_potential.clear();
    std::size_t next_point = 0;
    std::size_t move_ordinal = 0;
    for (std::size_t i = 0; i < verbs.size(); ++i) {
        const PathVerb verb = verbs[i];
        const std::size_t count = pointsPerVerb(verb);
        if (next_point + count > command.path_points.size())
            break;  // the stroker reports missing points
        const bool is_lone = verb == PathVerb::move_to && (i + 1 == verbs.size() || verbs[i + 1] == PathVerb::move_to);
        if (!is_lone) {
            kept.path_verbs.push_back(verb);
            kept.path_points.insert(kept.path_points.end(), command.path_points.begin() + next_point,
                                    command.path_points.begin() + next_point + count);
            if (verb == PathVerb::move_to && move_ordinal < command.source_subpath_area_potential.size()) {
                kept.source_subpath_area_potential.push_back(command.source_subpath_area_potential[move_ordinal]);
            }
        }
        if (verb == PathVerb::move_to)
            ++move_ordinal;
        next_point += count;
    }
    return kept;
}

DoubleBox stroke_bounds(const PaintCommand& stroke, ComplexityBudget& budget) {
    const PaintStrokeStyle& style = stroke.stroke;
    const PaintMatrix& m = stroke.matrix;
    const double sigma = matrix_spectral_norm(m);
    // A stroke without width, or flattened to nothing by its matrix, paints nothing.
    if (!is_positive_finite(style.width) || !is_positive_finite(sigma))
        return DoubleBox{};
    const DoubleBox path_box = exact_path_bounds(stroke);
    const bool has_drawing_verb = std::any_of(stroke.path_verbs.begin(), stroke.path_verbs.end(), draws);
    const std::vector<double> pattern = normalize_dash_array(style.dash_array);
    // Dashes need not reach the path's extremes: only a solid round stroke is its path grown.
    if (pattern.empty() && has_drawing_verb && box_valid(path_box) && style.line_join == LineJoin::round &&
        style.line_cap == LineCap::round) {
        const double half_width = std::fabs(style.width) * 0.5;
        const double grow_x = std::hypot(m[0], m[2]) * half_width;
        const double grow_y = std::hypot(m[1], m[3]) * half_width;
        if (std::isfinite(grow_x) && std::isfinite(grow_y)) {
            return DoubleBox{path_box.xmin - grow_x, path_box.ymin - grow_y, path_box.xmax + grow_x,
                             path_box.ymax + grow_y};
        }
    }
    std::vector<ExactPiece> pieces = exact_pieces(stroke);
    if (!pattern.empty())
        pieces = dash_exact_pieces(stroke, pieces, pattern, budget);
    return exact_stroke_bounds(pieces, style, m);
}

}  // namespace

DoubleBox command_bounds(const PaintCommand& command, ComplexityBudget& budget) {
    if (command.kind != PaintCommandKind::stroke)
        return exact_path_bounds(command);
    std::optional<PaintCommand> baked;
    if (command.non_scaling_stroke)
        baked = bake_command_transform(command);
    const PaintCommand& working = baked ? *baked : command;
    const std::optional<PaintCommand> drawing = without_lone_moves(working);
    return stroke_bounds(drawing ? *drawing : working, budget);
}

ClipAwareBounds clip_aware_bounds(const std::vector<PaintCommand>& commands, ComplexityBudget& budget,
                                  const std::vector<DoubleBox>* paint_boxes) {
    ClipAwareBounds result;
    std::vector<DoubleBox> clips;
    std::size_t paint = 0;
    for (const PaintCommand& command : commands) {
        switch (command.kind) {
        case PaintCommandKind::clip_begin: {
            const DoubleBox box = exact_path_bounds(command);
            include_box(result.unclipped, box);
            clips.push_back(box);  // an empty clip still takes a level
            break;
        }
        case PaintCommandKind::clip_end:
            if (!clips.empty())
                clips.pop_back();
            break;
        case PaintCommandKind::fill:
        case PaintCommandKind::stroke: {
            DoubleBox box = paint_boxes != nullptr && paint < paint_boxes->size() ? (*paint_boxes)[paint]
                            : command.kind == PaintCommandKind::fill              ? exact_path_bounds(command)
                                                                                  : command_bounds(command, budget);
            ++paint;
            include_box(result.unclipped, box);
            for (const DoubleBox& clip : clips)
                box = intersect_boxes(box, clip);
            result.command_boxes.push_back(box);
            if (box_non_empty(box)) {
                include_box(result.clipped, box);
                result.min_side = std::min({result.min_side, box.xmax - box.xmin, box.ymax - box.ymin});
            }
            break;
        }
        case PaintCommandKind::group_begin:
        case PaintCommandKind::group_end:
            break;
        }
    }
    return result;
}

}  // namespace pavrix_svg_core
