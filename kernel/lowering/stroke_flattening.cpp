#include "kernel/lowering/stroke_flattening.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <limits>
#include <stdexcept>
#include <utility>

#include "kernel/lowering/cubic_flattening.h"
#include "kernel/common/kernel_errors.h"
#include "kernel/common/point_arithmetic.h"

namespace pavrix_svg_core {
namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();
constexpr double kSqrt2 = 1.4142135623730951;

const PaintPoint& point_at(const PaintCommand& command, std::size_t index) {
    if (index >= command.path_points.size())
        throw std::out_of_range("invalid vector subscript");
    return command.path_points[index];
}

// A handle this many rounding errors of the coordinates off its end point carries no direction of its own,
// only the rounding of the point it was computed from: taken as on the end point, the tangent follows the
// next control point instead of turning round within a rounding error of the curve.
constexpr double kHandleNoiseEpsilons = 64.0;

bool handle_apart(const PaintPoint& end, const PaintPoint& handle, double magnitude) noexcept {
    const double noise = kHandleNoiseEpsilons * std::numeric_limits<double>::epsilon() * magnitude;
    return std::fabs(handle.x - end.x) > noise || std::fabs(handle.y - end.y) > noise;
}

double coordinate_magnitude(const PaintPoint& p0, const PaintPoint& p1, const PaintPoint& p2,
                            const PaintPoint& p3) noexcept {
    return std::max({std::fabs(p0.x), std::fabs(p0.y), std::fabs(p1.x), std::fabs(p1.y), std::fabs(p2.x),
                     std::fabs(p2.y), std::fabs(p3.x), std::fabs(p3.y)});
}

PaintPoint start_tangent(const PaintPoint& p0, const PaintPoint& p1, const PaintPoint& p2,
                         const PaintPoint& p3) noexcept {
    const double magnitude = coordinate_magnitude(p0, p1, p2, p3);
    return unit_from(p0, handle_apart(p0, p1, magnitude) ? p1 : handle_apart(p0, p2, magnitude) ? p2 : p3);
}

PaintPoint end_tangent(const PaintPoint& p0, const PaintPoint& p1, const PaintPoint& p2,
                       const PaintPoint& p3) noexcept {
    const double magnitude = coordinate_magnitude(p0, p1, p2, p3);
    return unit_from(handle_apart(p3, p2, magnitude) ? p2 : handle_apart(p3, p1, magnitude) ? p1 : p0, p3);
}

// Sine of the angle by which the chord from `from` to `to` leaves `tangent`; 2 when it runs against it.
double chord_tilt(const PaintPoint& from, const PaintPoint& to, const PaintPoint& tangent) noexcept {
    const PaintPoint chord = unit_from(from, to);
    const double along = chord.x * tangent.x + chord.y * tangent.y;
    if (!(along > 0.0))
        return 2.0;
    return std::fabs(chord.x * tangent.y - chord.y * tangent.x);
}

struct CubicTask {
    PaintPoint p0, p1, p2, p3;
    double arc_budget = 0.0;
    int depth = 0;
    bool at_start = false, at_end = false;
};

// A butt or square cap's line across a curve's end: the offset of every chord ends square to that chord,
// so near the end a coarser chord's inner corner stands out beyond the cap (by h sin(turn) less the
// chord's distance back, which grows with the chord where the curve bends tighter than 1.5 h).
struct CapFence {
    bool active = false;
    PaintPoint point;
    PaintPoint outward;   // unit, away from the stroke
    double extent = 0.0;  // how far the cap reaches beyond the end point
    double half_width = 0.0;
    double error = 0.0;
};

// Largest sine of chord tilt allowed at a cubic's start and end (see StrokeEnds), and the half width
// whose offset the leaves' chords must carry within `offset_error`.
struct TiltLimits {
    double start = kInfinity;
    double end = kInfinity;
    double reach = 0.0;
    double offset_error = kInfinity;
    CapFence start_cap, end_cap;
};

// Whether a corner of the chord's offset stands out beyond the cap by more than the error, and further
// than the exact pen at the same vertex does (the pen itself may reach past the cap line where the curve
// hooks back; the chord's excess over it shrinks as the chord is split).
bool pokes_past_cap(const CubicTask& task, const CapFence& fence) noexcept {
    if (!fence.active)
        return false;
    const PaintPoint chord = unit_from(task.p0, task.p3);
    if (chord.x == 0.0 && chord.y == 0.0)
        return false;
    const double h = fence.half_width;
    const double chord_across = h * dot(left_normal(chord), fence.outward);
    const PaintPoint lateral_axis = left_normal(fence.outward);
    const std::array<std::pair<const PaintPoint*, PaintPoint>, 2> vertices{
        std::pair{&task.p0, start_tangent(task.p0, task.p1, task.p2, task.p3)},
        std::pair{&task.p3, end_tangent(task.p0, task.p1, task.p2, task.p3)}};
    for (const auto& [vertex, tangent] : vertices) {
        const PaintPoint offset{vertex->x - fence.point.x, vertex->y - fence.point.y};
        const double along = dot(offset, fence.outward);
        const double pen_across = h * dot(left_normal(tangent), fence.outward);
        for (const double side : {1.0, -1.0}) {
            const PaintPoint corner = add(offset, scaled(left_normal(chord), side * h));
            // Far to the side the cap's line bounds nothing.
            if (std::fabs(dot(corner, lateral_axis)) > 2.0 * h)
                continue;
            const double excess = along + side * chord_across;
            if (excess > std::max(fence.extent, along + side * pen_across) + fence.error)
                return true;
        }
    }
    return false;
}

// Whether the chord's offset stays within `error` of the leaf's offset by `reach`, or is left as it
// is. Its tangents lie within the angle θ of the chord that its control legs span: offset chords meet
// outside the exact offset by reach (1 / cos θ - 1), on the outer side at miter tips and on the inner
// side alike.
// `legs` are the control polygon's three leg lengths, `chord` the chord's.
bool offset_follows(const CubicTask& task, const std::array<double, 3>& legs, double chord, double reach,
                    double error) noexcept {
    if (!(chord > 0.0))
        return false;
    const double cx = task.p3.x - task.p0.x, cy = task.p3.y - task.p0.y;
    const std::array<const PaintPoint*, 4> p{&task.p0, &task.p1, &task.p2, &task.p3};
    double cosine = 1.0;
    for (std::size_t i = 0; i < 3; ++i) {
        if (legs[i] > 0.0)
            cosine =
                std::min(cosine, ((p[i + 1]->x - p[i]->x) * cx + (p[i + 1]->y - p[i]->y) * cy) / (legs[i] * chord));
    }
    if (cosine > 0.0 && !(reach * (1.0 / cosine - 1.0) > error))
        return true;
    // A leaf turning by more than twice its length over the reach (bending tighter than half the
    // reach) folds its inner side deep into the stroke: finer chords there would make every inner
    // offset cross every other.
    const std::size_t first = legs[0] > 0.0 ? 0 : legs[1] > 0.0 ? 1 : 2;
    const std::size_t last = legs[2] > 0.0 ? 2 : legs[1] > 0.0 ? 1 : 0;
    const double turn_cosine = ((p[first + 1]->x - p[first]->x) * (p[last + 1]->x - p[last]->x) +
                                (p[first + 1]->y - p[first]->y) * (p[last + 1]->y - p[last]->y)) /
                               (legs[first] * legs[last]);
    return reach * std::acos(std::clamp(turn_cosine, -1.0, 1.0)) > 2.0 * chord;
}

// The leaves of the cubic, each appended as its end point; a leaf at an end with a tilt limit is split
// until its chord follows the tangent there.
void flatten_cubic_leaves(const PaintPoint& p0, const PaintPoint& p1, const PaintPoint& p2, const PaintPoint& p3,
                          double tolerance, double arc_budget, int depth, const TiltLimits& limits,
                          std::vector<PaintPoint>& points, ComplexityBudget& budget) {
    // Depth-first, first half first: one pending sibling per level plus the task being split.
    std::array<CubicTask, kMaxStrokeCubicDepth + 2> stack;
    std::size_t size = 0;
    stack[size++] = CubicTask{p0, p1, p2, p3, arc_budget, depth, true, true};
    while (size > 0) {
        const CubicTask task = stack[--size];
        const std::array<double, 3> legs{distance(task.p0, task.p1), distance(task.p1, task.p2),
                                         distance(task.p2, task.p3)};
        const double chord = distance(task.p0, task.p3);
        const double excess = std::max(0.0, legs[0] + legs[1] + legs[2] - chord);
        if (!std::isfinite(excess))
            throw StrokeInputPrecisionError("nonfinite_cubic_arc_length");
        const bool flat = point_segment_distance(task.p1, task.p0, task.p3) <= tolerance &&
                          point_segment_distance(task.p2, task.p0, task.p3) <= tolerance && excess <= task.arc_budget;
        // A sub-cubic keeps the curve's tangent at its ends, so its own control points give it.
        const bool tilted =
            (task.at_start && limits.start < kInfinity &&
             chord_tilt(task.p0, task.p3, start_tangent(task.p0, task.p1, task.p2, task.p3)) > limits.start) ||
            (task.at_end && limits.end < kInfinity &&
             chord_tilt(task.p0, task.p3, end_tangent(task.p0, task.p1, task.p2, task.p3)) > limits.end);
        const bool can_split = task.depth < kMaxStrokeCubicDepth && task.arc_budget > 0.0;
        const bool wide = limits.reach > 0.0 && !offset_follows(task, legs, chord, limits.reach, limits.offset_error);
        const bool poking = flat && !tilted && !wide &&
                            (pokes_past_cap(task, limits.start_cap) || pokes_past_cap(task, limits.end_cap));
        if (flat && ((!tilted && !wide && !poking) || !can_split)) {
            charge_lowered_points(budget, 1);
            points.push_back(task.p3);
            continue;
        }
        if (!can_split)
            throw StrokeInputPrecisionError("cubic_flattening_depth");
        // Needing this depth here means roughly the whole tree down to it: refuse before the
        // points are allocated rather than after. (A split for the tilt alone goes down one end only.)
        if (!flat || wide)
            require_budget_room(budget, BudgetCounter::lowered_points, std::uint64_t{1} << (task.depth + 1));
        const PaintPoint p01 = midpoint(task.p0, task.p1);
        const PaintPoint p12 = midpoint(task.p1, task.p2);
        const PaintPoint p23 = midpoint(task.p2, task.p3);
        const PaintPoint p012 = midpoint(p01, p12);
        const PaintPoint p123 = midpoint(p12, p23);
        const PaintPoint mid = midpoint(p012, p123);
        const double half_budget = task.arc_budget * 0.5;
        stack[size++] = CubicTask{mid, p123, p23, task.p3, half_budget, task.depth + 1, false, task.at_end};
        stack[size++] = CubicTask{task.p0, p01, p012, mid, half_budget, task.depth + 1, task.at_start, false};
    }
}

// Lines this much shorter than the path's extent are rounding noise (2^-40: far below any grid the
// analysis chooses, far above the few ulps recorded arcs miss their ends by).
constexpr double kNegligibleLineShare = 9.094947017729282e-13;
// Arc lengths are found to this share of the length, Newton steps for a parameter at most this often.
constexpr double kArcLengthPrecision = 1e-11;
constexpr int kMaxArcLengthIterations = 60;
// Halvings of a parameter interval before the quadrature's estimate is taken as it stands.
constexpr int kMaxQuadratureDepth = 24;

double cubic_speed(const std::array<PaintPoint, 4>& c, double u) noexcept {
    const double s = 1.0 - u;
    const double x = s * s * (c[1].x - c[0].x) + 2.0 * s * u * (c[2].x - c[1].x) + u * u * (c[3].x - c[2].x);
    const double y = s * s * (c[1].y - c[0].y) + 2.0 * s * u * (c[2].y - c[1].y) + u * u * (c[3].y - c[2].y);
    // hypot only where the squares leave the double range: it costs several times the plain root.
    const double plain = std::sqrt(x * x + y * y);
    return 3.0 * (std::isfinite(plain) && plain > 1e-150 ? plain : std::hypot(x, y));
}

// Eight-point Gauss-Legendre rule over [a, b].
double gauss_length(const std::array<PaintPoint, 4>& c, double a, double b) noexcept {
    static constexpr double kNodes[4] = {0.1834346424956498, 0.5255324099163290, 0.7966664774136267,
                                         0.9602898564975363};
    static constexpr double kWeights[4] = {0.3626837833783620, 0.3137066458778873, 0.2223810344533745,
                                           0.1012285362903763};
    const double half = 0.5 * (b - a), middle = 0.5 * (a + b);
    double sum = 0.0;
    for (int i = 0; i < 4; ++i)
        sum += kWeights[i] * (cubic_speed(c, middle - half * kNodes[i]) + cubic_speed(c, middle + half * kNodes[i]));
    return sum * half;
}

// Adaptive: an interval whose halves agree with it to the precision is taken; the stack holds one
// pending half per level.
double cubic_arc_length(const std::array<PaintPoint, 4>& c, double a, double b) noexcept {
    struct Interval {
        double a, b, whole;
        int depth;
    };
    std::array<Interval, kMaxQuadratureDepth + 2> stack;
    std::size_t size = 0;
    stack[size++] = Interval{a, b, gauss_length(c, a, b), 0};
    double total = 0.0;
    while (size > 0) {
        const Interval interval = stack[--size];
        const double middle = 0.5 * (interval.a + interval.b);
        const double left = gauss_length(c, interval.a, middle), right = gauss_length(c, middle, interval.b);
        if (interval.depth >= kMaxQuadratureDepth ||
            !(std::fabs(left + right - interval.whole) > kArcLengthPrecision * (left + right))) {
            total += left + right;
            continue;
        }
        stack[size++] = Interval{middle, interval.b, right, interval.depth + 1};
        stack[size++] = Interval{interval.a, middle, left, interval.depth + 1};
    }
    return total;
}

// How far a chord tilt at this end moves the outline, in half widths per unit of sine.
double cap_weight(LineCap cap) noexcept {
    return cap == LineCap::butt ? 1.0 : cap == LineCap::square ? kSqrt2 : 0.0;
}

// A tilted chord leaves a notch between its corner and the join (bevel edge or miter wedge) as deep as
// it moves the corner.
double corner_weight(const StrokeEnds& ends, const PaintPoint& incoming, const PaintPoint& outgoing) noexcept {
    if (ends.join == LineJoin::round)
        return 0.0;
    const double cross = incoming.x * outgoing.y - incoming.y * outgoing.x;
    const double along = incoming.x * outgoing.x + incoming.y * outgoing.y;
    // A smooth junction is no corner: the chords on both sides follow the curve as inside a stretch.
    return cross == 0.0 && along > 0.0 ? 0.0 : 1.0;
}

CapFence cap_fence(const StrokeEnds& ends, const PaintPoint& point, const PaintPoint& outward) noexcept {
    if (ends.cap == LineCap::round || !(ends.half_width > 0.0) || (outward.x == 0.0 && outward.y == 0.0))
        return CapFence{};
    return CapFence{true,      point, outward, ends.cap == LineCap::square ? ends.half_width : 0.0, ends.half_width,
                    ends.error};
}

double tilt_limit(const StrokeEnds& ends, double weight) noexcept {
    const double reach = ends.half_width * weight;
    return reach > 0.0 ? ends.error / reach : kInfinity;
}

// The part of the cubic before parameter u (de Casteljau).
std::array<PaintPoint, 4> cubic_head(const std::array<PaintPoint, 4>& c, double u) noexcept {
    const PaintPoint p01 = point_along(c[0], c[1], u), p12 = point_along(c[1], c[2], u),
                     p23 = point_along(c[2], c[3], u);
    const PaintPoint p012 = point_along(p01, p12, u), p123 = point_along(p12, p23, u);
    return {c[0], p01, p012, point_along(p012, p123, u)};
}

std::array<PaintPoint, 4> cubic_tail(const std::array<PaintPoint, 4>& c, double u) noexcept {
    const PaintPoint p01 = point_along(c[0], c[1], u), p12 = point_along(c[1], c[2], u),
                     p23 = point_along(c[2], c[3], u);
    const PaintPoint p012 = point_along(p01, p12, u), p123 = point_along(p12, p23, u);
    return {point_along(p012, p123, u), p123, p23, c[3]};
}

}  // namespace

