#include "kernel/stroke_flattening.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <stdexcept>
#include <utility>

#include "kernel/cubic_flattening.h"
#include "kernel/kernel_errors.h"

namespace pavrix_svg_core {
namespace {

const PaintPoint& point_at(const PaintCommand& command, std::size_t index) {
    if (index >= command.path_points.size())
        throw std::out_of_range("invalid vector subscript");
    return command.path_points[index];
}

void append_point(std::vector<PaintPoint>& points, const PaintPoint& point, ComplexityBudget& budget) {
    charge_lowered_points(budget, 1);
    points.push_back(point);
}

// Keeps the piece when it drew something; resets the current piece either way.
void end_flat_piece(FlatPiece& current, std::vector<FlatPiece>& pieces) {
    std::vector<PaintPoint>& points = current.points;
    std::size_t kept = 0;
    for (std::size_t i = 0; i < points.size(); ++i) {
        if (kept == 0 || !(points[i] == points[kept - 1]))
            points[kept++] = points[i];
    }
    points.resize(kept);
    // A closed piece that returns to its start would otherwise hide the closing corner behind a
    // zero-length edge, and that corner would never get its join.
    if (current.closed != 0 && points.size() >= 2 && points.back() == points.front())
        points.pop_back();
    if (current.has_segment != 0 && !points.empty())
        pieces.push_back(std::move(current));
    current = FlatPiece{};
}

struct CubicTask {
    PaintPoint p0, p1, p2, p3;
    double arc_budget = 0.0;
    int depth = 0;
};

PaintPoint midpoint(const PaintPoint& a, const PaintPoint& b) noexcept {
    return PaintPoint{(a.x + b.x) * 0.5, (a.y + b.y) * 0.5};
}

double distance(const PaintPoint& a, const PaintPoint& b) noexcept {
    return std::hypot(b.x - a.x, b.y - a.y);
}

}  // namespace

void flatten_cubic(const PaintPoint& p0, const PaintPoint& p1, const PaintPoint& p2, const PaintPoint& p3,
                   double tolerance, double arc_budget, int depth, std::vector<PaintPoint>& points,
                   ComplexityBudget& budget) {
    // Depth-first, first half first: one pending sibling per level plus the task being split.
    std::array<CubicTask, kMaxStrokeCubicDepth + 2> stack;
    std::size_t size = 0;
    stack[size++] = CubicTask{p0, p1, p2, p3, arc_budget, depth};
    while (size > 0) {
        const CubicTask task = stack[--size];
        const double excess = std::max(0.0, distance(task.p0, task.p1) + distance(task.p1, task.p2) +
                                                distance(task.p2, task.p3) - distance(task.p0, task.p3));
        if (!std::isfinite(excess))
            throw StrokeInputPrecisionError("nonfinite_cubic_arc_length");
        if (point_segment_distance(task.p1, task.p0, task.p3) <= tolerance &&
            point_segment_distance(task.p2, task.p0, task.p3) <= tolerance && excess <= task.arc_budget) {
            append_point(points, task.p3, budget);
            continue;
        }
        if (task.depth >= kMaxStrokeCubicDepth || !(task.arc_budget > 0.0)) {
            throw StrokeInputPrecisionError("cubic_flattening_depth");
        }
        // Needing this depth here means roughly the whole tree down to it: refuse before the
        // points are allocated rather than after.
        require_budget_room(budget, BudgetCounter::lowered_points, std::uint64_t{1} << (task.depth + 1));
        const PaintPoint p01 = midpoint(task.p0, task.p1);
        const PaintPoint p12 = midpoint(task.p1, task.p2);
        const PaintPoint p23 = midpoint(task.p2, task.p3);
        const PaintPoint p012 = midpoint(p01, p12);
        const PaintPoint p123 = midpoint(p12, p23);
        const PaintPoint mid = midpoint(p012, p123);
        const double half_budget = task.arc_budget * 0.5;
        stack[size++] = CubicTask{mid, p123, p23, task.p3, half_budget, task.depth + 1};
        stack[size++] = CubicTask{task.p0, p01, p012, mid, half_budget, task.depth + 1};
    }
}

std::vector<FlatPiece> flatten_path(const PaintCommand& command, double tolerance, double arc_budget,
                                    ComplexityBudget& budget) {
    std::vector<FlatPiece> pieces;
    FlatPiece current;
    PaintPoint current_point;
    PaintPoint subpath_start;
    bool has_current_point = false;
    std::int32_t move_count = 0;
    std::size_t next_point = 0;
    // A drawing verb after a close (no new move_to) starts from the current point again.
    auto reopen = [&] {
        if (current.points.empty() && has_current_point)
            append_point(current.points, current_point, budget);
    };
    for (const PathVerb verb : command.path_verbs) {
        switch (verb) {
        case PathVerb::move_to: {
            const PaintPoint& point = point_at(command, next_point++);
            end_flat_piece(current, pieces);
            current.subpath_index = move_count++;
            current_point = point;
            subpath_start = point;
            append_point(current.points, point, budget);
            has_current_point = true;
            break;
        }
        case PathVerb::line_to: {
            const PaintPoint& point = point_at(command, next_point++);
            current.has_segment = 1;
            reopen();
            append_point(current.points, point, budget);
            current_point = point;
            break;
        }
        case PathVerb::cubic_to: {
            const PaintPoint& c1 = point_at(command, next_point);
            const PaintPoint& c2 = point_at(command, next_point + 1);
            const PaintPoint& end = point_at(command, next_point + 2);
            next_point += 3;
            current.has_segment = 1;
            reopen();
            flatten_cubic(current_point, c1, c2, end, tolerance, arc_budget, 0, current.points, budget);
            current_point = end;
            break;
        }
        case PathVerb::close:
            current.closed = 1;
            current.has_segment = 1;
            end_flat_piece(current, pieces);
            // Kept as recorded: what follows a close without a new move_to carries subpath index -1
            // in stroke fragments (fills keep the subpath's index).
            if (has_current_point)
                current_point = subpath_start;
            break;
        }
    }
    end_flat_piece(current, pieces);
    return pieces;
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

void simplify_piece(std::vector<PaintPoint>& points, double epsilon, ComplexityBudget& budget) {
    if (points.size() < 3 || !(epsilon > 0.0))
        return;
    std::vector<std::uint8_t> keep(points.size(), 0);
    keep.front() = 1;
    keep.back() = 1;
    std::vector<std::pair<std::size_t, std::size_t>> intervals;
    intervals.emplace_back(0, points.size() - 1);
    while (!intervals.empty()) {
        const auto [first, last] = intervals.back();
        intervals.pop_back();
        if (last <= first + 1)
            continue;
        charge_budget(budget, BudgetCounter::simplification_steps, last - first - 1);
        std::size_t farthest = first;
        double farthest_distance = -1.0;
        for (std::size_t i = first + 1; i < last; ++i) {
            const double d = point_segment_distance(points[i], points[first], points[last]);
            if (d > farthest_distance) {
                farthest_distance = d;
                farthest = i;
            }
        }
        if (farthest_distance > epsilon) {
            keep[farthest] = 1;
            intervals.emplace_back(farthest, last);
            intervals.emplace_back(first, farthest);
        }
    }
    std::size_t kept = 0;
    for (std::size_t i = 0; i < points.size(); ++i) {
        if (keep[i] != 0)
            points[kept++] = points[i];
    }
    points.resize(kept);
    charge_lowered_points(budget, kept);
}

}  // namespace pavrix_svg_core
