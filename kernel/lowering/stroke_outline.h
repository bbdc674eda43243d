#pragma once

// Outlining of stroke commands: offset rings of every flattened and dashed piece on a local grid fine
// enough to classify each join, and their lowering onto the analysis grid.

#include <cstdint>
#include <vector>

#include "kernel/commands/boxes.h"
#include "kernel/common/complexity_budget.h"
#include "kernel/commands/prepared_normalization.h"
#include "kernel/commands/replay_params.h"
#include "kernel/lowering/stroke_flattening.h"
#include "recorder/paint_command.h"

namespace pavrix_svg_core {

// Local grid coordinates stay within this magnitude, like the analysis grid's.
inline constexpr double kMaxLocalCoordinate = 1e15;
// Round joins and caps get at most this many steps per full turn. Clipper2 keeps the count in an
// int; real artwork needs a few hundred.
inline constexpr double kMaxRoundSteps = 1048576.0;  // 2^20
// The offsetter copies its input unchanged below a delta of half a unit, so the local grid is refined
// until half the width spans at least this many local units.
inline constexpr double kMinOffsetDelta = 4.0;

struct StrokeRing {
    std::vector<PaintPoint> ring;  // path units
    std::int32_t subpath_index = -1;
    // False for holes and miter wedges: when such a ring collapses on the grid, the stroke around it
    // still prints and nothing is reported.
    bool reports_collapse = true;
    std::uint32_t group = 0;  // as FlatPiece's
};

// A piece split between the offsetter and the pen's sweep: its rings are reported together.
struct StrokeGroup {
    std::int32_t subpath_index = -1;
    bool cut_by_viewport = false;  // some of it was dropped, so printing nothing is no collapse
};

struct StrokeOutline {
    std::vector<StrokeRing> rings;
    std::vector<std::int32_t> collapsed_subpaths;  // pieces that produced no ring
    bool cut_by_viewport = false;                  // some of the centre line lay beyond the viewport and was dropped
    std::vector<StrokeGroup> groups;               // by FlatPiece::group - 1
};

// The stroke's coverage on the analysis grid, as prepare_fill's record. std::logic_error
// "missing_complexity_budget" without a budget; StrokeInputPrecisionError, ComplexityLimitError and
// std::range_error "numeric_range_error" as the stages below raise them.
PreparedNormalization prepare_stroke(const PaintCommand& command, const ReplayParams& params);

// Outline rings in path units. `tolerance` and `grid` are path units. With a non-empty `viewport`
// (source units) the centre line is first cut to it, grown by the outline's reach and a margin, so
// paint far outside never reaches the grid.
StrokeOutline stroke_command(const PaintCommand& command, double tolerance, double grid, ComplexityBudget& budget,
                             const DoubleBox* viewport = nullptr);

struct VertexTurn {
    double cosine = 1.0;  // of the angle between incoming and outgoing direction
    double incoming_length = 0.0;
    double outgoing_length = 0.0;
    bool valid = false;
};

// For pieces of at least 3 points: every vertex of a closed piece, the interior ones of an open piece.
VertexTurn vertex_turn(const FlatPiece& piece, std::size_t index, bool closed) noexcept;

// How much finer than the analysis grid the local grid must be for this piece (>= 2).
double stroke_grid_amplification(const FlatPiece& piece, const PaintStrokeStyle& style, double half_width);

// The local grid unit (path units) that resolves the piece and classifies each miter join on the same
// side of the limit as the exact geometry. StrokeInputPrecisionError "miter_classification_grid".
double choose_stroke_grid(const FlatPiece& piece, const PaintStrokeStyle& style, double half_width, double grid);

// The cap of a zero-length piece: empty for butt, an axis-aligned square, or a disc of at least
// 8 points. ComplexityLimitError "stroke_point_cap_segments" for a disc too fine to build.
std::vector<PaintPoint> point_cap_polygon(const PaintPoint& point, LineCap line_cap, double radius, double tolerance,
                                          ComplexityBudget& budget);

// Cosine of the sharpest turn still mitered under `miter_limit` (with a few ulps of slack, so that a
// join exactly at the limit is mitered): joins turning less, with a larger cosine, get their tip.
double wedge_miter_cosine(double miter_limit) noexcept;

// llround, StrokeInputPrecisionError "local_coordinate_range" beyond kMaxLocalCoordinate.
std::int64_t to_local_grid(double value);
// The larger distance to the neighbouring doubles; +inf for a non-finite value.
double ulp_of(double value) noexcept;

}  // namespace pavrix_svg_core