PaintPoint point_along(const PaintPoint& a, const PaintPoint& b, double u) noexcept {
    if (u <= 0.0)
        return a;
    if (u >= 1.0)
        return b;
    return PaintPoint{a.x + u * (b.x - a.x), a.y + u * (b.y - a.y)};
}

PaintPoint cubic_point_at(const std::array<PaintPoint, 4>& c, double u) noexcept {
    const double s = 1.0 - u;
    const double a = s * s * s, b = 3.0 * s * s * u, d = 3.0 * s * u * u, e = u * u * u;
    return PaintPoint{a * c[0].x + b * c[1].x + d * c[2].x + e * c[3].x,
                      a * c[0].y + b * c[1].y + d * c[2].y + e * c[3].y};
}

StrokeStretch sub_stretch(const StrokeStretch& stretch, double u0, double u1) noexcept {
    StrokeStretch part = stretch;
    if (!stretch.cubic) {
        const PaintPoint a = point_along(stretch.points[0], stretch.points[3], u0);
        const PaintPoint b = point_along(stretch.points[0], stretch.points[3], u1);
        part.points = {a, a, b, b};
        return part;
    }
    std::array<PaintPoint, 4> c = stretch.points;
    if (u1 < 1.0) {
        c = cubic_head(c, u1);
        c[3] = cubic_point_at(stretch.points, u1);
    }
    if (u0 > 0.0 && u1 > 0.0)
        c = cubic_tail(c, std::min(u0 / u1, 1.0));
    part.points = c;
    return part;
}

