#include "kernel/lowering/cubic_flattening.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

#include "kernel/common/point_arithmetic.h"

namespace pavrix_svg_core {
namespace {

// Trivial on purpose: the stack below is left uninitialized, since most cubics are leaves at
// once and clearing it would cost more than flattening them.
struct CubicPiece {
    PaintPoint p0, p1, p2, p3;
    int depth;
};

// Depth-first, first half before second half, so points come out in path order. At most one
// pending sibling per depth level is on the stack, plus the piece being split.
void flatten_cubic(const PaintPoint& p0, const PaintPoint& p1, const PaintPoint& p2, const PaintPoint& p3,
                   double tolerance, double stretch, int depth, int forced_depth, std::vector<PaintPoint>& points,
                   std::vector<double>& errors, ComplexityBudget& budget) {
    union PieceSlot {
        CubicPiece piece;
        PieceSlot() noexcept {}
    };
    std::array<PieceSlot, kMaxCubicDepth + 2> stack;
    std::size_t size = 0;
    stack[size++].piece = CubicPiece{p0, p1, p2, p3, std::clamp(depth, 0, kMaxCubicDepth)};
    while (size > 0) {
        const CubicPiece piece = stack[--size].piece;
        const double flatness = std::max(point_segment_distance(piece.p1, piece.p0, piece.p3),
                                         point_segment_distance(piece.p2, piece.p0, piece.p3));
        const bool forced = piece.depth < forced_depth;
        if (!forced && (piece.depth >= kMaxCubicDepth || tolerance >= flatness)) {
            charge_lowered_points(budget, 1);
            points.push_back(piece.p3);
            // A flatness that is not a number must not read as "no error".
            const double error = flatness * stretch;
            errors.push_back(std::isnan(error) ? std::numeric_limits<double>::infinity() : error);
            continue;
        }
        // A cubic's curvature varies smoothly, so needing this depth here means roughly the whole
        // tree down to it: refuse before allocating rather than after.
        require_budget_room(budget, BudgetCounter::lowered_points, std::uint64_t{1} << (piece.depth + 1));
        const PaintPoint p01 = midpoint(piece.p0, piece.p1);
        const PaintPoint p12 = midpoint(piece.p1, piece.p2);
        const PaintPoint p23 = midpoint(piece.p2, piece.p3);
        const PaintPoint p012 = midpoint(p01, p12);
        const PaintPoint p123 = midpoint(p12, p23);
        const PaintPoint mid = midpoint(p012, p123);
        stack[size++].piece = CubicPiece{mid, p123, p23, piece.p3, piece.depth + 1};
        stack[size++].piece = CubicPiece{piece.p0, p01, p012, mid, piece.depth + 1};
    }
}

}  // namespace

double point_segment_distance(const PaintPoint& p, const PaintPoint& a, const PaintPoint& b) noexcept {
    if (a == b)
        return std::hypot(p.x - a.x, p.y - a.y);
    const double dx = b.x - a.x;
    const double dy = b.y - a.y;
    const double t = ((p.x - a.x) * dx + (p.y - a.y) * dy) / (dx * dx + dy * dy);
    if (std::isnan(t)) {
        // The squared length under- or overflowed: the nearer end is an upper bound, which keeps
        // flatness tests on the safe side.
        return std::min(std::hypot(p.x - a.x, p.y - a.y), std::hypot(p.x - b.x, p.y - b.y));
    }
    const double clamped = std::clamp(t, 0.0, 1.0);
    return std::hypot(p.x - (a.x + clamped * dx), p.y - (a.y + clamped * dy));
}

void subdivide_cubic(const PaintPoint& p0, const PaintPoint& p1, const PaintPoint& p2, const PaintPoint& p3,
                     double tolerance, double stretch, int depth, std::vector<PaintPoint>& points,
                     std::vector<double>& errors, ComplexityBudget& budget) {
    flatten_cubic(p0, p1, p2, p3, tolerance, stretch, depth, 0, points, errors, budget);
}

void subdivide_cubic_forced(const PaintPoint& p0, const PaintPoint& p1, const PaintPoint& p2, const PaintPoint& p3,
                            double tolerance, double stretch, int depth, std::vector<PaintPoint>& points,
                            std::vector<double>& errors, ComplexityBudget& budget) {
    flatten_cubic(p0, p1, p2, p3, tolerance, stretch, depth, kForcedCubicDepth, points, errors, budget);
}

}  // namespace pavrix_svg_core
