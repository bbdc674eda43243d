#include "kernel/lowering/stroke_outline.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <limits>
#include <optional>
#include <stdexcept>
#include <utility>
#include <vector>

#include <clipper2/clipper.h>

#include "kernel/commands/command_transform_bake.h"
#include "kernel/lowering/cubic_flattening.h"
#include "kernel/lowering/dash_pattern.h"
#include "kernel/lowering/grid_quantization.h"
#include "kernel/commands/input_precision.h"
#include "kernel/common/kernel_errors.h"
#include "kernel/common/point_arithmetic.h"
#include "kernel/lowering/crossing_wedges.h"
#include "kernel/lowering/lowering_error_records.h"
#include "kernel/lowering/stroke_sweep.h"

namespace pavrix_svg_core {
namespace {

using Clipper2Lib::Path64;
using Clipper2Lib::Paths64;
using Clipper2Lib::Point64;

constexpr double kInfinity = std::numeric_limits<double>::infinity();
constexpr double kPi = 3.14159265358979323846;
constexpr double kSqrt2 = 1.4142135623730951;
// The local grid is refined by quarters at most this often before the miter classification gives up.
constexpr int kStrokeGridCandidates = 16;
// The piece's extent spans at most this many local units, as the analysis grid's extent does.
constexpr double kMaxLocalExtent = 5e14;
// A piece whose points are distinct but fall into one local cell is re-gridded so that its extent spans
// this many units: the outline must not lose a piece only because the grid was chosen for another.
constexpr double kCollapsedPieceUnits = 16.0;
// Below this arc tolerance (local units) the offsetter falls back to 0.002 of the delta; the step
// estimate follows it.
constexpr double kRoundArcTolerance = 1e-12;
// Every point handed to the offsetter can grow into at most this many points without round arcs.
constexpr std::uint64_t kPointsPerOffsetVertex = 4;
// The centre line is cut this many grid units beyond the outline's reach around the viewport, so cut
// ends and their caps stay clear of the replay's exact viewport clip.
constexpr double kViewportCutMarginGridUnits = 4.0;
// Marks a local vertex without a corner on true tangents.
constexpr std::size_t kNoCorner = std::numeric_limits<std::size_t>::max();
// Share of the flattening tolerance a curve's end chords may tilt the outline by (see StrokeEnds); the
// rest stays for the chords' own error near the end.
constexpr double kEndTiltShare = 0.5;
// 2^63: products with the offset delta must stay inside Clipper2's signed 64-bit coordinates.
constexpr double kOffsetRangeLimit = 9223372036854775808.0;
// Share of the flattening tolerance the pen's sweep chords may miss the exact outline by, like the
// offset chords' own share.
constexpr double kSweepErrorShare = 0.5;
// The offsetter rounds a cap's corners to the local grid: they are found within this many local units.
constexpr double kCapCornerSearch = 2.0;
// A side meeting its cap at a lower sine is too close to parallel to be cut by the cap's line.
constexpr double kMinCapSideSine = 0.5;
// A pen whose half width spans this many grid units (along the matrix's least stretch) has an end beyond
// the grid's range wherever it stands (one end lies at least half width / sqrt 2 out in x or y); twice
// that leaves room for the outline's error, so only strokes that must fail are refused before outlining.
constexpr double kMaxPenHalfWidthGridUnits = 2.0 * kSqrt2 * kMaxGridMagnitude;
// Holes of the unioned outline narrower than this (2 area / perimeter, grid units) are slivers that the
// rounding of points and crossings to the grid opens between rings meeting along shallow angles (a fan's
// pens pass their crossings implicitly): the exact outline covers them, and the grid could not show a
// true hole that narrow anyway.
constexpr double kMinHoleWidthGridUnits = 1.0;
// Holes of the union no wider than this share of the flattening tolerance are dropped: the union decides
// its crossings in double precision, and where many rings meet at one point on a grid 10^12 units wide it
// can leave a speck uncovered that every ring around it covers (filling it moves no edge by more than
// this share of the error the command reports).
constexpr double kUnionSpeckShare = 1.0 / 16.0;
// Crossings of the outline with itself narrower than this (sine of half the outside angle) move their
// tip by more than twice the chords' error: the outline is lowered again with chords finer by that sine.
constexpr double kCrossingSine = 0.5;
// The finer chords are at most this much finer (the points of curves grow with the square root of
// the inverse): a crossing at a near tangent would otherwise ask for any number of them.
constexpr double kMinCrossingShare = 1.0 / 64.0;

// Cosine of the turn at which the miter length reaches limit x (1 when every join is beveled).
double miter_cosine_threshold(double limit) noexcept {
    return limit <= 1.0 ? 1.0 : 2.0 / (limit * limit) - 1.0;
}

// One side of the viewport, as a half-plane in path units: inside where value >= 0.
struct HalfPlane {
    double ax = 0.0, ay = 0.0, c = 0.0;
    double value(const PaintPoint& p) const noexcept { return ax * p.x + ay * p.y + c; }
};
using ViewportPlanes = std::array<HalfPlane, 4>;

ViewportPlanes viewport_planes(const PaintMatrix& m, const DoubleBox& rect) noexcept {
    const double a = m[0], b = m[1], c = m[2], d = m[3], e = m[4], f = m[5];
    return ViewportPlanes{HalfPlane{a, c, e - rect.xmin}, HalfPlane{-a, -c, rect.xmax - e},
                          HalfPlane{b, d, f - rect.ymin}, HalfPlane{-b, -d, rect.ymax - f}};
}

bool inside(const ViewportPlanes& planes, const PaintPoint& p) noexcept {
    for (const HalfPlane& plane : planes) {
        if (!(plane.value(p) >= 0.0))
            return false;
    }
    return true;
}

// Whether some side of the viewport has every point beyond it.
template <typename Points>
bool beyond_one_side(const ViewportPlanes& planes, const Points& points) noexcept {
    return std::any_of(planes.begin(), planes.end(), [&](const HalfPlane& plane) {
        return std::all_of(points.begin(), points.end(), [&](const PaintPoint& p) { return !(plane.value(p) >= 0.0); });
    });
}

// The parameter interval of segment pq inside every half-plane; false when it is empty or a point.
bool clip_segment(const ViewportPlanes& planes, const PaintPoint& p, const PaintPoint& q, double& t0, double& t1) {
    t0 = 0.0;
    t1 = 1.0;
    for (const HalfPlane& plane : planes) {
        const double v0 = plane.value(p);
        const double v1 = plane.value(q);
        if (v0 < 0.0 && v1 < 0.0)
            return false;
        if (v0 < 0.0)
            t0 = std::max(t0, v0 / (v0 - v1));
        else if (v1 < 0.0)
            t1 = std::min(t1, v0 / (v0 - v1));
    }
    return t0 < t1;
}

// Cuts one centre-line piece to the grown viewport. Cut ends lie beyond the outline's reach, so their
// caps never show; a closed piece cut open keeps its start corner when that corner lies inside.
void cut_piece_to_viewport(FlatPiece&& piece, const ViewportPlanes& planes, std::vector<FlatPiece>& out, bool& dropped,
                           ComplexityBudget& budget) {
    bool all_inside = true;
    for (const PaintPoint& p : piece.points) {
        if (!inside(planes, p)) {
            all_inside = false;
            break;
        }
    }
    if (all_inside) {
        out.push_back(std::move(piece));
        return;
    }
    dropped = true;
    const std::size_t n = piece.points.size();
    if (n < 2)
        return;
    struct Run {
        FlatPiece piece;
        bool from_start = false;
        bool to_end = false;
    };
    std::vector<Run> runs;
    Run run;
    auto flush = [&] {
        if (run.piece.points.size() >= 2)
            runs.push_back(std::move(run));
        run = Run{};
    };
    auto append = [&](const PaintPoint& p, double t) {
        if (t > 0.0 && t < 1.0)
            charge_lowered_points(budget, 1);
        run.piece.points.push_back(p);
    };
    // Corners on the true tangents go with the vertices that stay.
    std::vector<const ExactCorner*> corner_at;
    if (!piece.corners.empty()) {
        corner_at.assign(n, nullptr);
        for (const ExactCorner& corner : piece.corners)
            corner_at[corner.index < n ? corner.index : 0] = &corner;
    }
    const std::size_t segment_count = piece.closed != 0 ? n : n - 1;
    for (std::size_t s = 0; s < segment_count; ++s) {
        const PaintPoint& p = piece.points[s];
        const PaintPoint& q = piece.points[(s + 1) % n];
        double t0 = 0.0, t1 = 1.0;
        if (!clip_segment(planes, p, q, t0, t1)) {
            flush();
            continue;
        }
        if (t0 > 0.0)
            flush();
        if (run.piece.points.empty()) {
            run.from_start = s == 0 && t0 == 0.0;
            append(point_along(p, q, t0), t0);
        }
        append(point_along(p, q, t1), t1);
        if (t1 >= 1.0 && !corner_at.empty() && corner_at[(s + 1) % n] != nullptr) {
            ExactCorner corner = *corner_at[(s + 1) % n];
            corner.index = run.piece.points.size() - 1;
            run.piece.corners.push_back(corner);
        }
        if (t1 < 1.0)
            flush();
        else if (s + 1 == segment_count)
            run.to_end = true;
    }
    flush();
    if (piece.closed != 0 && runs.size() >= 2 && runs.front().from_start && runs.back().to_end) {
        std::vector<PaintPoint>& joined = runs.back().piece.points;
        const std::vector<PaintPoint>& first = runs.front().piece.points;
        for (ExactCorner corner : runs.front().piece.corners) {
            corner.index += joined.size() - 1;
            runs.back().piece.corners.push_back(corner);
        }
        joined.insert(joined.end(), first.begin() + 1, first.end());
        runs.front() = std::move(runs.back());
        runs.pop_back();
    }
    for (Run& cut : runs) {
        cut.piece.has_segment = 1;
        cut.piece.subpath_index = piece.subpath_index;
        cut.piece.cut_ends = piece.cut_ends;
        cut.piece.group = piece.group;
        if (cut.from_start)
            cut.piece.start_tangent = piece.start_tangent;
        if (cut.to_end)
            cut.piece.end_tangent = piece.end_tangent;
        out.push_back(std::move(cut.piece));
    }
}

// Local grid points relative to `origin`, consecutive duplicates (and a closing one) dropped. With
// `local_index`, the local point each piece point became.
Path64 to_local_path(const FlatPiece& piece, const PaintPoint& origin, double unit,
                     std::vector<std::size_t>* local_index = nullptr) {
    Path64 local;
    local.reserve(piece.points.size());
    for (const PaintPoint& p : piece.points) {
        const Point64 q{to_local_grid((p.x - origin.x) / unit), to_local_grid((p.y - origin.y) / unit)};
        if (local.empty() || !(local.back() == q))
            local.push_back(q);
        if (local_index != nullptr)
            local_index->push_back(local.size() - 1);
    }
    if (piece.closed != 0 && local.size() >= 2 && local.back() == local.front()) {
        local.pop_back();
        if (local_index != nullptr) {
            for (std::size_t& index : *local_index)
                index = index == local.size() ? 0 : index;
        }
    }
    return local;
}

std::vector<PaintPoint> from_local_path(const Path64& path, const PaintPoint& origin, double unit) {
    std::vector<PaintPoint> ring;
    ring.reserve(path.size());
    for (const Point64& q : path) {
        ring.push_back(
            PaintPoint{static_cast<double>(q.x) * unit + origin.x, static_cast<double>(q.y) * unit + origin.y});
    }
    return ring;
}

// The square cap of a piece too short to have a direction on any grid: centred on its point, turned
// along the way the piece was heading (the path's way there for a dash that never left its point), as
// SVG paints a zero-length segment; axis-aligned for a zero-length subpath.
std::vector<PaintPoint> oriented_square(const FlatPiece& piece, double half_width, ComplexityBudget& budget) {
    const PaintPoint& p0 = piece.points.front();
    const bool directed = piece.direction.x != 0.0 || piece.direction.y != 0.0;
    double dx = directed ? piece.direction.x : 1.0, dy = directed ? piece.direction.y : 0.0, best = 0.0;
    for (const PaintPoint& p : piece.points) {
        const double length = std::hypot(p.x - p0.x, p.y - p0.y);
        if (length > best && std::isfinite(length)) {
            best = length;
            dx = (p.x - p0.x) / length;
            dy = (p.y - p0.y) / length;
        }
    }
    const double ax = dx * half_width, ay = dy * half_width;  // along
    const double nx = -ay, ny = ax;                           // across
    charge_lowered_points(budget, 4);
    charge_lowered_ring(budget);
    return {PaintPoint{p0.x - ax - nx, p0.y - ay - ny}, PaintPoint{p0.x + ax - nx, p0.y + ay - ny},
            PaintPoint{p0.x + ax + nx, p0.y + ay + ny}, PaintPoint{p0.x - ax + nx, p0.y - ay + ny}};
}

void add_ring(StrokeOutline& outline, std::vector<PaintPoint>&& ring, std::int32_t subpath_index, bool reports_collapse,
              std::uint32_t group = 0) {
    outline.rings.push_back(StrokeRing{std::move(ring), subpath_index, reports_collapse && group == 0, group});
}

// A collapse of a piece that belongs to a group is the group's to report.
void report_collapse(StrokeOutline& outline, const FlatPiece& piece) {
    if (piece.group == 0)
        outline.collapsed_subpaths.push_back(piece.subpath_index);
}

// A piece that is a point at every usable grid paints its cap, like a zero-length subpath.
void add_point_piece_cap(const FlatPiece& piece, const PaintStrokeStyle& style, double half_width, double arc_tolerance,
                         ComplexityBudget& budget, StrokeOutline& outline) {
    std::vector<PaintPoint> cap;
    if (style.line_cap == LineCap::square)
        cap = oriented_square(piece, half_width, budget);
    else
        cap = point_cap_polygon(piece.points.front(), style.line_cap, half_width, arc_tolerance, budget);
    if (cap.empty())
        report_collapse(outline, piece);
    else
        add_ring(outline, std::move(cap), piece.subpath_index, true, piece.group);
}

// The offsetter's raw outline with bevel joins: every segment moved by `delta` along its normal to
// the left going out and to the right coming back, as one ring.
Path64 beveled_offset_ring(const Path64& local, bool closed, double delta) {
    const std::size_t n = local.size();
    const std::size_t segments = closed ? n : n - 1;
    Path64 ring;
    ring.reserve(4 * segments);
    for (const double side : {1.0, -1.0}) {
        for (std::size_t k = 0; k < segments; ++k) {
            const std::size_t i = side > 0.0 ? k : segments - 1 - k;
            const Point64& a = local[i];
            const Point64& b = local[(i + 1) % n];
            const double dx = static_cast<double>(b.x - a.x);
            const double dy = static_cast<double>(b.y - a.y);
            if (dx == 0.0 && dy == 0.0)
                continue;
            const double scale = side * delta / std::hypot(dx, dy);
            const auto nx = static_cast<std::int64_t>(std::llround(-dy * scale));
            const auto ny = static_cast<std::int64_t>(std::llround(dx * scale));
            const Point64& from = side > 0.0 ? a : b;
            const Point64& to = side > 0.0 ? b : a;
            ring.emplace_back(from.x + nx, from.y + ny);
            ring.emplace_back(to.x + nx, to.y + ny);
        }
    }
    return ring;
}

// Points the offsetter may make from `local`; refused before the offsetter allocates them.
void require_offset_room(const Path64& local, bool closed, bool round_arcs, double delta, double arc_tolerance,
                         ComplexityBudget& budget) {
    std::uint64_t per_point = kPointsPerOffsetVertex;
    if (round_arcs) {
        const double y = arc_tolerance > kRoundArcTolerance ? std::min(arc_tolerance, delta) : delta * 0.002;
        const double theta = std::acos(std::clamp(1.0 - y / delta, -1.0, 1.0));
        const double steps = std::min(delta * kPi, theta > 0.0 ? kPi / theta : kInfinity);
        // Clipper2 keeps the step count in an int.
        if (!(theta > 0.0) || !(steps <= kMaxRoundSteps))
            throw ComplexityLimitError("stroke_round_steps");
        per_point = static_cast<std::uint64_t>(std::max(std::ceil(steps), 1.0)) + 2;
    }
    require_budget_room(budget, BudgetCounter::lowered_points, checked_size_product(local.size(), per_point));
    // The offsetter unites its raw outline in one sweep, whose work and crossings are those of the
    // path's sides; joins add a few points each, not crossings.
    if (4 * local.size() > std::min(kSmallSweepPoints, kSmallCrossingEdges)) {
        require_sweep_room(Paths64{beveled_offset_ring(local, closed, delta)});
    }
}

// Offset with bevel joins does not square sharp corners as Clipper2's miter does beyond its limit;
// the miter tips within the limit are added here as wedges over the bevel.
// Where a curve meets a curve or a line, the wedge is built on the true tangents (`exact`, by local
// index) rather than on the chords.
void add_miter_wedges(const Path64& local, bool closed, double delta, double miter_limit, double outer_sign,
                      const std::vector<ExactCorner>& exact, const PaintPoint& origin, double unit,
                      std::int32_t subpath_index, std::uint32_t group, ComplexityBudget& budget,
                      StrokeOutline& outline) {
    if (local.size() < 3 || outer_sign == 0.0)
        return;
    FlatPiece grid_piece;
    grid_piece.points.reserve(local.size());
    for (const Point64& q : local) {
        grid_piece.points.push_back(PaintPoint{static_cast<double>(q.x), static_cast<double>(q.y)});
    }
    const double threshold = wedge_miter_cosine(miter_limit);
    const std::size_t n = local.size();
    const std::size_t first = closed ? 0 : 1;
    const std::size_t end = closed ? n : n - 1;
    for (std::size_t i = first; i < end; ++i) {
        const PaintPoint& v = grid_piece.points[i];
        double ix = 0.0, iy = 0.0, ox = 0.0, oy = 0.0, cosine = 1.0;
        // The chords' own directions at an exact corner: the offset body ends on their normals.
        PaintPoint chord_in, chord_out;
        const bool on_exact = i < exact.size() && exact[i].index != kNoCorner;
        if (on_exact) {
            ix = exact[i].incoming.x;
            iy = exact[i].incoming.y;
            ox = exact[i].outgoing.x;
            oy = exact[i].outgoing.y;
            cosine = std::clamp(ix * ox + iy * oy, -1.0, 1.0);
            const VertexTurn turn = vertex_turn(grid_piece, i, closed);
            if (turn.valid) {
                const PaintPoint& prev = grid_piece.points[i == 0 ? n - 1 : i - 1];
                const PaintPoint& next = grid_piece.points[(i + 1) % n];
                chord_in = PaintPoint{(v.x - prev.x) / turn.incoming_length, (v.y - prev.y) / turn.incoming_length};
                chord_out = PaintPoint{(next.x - v.x) / turn.outgoing_length, (next.y - v.y) / turn.outgoing_length};
            }
        } else {
            const VertexTurn turn = vertex_turn(grid_piece, i, closed);
            if (!turn.valid)
                continue;
            const PaintPoint& prev = grid_piece.points[i == 0 ? n - 1 : i - 1];
            const PaintPoint& next = grid_piece.points[(i + 1) % n];
            ix = (v.x - prev.x) / turn.incoming_length;
            iy = (v.y - prev.y) / turn.incoming_length;
            ox = (next.x - v.x) / turn.outgoing_length;
            oy = (next.y - v.y) / turn.outgoing_length;
            cosine = turn.cosine;
        }
        if (!(cosine > threshold) || !(1.0 + cosine > 0.0))
            continue;
        const double cross = ix * oy - iy * ox;
        if (cross == 0.0)
            continue;
        // The outer side of a left turn is the right of travel, and the other way round.
        const double side = cross > 0.0 ? 1.0 : -1.0;
        const PaintPoint n_in{side * iy, -side * ix};
        const PaintPoint n_out{side * oy, -side * ox};
        const double tip_scale = delta / (1.0 + cosine);
        // A chord that leaves the tangent away from the tip ends the body short of the wedge's side,
        // and the body's bevel edge would cut a notch into the corner tan(turn / 2) times as deep as
        // that gap: the wedge reaches over to the chord's corner instead.
        const auto chord_corner = [&](const PaintPoint& chord, const PaintPoint& tangent, const PaintPoint& normal,
                                      const PaintPoint& other) -> std::optional<PaintPoint> {
            const PaintPoint chord_normal{side * chord.y, -side * chord.x};
            // Turned from the exact normal the other way than the tip lies, and by more than a local unit.
            const double away =
                (normal.x * chord_normal.y - normal.y * chord_normal.x) * (normal.x * other.y - normal.y * other.x);
            const double gap = delta * std::hypot(chord_normal.x - normal.x, chord_normal.y - normal.y);
            if (!(chord.x * tangent.x + chord.y * tangent.y > 0.0) || !(away < 0.0) || !(gap > 1.0))
                return std::nullopt;
            return PaintPoint{v.x + delta * chord_normal.x, v.y + delta * chord_normal.y};
        };
        std::vector<PaintPoint> wedge{v};
        if (const auto corner = chord_corner(chord_in, PaintPoint{ix, iy}, n_in, n_out))
            wedge.push_back(*corner);
        wedge.push_back(PaintPoint{v.x + delta * n_in.x, v.y + delta * n_in.y});
        wedge.push_back(PaintPoint{v.x + tip_scale * (n_in.x + n_out.x), v.y + tip_scale * (n_in.y + n_out.y)});
        wedge.push_back(PaintPoint{v.x + delta * n_out.x, v.y + delta * n_out.y});
        if (const auto corner = chord_corner(chord_out, PaintPoint{ox, oy}, n_out, n_in))
            wedge.push_back(*corner);
        if ((signed_area(wedge) > 0.0 ? 1.0 : -1.0) != outer_sign)
            std::reverse(wedge.begin(), wedge.end());
        for (PaintPoint& p : wedge)
            p = PaintPoint{p.x * unit + origin.x, p.y * unit + origin.y};
        charge_lowered_points(budget, wedge.size());
        charge_lowered_ring(budget);
        add_ring(outline, std::move(wedge), subpath_index, false, group);
    }
}

// A corner of a butt or square cap in the offsetter's solution, where the exact cap puts it, and the
// exact cap's line (through `exact`, along `along`).
struct CapCorner {
    std::size_t path = 0, vertex = 0;
    PaintPoint exact;
    PaintPoint along;
};

// The offsetter sets an open piece's caps across its end chords, tilted from the curve's tangent and
// rounded to the local grid: their corners are moved onto the exact cap, whose edge is then straight
// through them (a cap lying on another shape's edge merges with it, without a slit).
std::vector<CapCorner> find_cap_corners(const FlatPiece& piece, const Path64& local, const Paths64& solution,
                                        LineCap cap, double half_width, double delta) {
    std::vector<CapCorner> corners;
    const std::size_t n = local.size();
    if (n < 2 || piece.points.size() < 2 || (cap != LineCap::butt && cap != LineCap::square))
        return corners;
    const double reach = cap == LineCap::square ? 1.0 : 0.0;
    for (const bool at_start : {true, false}) {
        const Point64& tip = at_start ? local.front() : local.back();
        const Point64& inner = at_start ? local[1] : local[n - 2];
        const double cx = static_cast<double>(tip.x - inner.x), cy = static_cast<double>(tip.y - inner.y);
        const double chord_length = std::hypot(cx, cy);
        const PaintPoint& end = at_start ? piece.points.front() : piece.points.back();
        const PaintPoint& before = at_start ? piece.points[1] : piece.points[piece.points.size() - 2];
        PaintPoint outward = at_start ? PaintPoint{-piece.start_tangent.x, -piece.start_tangent.y} : piece.end_tangent;
        if (outward.x == 0.0 && outward.y == 0.0) {
            const double length = std::hypot(end.x - before.x, end.y - before.y);
            outward = PaintPoint{(end.x - before.x) / length, (end.y - before.y) / length};
        }
        if (!(chord_length > 0.0) || !std::isfinite(outward.x) || !std::isfinite(outward.y))
            continue;
        const double dx = cx / chord_length, dy = cy / chord_length;
        for (const double side : {1.0, -1.0}) {
            // Where the offsetter put the corner (local units), within its rounding.
            const double ex = static_cast<double>(tip.x) + delta * (-side * dy + reach * dx);
            const double ey = static_cast<double>(tip.y) + delta * (side * dx + reach * dy);
            const PaintPoint exact{end.x + half_width * (-side * outward.y + reach * outward.x),
                                   end.y + half_width * (side * outward.x + reach * outward.y)};
            // The nearest vertex only: moving a second one there would fold the ring.
            CapCorner nearest{0, 0, exact, PaintPoint{-outward.y, outward.x}};
            // Squared distances: every vertex of the solution is looked at, once per corner.
            double best = kCapCornerSearch * kCapCornerSearch;
            bool found = false;
            for (std::size_t k = 0; k < solution.size(); ++k) {
                for (std::size_t v = 0; v < solution[k].size(); ++v) {
                    const Point64& q = solution[k][v];
                    const double qx = static_cast<double>(q.x) - ex, qy = static_cast<double>(q.y) - ey;
                    const double squared = qx * qx + qy * qy;
                    if (squared <= best) {
                        best = squared;
                        nearest.path = k;
                        nearest.vertex = v;
                        found = true;
                    }
                }
            }
            if (found)
                corners.push_back(nearest);
        }
    }
    return corners;
}

// Where a cap corner goes: on the exact cap's line, where the offsetter's side edge meets it, so that the
// side keeps its direction (a bent side keeps vertices the union would otherwise merge); the exact
// corner when the side runs along the cap or the corner has no side edge of its own.
PaintPoint corner_on_cap_line(const std::vector<PaintPoint>& ring, const CapCorner& corner,
                              const std::vector<CapCorner>& corners) {
    const std::size_t n = ring.size();
    const std::size_t previous = (corner.vertex + n - 1) % n, next = (corner.vertex + 1) % n;
    const auto is_corner = [&](std::size_t v) {
        return std::any_of(corners.begin(), corners.end(),
                           [&](const CapCorner& c) { return c.path == corner.path && c.vertex == v; });
    };
    const bool previous_corner = is_corner(previous), next_corner = is_corner(next);
    if (previous_corner == next_corner)
        return corner.exact;
    const PaintPoint& from = ring[previous_corner ? next : previous];
    const PaintPoint& at = ring[corner.vertex];
    const double sx = at.x - from.x, sy = at.y - from.y;
    const double side_length = std::hypot(sx, sy);
    const double cross = sx * corner.along.y - sy * corner.along.x;
    // Sides meeting the cap at less than this sine are left to the exact corner: their crossing runs off.
    if (!(std::fabs(cross) > kMinCapSideSine * side_length))
        return corner.exact;
    const double s = ((corner.exact.x - from.x) * corner.along.y - (corner.exact.y - from.y) * corner.along.x) / cross;
    return PaintPoint{from.x + s * sx, from.y + s * sy};
}

void outline_piece(const FlatPiece& piece, const PaintStrokeStyle& style, double half_width, double arc_tolerance,
                   double grid, ComplexityBudget& budget, StrokeOutline& outline) {
    const bool closed = piece.closed != 0;
    const double grid_unit = choose_stroke_grid(piece, style, half_width, grid);
    const PaintPoint origin = piece.points.front();
    double spread = 0.0;
    for (const PaintPoint& p : piece.points) {
        spread = std::max({spread, std::fabs(p.x - origin.x), std::fabs(p.y - origin.y)});
    }
    const double extent = std::max(half_width, spread);
    double unit = std::max({grid_unit, half_width / kMaxLocalCoordinate, extent / kMaxLocalExtent});
    // Below half a unit the offsetter hands its input back unchanged: a closed hairline would print as
    // its filled interior. Refine while the extent allows; beyond that the stroke is too thin to print.
    if (!(half_width / unit >= kMinOffsetDelta)) {
        const double refined = half_width / kMinOffsetDelta;
        if (!(extent / refined <= kMaxLocalExtent)) {
            report_collapse(outline, piece);
            return;
        }
        unit = refined;
    }
    std::vector<std::size_t> local_index;
    Path64 local = to_local_path(piece, origin, unit, &local_index);
    if (local.size() < 2 && spread > 0.0 && half_width / (spread / kCollapsedPieceUnits) <= kMaxLocalCoordinate) {
        unit = spread / kCollapsedPieceUnits;
        local_index.clear();
        local = to_local_path(piece, origin, unit, &local_index);
    }
    if (local.size() < 2) {
        add_point_piece_cap(piece, style, half_width, arc_tolerance, budget, outline);
        return;
    }
    const double delta = half_width / unit;
    if (!(std::isfinite(delta) && delta > 0.0 && delta <= kMaxLocalCoordinate)) {
        throw StrokeInputPrecisionError("stroke_offset_range");
    }
    const bool round_arcs = style.line_join == LineJoin::round || (!closed && style.line_cap == LineCap::round);
    require_offset_room(local, closed, round_arcs, delta, arc_tolerance / unit, budget);
    if (!(std::max(std::fabs(style.miter_limit), 2.0) * 2.0 * delta < kOffsetRangeLimit)) {
        throw ComplexityLimitError("clipper_offset_range");
    }

    using Clipper2Lib::EndType;
    using Clipper2Lib::JoinType;
    const JoinType join = style.line_join == LineJoin::round ? JoinType::Round : JoinType::Bevel;
    EndType end = EndType::Joined;
    if (closed && local.size() == 2) {
        // There and back: both joins turn by 180 degrees, which SVG draws flat (round for round joins).
        // The offsetter would square them as its own joined ends.
        end = style.line_join == LineJoin::round ? EndType::Round : EndType::Butt;
    } else if (!closed) {
        end = style.line_cap == LineCap::round    ? EndType::Round
              : style.line_cap == LineCap::square ? EndType::Square
                                                  : EndType::Butt;
    }
    Clipper2Lib::ClipperOffset offsetter(style.miter_limit, arc_tolerance / unit);
    offsetter.AddPath(local, join, end);
    Paths64 solution;
    offsetter.Execute(delta, solution);
    if (offsetter.ErrorCode() != 0)
        throw std::runtime_error("clipper_offset_failed");
    charge_clipper_output(budget, solution);
    const std::vector<CapCorner> cap_corners =
        closed || piece.cut_ends != 0 ? std::vector<CapCorner>{}
                                      : find_cap_corners(piece, local, solution, style.line_cap, half_width, delta);

    // Holes run against the outer boundary; the largest ring is outer.
    double outer_area = 0.0;
    for (const Path64& path : solution) {
        const double area = Clipper2Lib::Area(path);
        if (std::fabs(area) > std::fabs(outer_area))
            outer_area = area;
    }
    const double outer_sign = outer_area > 0.0 ? 1.0 : outer_area < 0.0 ? -1.0 : 0.0;
    const std::size_t rings_before = outline.rings.size();
    for (std::size_t k = 0; k < solution.size(); ++k) {
        const Path64& path = solution[k];
        if (path.size() < 3)
            continue;
        charge_lowered_points(budget, path.size());
        charge_lowered_ring(budget);
        const bool outer = (Clipper2Lib::Area(path) > 0.0 ? 1.0 : -1.0) == outer_sign;
        std::vector<PaintPoint> ring = from_local_path(path, origin, unit);
        for (const CapCorner& corner : cap_corners) {
            if (corner.path == k)
                ring[corner.vertex] = corner_on_cap_line(ring, corner, cap_corners);
        }
        add_ring(outline, std::move(ring), piece.subpath_index, outer, piece.group);
    }
    if (outline.rings.size() == rings_before) {
        report_collapse(outline, piece);
        return;
    }
    if (style.line_join == LineJoin::miter) {
        std::vector<ExactCorner> exact;
        if (!piece.corners.empty()) {
            exact.assign(local.size(), ExactCorner{kNoCorner, {}, {}});
            for (const ExactCorner& corner : piece.corners) {
                if (corner.index >= local_index.size())
                    continue;
                // Corners whose vertices fall into one grid point chain: the join is between the
                // stretch that arrives there and the one that leaves.
                ExactCorner& at = exact[local_index[corner.index]];
                if (at.index == kNoCorner)
                    at = corner;
                else if (at.outgoing == corner.incoming)
                    at.outgoing = corner.outgoing;
                else if (corner.outgoing == at.incoming)
                    at.incoming = corner.incoming;
            }
        }
        add_miter_wedges(local, closed, delta, style.miter_limit, outer_sign, exact, origin, unit, piece.subpath_index,
                         piece.group, budget, outline);
    }
}

// How far the outline reaches from its centre line, in half widths.
double reach_factor(const PaintStrokeStyle& style) noexcept {
    double factor = 1.0;
    if (style.line_join == LineJoin::miter && std::isfinite(style.miter_limit)) {
        factor = std::max(factor, style.miter_limit);
    }
    if (style.line_cap == LineCap::square)
        factor = std::max(factor, kSqrt2);
    return factor;
}

Path64 quantize_outline_ring(const std::vector<PaintPoint>& ring, const PaintMatrix& matrix,
                             const ReplayParams& params) {
    Path64 grid;
    grid.reserve(ring.size());
    for (const PaintPoint& p : ring) {
        const Point64 q = quantize_to_grid(p, matrix, params);
        if (grid.empty() || !(grid.back() == q))
            grid.push_back(q);
    }
    if (grid.size() >= 2 && grid.back() == grid.front())
        grid.pop_back();
    return grid;
}

// Drops the holes a union's rounding opens where the exact outline has none (holes turn clockwise):
// slivers narrower than kMinHoleWidthGridUnits (2 area / perimeter) and specks whose box is at most
// `speck` grid units on its longer side.
void drop_false_holes(Paths64& paths, double speck) {
    std::erase_if(paths, [speck](const Path64& path) {
        const double area = Clipper2Lib::Area(path);
        if (path.empty() || !(area < 0.0))
            return false;
        const Clipper2Lib::Rect64 box = Clipper2Lib::GetBounds(path);
        if (static_cast<double>(box.right - box.left) <= speck && static_cast<double>(box.bottom - box.top) <= speck)
            return true;
        return -2.0 * area < kMinHoleWidthGridUnits * Clipper2Lib::Length(path, true);
    });
}

}  // namespace

std::int64_t to_local_grid(double value) {
    if (!std::isfinite(value) || std::fabs(value) > kMaxLocalCoordinate) {
        throw StrokeInputPrecisionError("local_coordinate_range");
    }
    return std::llround(value);
}

double ulp_of(double value) noexcept {
    if (!std::isfinite(value))
        return kInfinity;
    return std::max(value - std::nextafter(value, -kInfinity), std::nextafter(value, kInfinity) - value);
}

double wedge_miter_cosine(double miter_limit) noexcept {
    return miter_cosine_threshold(std::max(miter_limit + 4.0 * ulp_of(miter_limit), 1.0));
}

VertexTurn vertex_turn(const FlatPiece& piece, std::size_t index, bool closed) noexcept {
    VertexTurn turn;
    const std::size_t n = piece.points.size();
    if (n < 3 || index >= n)
        return turn;
    if (!closed && (index == 0 || index + 1 == n))
        return turn;
    const PaintPoint& v = piece.points[index];
    const PaintPoint& prev = piece.points[index == 0 ? n - 1 : index - 1];
    const PaintPoint& next = piece.points[(index + 1) % n];
    const double ix = v.x - prev.x, iy = v.y - prev.y;
    const double ox = next.x - v.x, oy = next.y - v.y;
    turn.incoming_length = std::hypot(ix, iy);
    turn.outgoing_length = std::hypot(ox, oy);
    if (!(std::isfinite(turn.incoming_length) && turn.incoming_length > 0.0 && std::isfinite(turn.outgoing_length) &&
          turn.outgoing_length > 0.0)) {
        return turn;
    }
    turn.cosine = std::clamp((ix * ox + iy * oy) / (turn.incoming_length * turn.outgoing_length), -1.0, 1.0);
    turn.valid = true;
    return turn;
}

double stroke_grid_amplification(const FlatPiece& piece, const PaintStrokeStyle& style, double half_width) {
    const std::size_t n = piece.points.size();
    if (n < 2)
        return 2.0;
    const double limit = style.miter_limit;
    const double rounded_limit = std::max(limit + 4.0 * ulp_of(limit), 1.0);
    const double miter_cosine = miter_cosine_threshold(rounded_limit);
    const bool closed = piece.closed != 0;
    double amplification = 2.0;
    for (std::size_t i = 0; i < n; ++i) {
        const VertexTurn turn = vertex_turn(piece, i, closed);
        if (!turn.valid)
            continue;
        double miter = 1.0;
        if (style.line_join == LineJoin::miter && turn.cosine > miter_cosine) {
            if (!(1.0 + turn.cosine > 0.0))
                throw StrokeInputPrecisionError("miter_denominator");
            miter = std::min(std::sqrt(2.0 / (1.0 + turn.cosine)), rounded_limit);
        }
        const double value =
            16.0 * half_width * miter * miter / std::min(turn.incoming_length, turn.outgoing_length) + 2.0;
        if (!std::isfinite(value))
            throw StrokeInputPrecisionError("stroke_grid_amplification");
        amplification = std::max(amplification, value);
    }
    if (!closed && (style.line_cap == LineCap::round || style.line_cap == LineCap::square)) {
        const PaintPoint& a = piece.points[0];
        const PaintPoint& b = piece.points[1];
        const PaintPoint& y = piece.points[n - 2];
        const PaintPoint& z = piece.points[n - 1];
        const double shortest = std::min(std::hypot(b.x - a.x, b.y - a.y), std::hypot(z.x - y.x, z.y - y.y));
        if (std::isfinite(shortest) && shortest > 0.0) {
            const double value = 16.0 * half_width / shortest + 2.0;
            if (!std::isfinite(value))
                throw StrokeInputPrecisionError("stroke_grid_amplification");
            amplification = std::max(amplification, value);
        }
    }
    return amplification;
}

double choose_stroke_grid(const FlatPiece& piece, const PaintStrokeStyle& style, double half_width, double grid) {
    double candidate = grid / stroke_grid_amplification(piece, style, half_width);
    const bool classify = style.line_join == LineJoin::miter && piece.points.size() >= 3;
    const double limit = style.miter_limit;
    const double cosine_low = miter_cosine_threshold(std::max(limit - 4.0 * ulp_of(limit), 1.0));
    const double cosine_high = miter_cosine_threshold(limit + 4.0 * ulp_of(limit));
    const bool closed = piece.closed != 0;
    for (int attempt = 0; attempt < kStrokeGridCandidates; ++attempt, candidate *= 0.25) {
        if (!(std::isfinite(candidate) && candidate > 0.0))
            continue;
        if (!classify)
            return candidate;
        // Rounding every point by up to r moves each direction by at most an angle whose cosine
        // error is below delta; the join must fall on one side of the limit for every such move.
        const double r = kSqrt2 * candidate;
        bool unambiguous = true;
        for (std::size_t i = 0; i < piece.points.size() && unambiguous; ++i) {
            const VertexTurn turn = vertex_turn(piece, i, closed);
            if (!turn.valid)
                continue;
            if (!(r < turn.incoming_length && r < turn.outgoing_length)) {
                unambiguous = false;
                break;
            }
            const double e_in = 2.0 * r / (turn.incoming_length - r);
            const double e_out = 2.0 * r / (turn.outgoing_length - r);
            const double delta = e_in * e_out + e_in + e_out;
            unambiguous =
                std::max(turn.cosine - delta, -1.0) > cosine_low || std::min(turn.cosine + delta, 1.0) <= cosine_high;
        }
        if (unambiguous)
            return candidate;
    }
    throw StrokeInputPrecisionError("miter_classification_grid");
}

std::vector<PaintPoint> point_cap_polygon(const PaintPoint& point, LineCap line_cap, double radius, double tolerance,
                                          ComplexityBudget& budget) {
    std::vector<PaintPoint> polygon;
    if (line_cap == LineCap::square) {
        charge_lowered_points(budget, 4);
        charge_lowered_ring(budget);
        polygon = {PaintPoint{point.x - radius, point.y - radius}, PaintPoint{point.x + radius, point.y - radius},
                   PaintPoint{point.x + radius, point.y + radius}, PaintPoint{point.x - radius, point.y + radius}};
    } else if (line_cap == LineCap::round) {
        const double theta = std::acos(std::clamp(1.0 - tolerance / radius, -1.0, 1.0));
        const double segments = theta > 0.0 ? std::ceil(kPi / theta) : kInfinity;
        if (!std::isfinite(segments) || segments > kMaxRoundSteps) {
            throw ComplexityLimitError("stroke_point_cap_segments");
        }
        const auto count = static_cast<std::uint64_t>(std::max(segments, 8.0));
        require_budget_room(budget, BudgetCounter::lowered_points, count);
        polygon.reserve(count);
        for (std::uint64_t i = 0; i < count; ++i) {
            const double angle = 2.0 * kPi * static_cast<double>(i) / static_cast<double>(count);
            polygon.push_back(PaintPoint{point.x + radius * std::cos(angle), point.y + radius * std::sin(angle)});
        }
        charge_lowered_points(budget, count);
        charge_lowered_ring(budget);
    }
    return polygon;
}

StrokeOutline stroke_command(const PaintCommand& command, double tolerance, double grid, ComplexityBudget& budget,
                             const DoubleBox* viewport) {
    StrokeOutline outline;
    const PaintStrokeStyle& style = command.stroke;
    const double width = style.width;
    if (!is_positive_finite(width) || !is_positive_finite(tolerance) || !is_positive_finite(grid))
        return outline;

    const std::vector<double> pattern = normalize_dash_array(style.dash_array);
    const bool round = style.line_cap == LineCap::round || style.line_join == LineJoin::round;
    const double t = tolerance * (round ? 0.5 : 1.0);
    const double half_width = width * 0.5;
    // Chords whose control points lie within t of them stay within three quarters of t of the curve;
    // the rest of the tolerance (round arcs never stand on the chords' offsets) bounds the offset's
    // own error where the chords meet.
    const StrokeEnds ends{half_width, style.line_cap, style.line_join, kEndTiltShare * t, tolerance - 0.75 * t};
    const double arc_tolerance = round ? tolerance - t : tolerance;
    StrokeEnds body_ends = ends;
    body_ends.cap = LineCap::butt;
    PaintStrokeStyle butt_style = style;
    butt_style.line_cap = LineCap::butt;
    const double sigma = matrix_spectral_norm(command.matrix);
    std::optional<ViewportPlanes> planes;
    if (viewport != nullptr && box_non_empty(*viewport)) {
        const double reach =
            sigma * (half_width * reach_factor(style) + tolerance + kViewportCutMarginGridUnits * grid);
        if (std::isfinite(reach))
            planes = viewport_planes(command.matrix, DoubleBox{viewport->xmin - reach, viewport->ymin - reach,
                                                               viewport->xmax + reach, viewport->ymax + reach});
    }
    // Sweeping or offsetting such a pen at the tolerance would take minutes and gigabytes before its outline
    // failed to quantize; a piece wholly inside the grown viewport survives its cut, so it must fail.
    const bool pen_beyond_grid = [&] {
        const PaintMatrix& m = command.matrix;
        const double least = std::fabs(m[0] * m[3] - m[1] * m[2]) / sigma;
        return half_width * (least / sigma) / grid > kMaxPenHalfWidthGridUnits;
    }();
    // Swept ends reach over the offset ones by more than a tilted end chord or the local grid moves them.
    const double margin = tolerance + grid;
    struct SweptRing {
        std::vector<PaintPoint> ring;
        std::uint32_t group;
    };
    std::vector<SweptRing> swept_rings;
    // Caps, corners on curves and stretches bending tighter than the pen are the pen's own sweep; the
    // rest is offset.
    const auto add_exact = [&](const ExactPiece& piece, std::vector<FlatPiece>& into) {
        if (!piece.stretches.empty() && (planes || pen_beyond_grid)) {
            std::vector<PaintPoint> points;
            points.reserve(4 * piece.stretches.size());
            for (const StrokeStretch& stretch : piece.stretches)
                points.insert(points.end(), stretch.points.begin(), stretch.points.end());
            // A piece whose control points all lie beyond one side of the grown viewport is cut away whole
            // before it is swept or flattened.
            if (planes && beyond_one_side(*planes, points)) {
                outline.cut_by_viewport = true;
                return;
            }
            if (pen_beyond_grid && (!planes || std::all_of(points.begin(), points.end(),
                                                           [&](const PaintPoint& p) { return inside(*planes, p); })))
                throw std::range_error("numeric_range_error");
        }
        if (!piece.stretches.empty()) {
            SweptPiece swept = sweep_piece(piece, style, kSweepErrorShare * t, arc_tolerance, margin, budget);
            if (swept.split) {
                outline.groups.push_back(StrokeGroup{piece.subpath_index, false});
                const auto group = static_cast<std::uint32_t>(outline.groups.size());
                for (std::vector<PaintPoint>& ring : swept.rings)
                    swept_rings.push_back(SweptRing{std::move(ring), group});
                for (const ExactPiece& body : swept.bodies) {
                    FlatPiece flat = flatten_exact_piece(body, t, kInfinity, &body_ends, budget);
                    flat.cut_ends = 1;
                    flat.group = group;
                    into.push_back(std::move(flat));
                }
                return;
            }
        }
        into.push_back(flatten_exact_piece(piece, t, kInfinity, &ends, budget));
    };
    const std::vector<ExactPiece> exact = exact_pieces(command);
    std::vector<FlatPiece> pieces;
    if (pattern.empty()) {
        for (const ExactPiece& piece : exact)
            add_exact(piece, pieces);
        for (FlatPiece& piece : pieces) {
            charge_lowered_points(budget, piece.points.size());
            charge_lowered_ring(budget);
        }
    } else if (!has_cubic(command)) {
        std::vector<FlatPiece> flat;
        flat.reserve(exact.size());
        for (const ExactPiece& piece : exact)
            flat.push_back(flatten_exact_piece(piece, t, kInfinity, &ends, budget));
        require_dash_room(budget, pattern, check_dash_length(command, pattern), flat.size());
        for (const FlatPiece& piece : flat) {
            for (FlatPiece& dash : dash_piece(piece, pattern, style.dash_offset, budget))
                pieces.push_back(std::move(dash));
        }
    } else {
        // Dashes along curves are cut on the curves by their lengths and flattened afterwards, so that
        // their caps stand on the curve's tangent where the curve's length puts them.
        for (const ExactPiece& piece : dash_exact_pieces(command, exact, pattern, budget))
            add_exact(piece, pieces);
    }
    if (planes) {
        const auto mark_cut = [&](std::uint32_t group) {
            outline.cut_by_viewport = true;
            if (group != 0)
                outline.groups[group - 1].cut_by_viewport = true;
        };
        std::vector<FlatPiece> kept;
        kept.reserve(pieces.size());
        for (FlatPiece& piece : pieces) {
            const std::uint32_t group = piece.group;
            bool dropped = false;
            cut_piece_to_viewport(std::move(piece), *planes, kept, dropped, budget);
            if (dropped)
                mark_cut(group);
        }
        pieces = std::move(kept);
        // A swept ring wholly beyond one side of the grown viewport never shows.
        std::erase_if(swept_rings, [&](const SweptRing& swept) {
            if (!beyond_one_side(*planes, swept.ring))
                return false;
            mark_cut(swept.group);
            return true;
        });
    }

    for (SweptRing& swept : swept_rings)
        add_ring(outline, std::move(swept.ring), outline.groups[swept.group - 1].subpath_index, false, swept.group);
    for (const FlatPiece& piece : pieces) {
        const PaintStrokeStyle& piece_style = piece.cut_ends != 0 ? butt_style : style;
        if (piece.points.size() == 1) {
            std::vector<PaintPoint> cap =
                piece_style.line_cap == LineCap::square
                    ? oriented_square(piece, half_width, budget)
                    : point_cap_polygon(piece.points.front(), piece_style.line_cap, half_width, arc_tolerance, budget);
            if (!cap.empty())
                add_ring(outline, std::move(cap), piece.subpath_index, true, piece.group);
            else if (piece.negligible_segment != 0)
                report_collapse(outline, piece);
            continue;
        }
        outline_piece(piece, piece_style, half_width, arc_tolerance, grid, budget, outline);
    }
    return outline;
}

namespace {

// One lowering of the stroke's outline onto the grid with chords `flattening_share` of the flattening error
// deep; the rings handed to the union are left in `kept`.
PreparedNormalization lower_stroke(const PaintCommand& working, const ReplayParams& params, double flattening_share,
                                   ComplexityBudget& budget, Paths64& kept) {
    std::vector<PrecisionRecord>* records = params.precision_records;
    const std::size_t first_record = records != nullptr ? records->size() : 0;
    PreparedNormalization prepared;
    const double sigma = matrix_spectral_norm(working.matrix);
    const ErrorPair envelope = analyze_command_precision(working, true);
    const double path_scale = sigma * params.scale;
    const DoubleBox* viewport = box_non_empty(params.clip_rect) ? &params.clip_rect : nullptr;
    StrokeOutline outline = stroke_command(working, flattening_share * params.flattening_error / path_scale,
                                           params.grid_quantum / path_scale, budget, viewport);
    for (const std::int32_t index : outline.collapsed_subpaths) {
        prepared.fragments.push_back(FragmentEntry::make(UnprintableReason::stroke_collapse, index));
    }

    const double point_error = (params.grid_quantum / kSqrt2 + params.flattening_error) / params.scale;
    kept.clear();
    kept.reserve(outline.rings.size());
    std::uint64_t kept_points = 0;
    std::vector<double> errors;
    if (records != nullptr) {
        // One record per ring edge at most; reserving once keeps many small rings (dashes, wedges)
        // from regrowing the list ring by ring, and growth stays geometric across strokes.
        std::uint64_t edges = 0;
        for (const StrokeRing& ring : outline.rings)
            edges = checked_size_sum(edges, ring.ring.size());
        reserve_precision_records(*records, edges);
    }
    std::vector<std::uint8_t> group_printed(outline.groups.size(), 0);
    for (const StrokeRing& ring : outline.rings) {
        charge_lowered_points(budget, ring.ring.size());
        errors.assign(ring.ring.size(), point_error);
        record_approximation_errors(ring.ring, working.matrix, envelope, errors, records);
        charge_lowered_points(budget, ring.ring.size());
        Path64 grid = quantize_outline_ring(ring.ring, working.matrix, params);
        if (!ring_area_is_zero(grid)) {
            if (ring.group != 0)
                group_printed[ring.group - 1] = 1;
            charge_lowered_ring(budget);
            kept_points = checked_size_sum(kept_points, grid.size());
            kept.push_back(std::move(grid));
        } else if (ring.reports_collapse) {
            // Holes and miter wedges may vanish on the grid while the stroke around them prints.
            prepared.fragments.push_back(FragmentEntry::make(UnprintableReason::stroke_collapse, ring.subpath_index));
        }
    }
    for (std::size_t g = 0; g < outline.groups.size(); ++g) {
        if (group_printed[g] == 0 && !outline.groups[g].cut_by_viewport)
            prepared.fragments.push_back(
                FragmentEntry::make(UnprintableReason::stroke_collapse, outline.groups[g].subpath_index));
    }
    charge_budget(budget, BudgetCounter::clipper_input_points, kept_points);
    prepared.lowering_error_bound = command_lowering_error_bound(params, first_record);
    const ErrorPair input_error = analyze_command_precision(working, false);
    prepared.input_precision_error_x = input_error.x;
    prepared.input_precision_error_y = input_error.y;
    if (!kept.empty()) {
        prepared.geometry = clipper_boolean(Clipper2Lib::ClipType::Union, Clipper2Lib::FillRule::NonZero, kept);
        drop_false_holes(prepared.geometry, kUnionSpeckShare * params.flattening_error / params.grid_quantum);
        charge_clipper_output(budget, prepared.geometry);
    }
    if (prepared.geometry.empty() && prepared.fragments.empty()) {
        bool has_move = false;
        for (const PathVerb verb : working.path_verbs)
            has_move = has_move || verb == PathVerb::move_to;
        UnprintableReason reason = has_move ? UnprintableReason::stroke_collapse : UnprintableReason::empty_path;
        if (outline.cut_by_viewport && outline.rings.empty())
            reason = UnprintableReason::clipped_out;
        prepared.fragments.push_back(FragmentEntry::make(reason, -1));
    }
    return prepared;
}

}  // namespace

PreparedNormalization prepare_stroke(const PaintCommand& command, const ReplayParams& params) {
    std::optional<PaintCommand> baked;
    if (command.non_scaling_stroke)
        baked = bake_command_transform(command);
    const PaintCommand& working = baked ? *baked : command;

    const double sigma = matrix_spectral_norm(working.matrix);
    if (!is_positive_finite(sigma))
        return PreparedNormalization{};
    if (params.budget == nullptr)
        throw std::logic_error("missing_complexity_budget");
    ComplexityBudget& budget = *params.budget;
    std::vector<PrecisionRecord>* records = params.precision_records;
    const std::size_t first_record = records != nullptr ? records->size() : 0;

    const ComplexityBudget before = budget;
    Paths64 kept;
    PreparedNormalization prepared = lower_stroke(working, params, 1.0, budget, kept);
    // Where two parts of the outline cross at a shallow angle, their chords' error moves the crossing along
    // them by that error over the sine of half the angle: the outline is lowered once more with chords
    // that much finer, so that the crossing stays within the error the command reports. Straight lines
    // with straight ends have no chords to refine.
    const PaintStrokeStyle& style = working.stroke;
    const bool chorded = has_cubic(working) || style.line_cap == LineCap::round || style.line_join == LineJoin::round;
    const double sine = chorded ? narrowest_crossing_sine(kept, prepared.geometry, kCrossingSine,
                                                          params.flattening_error / params.grid_quantum)
                                : 1.0;
    if (sine < kCrossingSine) {
        ComplexityBudget finer_budget = before;
        const std::size_t finer_record = records != nullptr ? records->size() : 0;
        // Finer chords can pass a complexity limit, or be too short for the local grid to classify their
        // joins, where the first outline was built: then it stands.
        try {
            prepared = lower_stroke(working, params, std::max(sine, kMinCrossingShare), finer_budget, kept);
            budget = finer_budget;
            if (records != nullptr)
                records->erase(records->begin() + static_cast<std::ptrdiff_t>(first_record),
                               records->begin() + static_cast<std::ptrdiff_t>(finer_record));
        } catch (const ComplexityLimitError&) {
            if (records != nullptr)
                records->resize(finer_record);
        } catch (const StrokeInputPrecisionError&) {
            if (records != nullptr)
                records->resize(finer_record);
        }
    }
    return prepared;
}

}  // namespace pavrix_svg_core