bool stretch_is_point(const StrokeStretch& stretch) noexcept {
    const auto& p = stretch.points;
    return p[0] == p[3] && (!stretch.cubic || (p[1] == p[0] && p[2] == p[0]));
}

double stretch_length(const StrokeStretch& stretch) noexcept {
    return stretch.cubic ? cubic_arc_length(stretch.points, 0.0, 1.0) : distance(stretch.points[0], stretch.points[3]);
}

double stretch_parameter_after(const StrokeStretch& stretch, double from, double length, double remaining) noexcept {
    if (!(length < remaining))
        return 1.0;
    if (!stretch.cubic)
        return std::min(from + (1.0 - from) * length / remaining, 1.0);
    // Newton on the arc length from `from`, each step measuring only the stretch it moves over, and kept
    // inside a bracket that bisection narrows where a Newton step would leave it.
    double low = from, high = 1.0;
    double u = from + (1.0 - from) * length / remaining;
    double measured = cubic_arc_length(stretch.points, from, u);
    for (int iteration = 0; iteration < kMaxArcLengthIterations; ++iteration) {
        const double error = measured - length;
        if (std::fabs(error) <= kArcLengthPrecision * length)
            break;
        if (error > 0.0)
            high = u;
        else
            low = u;
        const double speed = cubic_speed(stretch.points, u);
        double next = speed > 0.0 ? u - error / speed : 0.5 * (low + high);
        if (!(next > low && next < high))
            next = 0.5 * (low + high);
        if (next == u)
            break;
        measured += next > u ? cubic_arc_length(stretch.points, u, next) : -cubic_arc_length(stretch.points, next, u);
        u = next;
    }
    return std::min(u, 1.0);
}

PaintPoint stretch_start_tangent(const StrokeStretch& stretch) noexcept {
    const auto& p = stretch.points;
    return stretch.cubic ? start_tangent(p[0], p[1], p[2], p[3]) : unit_from(p[0], p[3]);
}

PaintPoint stretch_end_tangent(const StrokeStretch& stretch) noexcept {
    const auto& p = stretch.points;
    return stretch.cubic ? end_tangent(p[0], p[1], p[2], p[3]) : unit_from(p[0], p[3]);
}

PaintPoint stretch_tangent_at(const StrokeStretch& stretch, double u) noexcept {
    if (!stretch.cubic || u <= 0.0)
        return stretch_start_tangent(stretch);
    if (u >= 1.0)
        return stretch_end_tangent(stretch);
    const auto& c = stretch.points;
    const double s = 1.0 - u;
    const PaintPoint d01{c[1].x - c[0].x, c[1].y - c[0].y}, d12{c[2].x - c[1].x, c[2].y - c[1].y},
        d23{c[3].x - c[2].x, c[3].y - c[2].y};
    const PaintPoint origin{};
    const PaintPoint speed = unit_from(origin, PaintPoint{s * s * d01.x + 2.0 * s * u * d12.x + u * u * d23.x,
                                                          s * s * d01.y + 2.0 * s * u * d12.y + u * u * d23.y});
    if (speed.x != 0.0 || speed.y != 0.0)
        return speed;
    return unit_from(origin,
                     PaintPoint{s * (d12.x - d01.x) + u * (d23.x - d12.x), s * (d12.y - d01.y) + u * (d23.y - d12.y)});
}

void flatten_cubic(const PaintPoint& p0, const PaintPoint& p1, const PaintPoint& p2, const PaintPoint& p3,
                   double tolerance, double arc_budget, int depth, std::vector<PaintPoint>& points,
                   ComplexityBudget& budget) {
    flatten_cubic_leaves(p0, p1, p2, p3, tolerance, arc_budget, depth, TiltLimits{}, points, budget);
}

std::vector<ExactPiece> exact_pieces(const PaintCommand& command) {
    std::vector<ExactPiece> pieces;
    ExactPiece current;
    bool drawing = false;  // the piece received a line, cubic or close
    bool started = false;  // the piece has its start point
    PaintPoint current_point;
    PaintPoint subpath_start;
    bool has_current_point = false;
    std::int32_t move_count = 0;
    std::size_t next_point = 0;
    auto end_piece = [&] {
        if (drawing && started)
            pieces.push_back(std::move(current));
        current = ExactPiece{};
        drawing = started = false;
    };
    // A drawing verb after a close (no new move_to) starts from the current point again.
    auto reopen = [&] {
        if (!started && has_current_point) {
            current.start = current_point;
            started = true;
        }
    };
    // Lines shorter than the path's rounding (an arc recorded to end a few ulps off its start, closed
    // by a line) have no direction worth a join; they are left out like zero-length ones.
    double extent = 0.0;
    for (const PaintPoint& p : command.path_points) {
        const PaintPoint& first = command.path_points.front();
        extent = std::max({extent, std::fabs(p.x - first.x), std::fabs(p.y - first.y)});
    }
    const double negligible = extent * kNegligibleLineShare;
    PaintPoint kept_end;  // where the last stretch kept really ended
    auto add = [&](const StrokeStretch& stretch) {
        if (stretch_is_point(stretch))
            return;
        if (!stretch.cubic && distance(stretch.points[0], stretch.points[3]) <= negligible) {
            current.negligible_segment = 1;
            if (current.stretches.empty()) {
                current.direction = unit_from(stretch.points[0], stretch.points[3]);
                return;
            }
            // The stretch before ends where the dropped line did, so that the next one (or, for a closing
            // line, the start) follows on without a gap: an edge of no direction would hide the corner
            // there from its join. Never further than a dropped line from its true end: a run of them
            // is a line worth keeping as the gap.
            auto& last = current.stretches.back().points;
            if (distance(kept_end, stretch.points[3]) <= negligible) {
                if (last[2] == last[3])
                    last[2] = stretch.points[3];
                last[3] = stretch.points[3];
            }
            return;
        }
        current.stretches.push_back(stretch);
        kept_end = stretch.points[3];
    };
    for (const PathVerb verb : command.path_verbs) {
        switch (verb) {
        case PathVerb::move_to: {
            const PaintPoint& point = point_at(command, next_point++);
            end_piece();
            current.subpath_index = move_count++;
            current.start = point;
            started = true;
            current_point = point;
            subpath_start = point;
            has_current_point = true;
            break;
        }
        case PathVerb::line_to: {
            const PaintPoint& point = point_at(command, next_point++);
            drawing = true;
            reopen();
            if (!started) {
                current.start = point;
                started = true;
            } else {
                add(StrokeStretch{{current_point, current_point, point, point}, false});
            }
            current_point = point;
            break;
        }
        case PathVerb::cubic_to: {
            const PaintPoint& c1 = point_at(command, next_point);
            const PaintPoint& c2 = point_at(command, next_point + 1);
            const PaintPoint& end = point_at(command, next_point + 2);
            next_point += 3;
            drawing = true;
            reopen();
            if (!started) {
                current.start = current_point;
                started = true;
            }
            add(StrokeStretch{{current_point, c1, c2, end}, true});
            current_point = end;
            break;
        }
        case PathVerb::close:
            current.closed = 1;
            drawing = true;
            if (started) {
                add(StrokeStretch{{current_point, current_point, current.start, current.start}, false});
            }
            end_piece();
            // Kept as recorded: what follows a close without a new move_to carries subpath index -1
            // in stroke fragments (fills keep the subpath's index).
            if (has_current_point)
                current_point = subpath_start;
            break;
        }
    }
    end_piece();
    return pieces;
}

FlatPiece flatten_exact_piece(const ExactPiece& piece, double tolerance, double arc_budget, const StrokeEnds* ends,
                              ComplexityBudget& budget) {
    FlatPiece flat;
    flat.closed = piece.closed;
    flat.has_segment = 1;
    flat.subpath_index = piece.subpath_index;
    flat.direction = piece.direction;
    flat.negligible_segment = piece.negligible_segment;
    if (!piece.stretches.empty()) {
        flat.start_tangent = stretch_start_tangent(piece.stretches.front());
        flat.end_tangent = stretch_end_tangent(piece.stretches.back());
    }
    std::vector<PaintPoint>& points = flat.points;
    // Consecutive equal points are dropped as they come, so corner indices stay put.
    auto append = [&](const PaintPoint& point) {
        charge_lowered_points(budget, 1);
        if (points.empty() || !(points.back() == point))
            points.push_back(point);
    };
    append(piece.start);
    const std::vector<StrokeStretch>& stretches = piece.stretches;
    const std::size_t n = stretches.size();
    const bool closed = piece.closed != 0;
    std::vector<PaintPoint> leaves;
    for (std::size_t i = 0; i < n; ++i) {
        const StrokeStretch& stretch = stretches[i];
        const bool has_previous = i > 0 || closed;
        const bool has_next = i + 1 < n || closed;
        const StrokeStretch& previous = stretches[i > 0 ? i - 1 : n - 1];
        const StrokeStretch& next = stretches[i + 1 < n ? i + 1 : 0];
        if (!stretch.cubic) {
            append(stretch.points[3]);
        } else {
            TiltLimits limits;
            if (ends != nullptr) {
                limits.reach = ends->offset_error > 0.0 ? ends->half_width : 0.0;
                limits.offset_error = ends->offset_error;
                limits.start = tilt_limit(*ends, has_previous ? corner_weight(*ends, stretch_end_tangent(previous),
                                                                              stretch_start_tangent(stretch))
                                                              : cap_weight(ends->cap));
                limits.end = tilt_limit(
                    *ends, has_next ? corner_weight(*ends, stretch_end_tangent(stretch), stretch_start_tangent(next))
                                    : cap_weight(ends->cap));
                if (!has_previous)
                    limits.start_cap =
                        cap_fence(*ends, stretch.points[0], scaled(stretch_start_tangent(stretch), -1.0));
                if (!has_next)
                    limits.end_cap = cap_fence(*ends, stretch.points[3], stretch_end_tangent(stretch));
            }
            leaves.clear();
            const auto& c = stretch.points;
            flatten_cubic_leaves(c[0], c[1], c[2], c[3], tolerance, arc_budget, 0, limits, leaves, budget);
            for (const PaintPoint& leaf : leaves)
                append(leaf);
        }
        if (ends != nullptr && ends->join == LineJoin::miter && has_next && (stretch.cubic || next.cubic)) {
            const std::size_t index = i + 1 < n ? points.size() - 1 : 0;
            flat.corners.push_back(ExactCorner{index, stretch_end_tangent(stretch), stretch_start_tangent(next)});
        }
    }
    // A closed piece that returns to its start would otherwise hide the closing corner behind a
    // zero-length edge, and that corner would never get its join.
    if (closed && points.size() >= 2 && points.back() == points.front())
        points.pop_back();
    if (!flat.corners.empty() && flat.corners.back().index >= points.size())
        flat.corners.back().index = 0;
    return flat;
}

double path_length(const PaintCommand& command) {
    double total = 0.0;
    PaintPoint current_point;
    PaintPoint subpath_start;
    bool seen_move = false;
    std::size_t next_point = 0;
    for (const PathVerb verb : command.path_verbs) {
        switch (verb) {
        case PathVerb::move_to:
            current_point = point_at(command, next_point++);
            subpath_start = current_point;
            seen_move = true;
            break;
        case PathVerb::line_to: {
            const PaintPoint& point = point_at(command, next_point++);
            total += distance(current_point, point);
            current_point = point;
            break;
        }
        case PathVerb::cubic_to: {
            const PaintPoint& c1 = point_at(command, next_point);
            const PaintPoint& c2 = point_at(command, next_point + 1);
            const PaintPoint& end = point_at(command, next_point + 2);
            next_point += 3;
            total += distance(current_point, c1) + distance(c1, c2) + distance(c2, end);
            current_point = end;
            break;
        }
        case PathVerb::close:
            if (seen_move) {
                total += distance(current_point, subpath_start);
                current_point = subpath_start;
            }
            break;
        }
        if (!std::isfinite(total))
            throw StrokeInputPrecisionError("nonfinite_path_length");
    }
    return total;
}

std::vector<FlatPiece> flatten_path(const PaintCommand& command, double tolerance, double arc_budget,
                                    ComplexityBudget& budget) {
    std::vector<FlatPiece> flat;
    for (const ExactPiece& piece : exact_pieces(command))
        flat.push_back(flatten_exact_piece(piece, tolerance, arc_budget, nullptr, budget));
    return flat;
}

}  // namespace pavrix_svg_core
