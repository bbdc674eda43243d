#include "kernel/dash_pattern.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>
#include <utility>

#include "kernel/kernel_errors.h"

namespace pavrix_svg_core {
namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();
// Far beyond every budget cap, and small enough that a predicted count converts to uint64 exactly.
constexpr double kMaxPredictedDashPieces = 4611686018427387904.0;  // 2^62
// Dashes along curves are measured on a flattening this much finer than the stroke's, with this share
// of the stroke's tolerance for the length the chords lose against the curves.
constexpr double kDashMeasureShare = 0.1;
constexpr double kDashLengthShare = 0.5;

// The walk's position in the pattern: the entry index and what is left of it.
struct DashPhase {
    const std::vector<double>& pattern;
    std::size_t index = 0;
    double remaining = 0.0;

    bool in_dash() const noexcept { return index % 2 == 0; }
    // To the next positive entry, which starts whole. The pattern sums to more than 0, so one of
    // its entries is positive and n + 1 steps always reach it.
    void advance() noexcept {
        const std::size_t n = pattern.size();
        for (std::size_t step = 0; step <= n; ++step) {
            index = (index + 1) % n;
            if (pattern[index] > 0.0)
                break;
        }
        remaining = pattern[index];
    }
};

DashPhase start_phase(const std::vector<double>& pattern, double dash_offset) {
    double sum = 0.0;
    for (const double entry : pattern)
        sum += entry;
    double phase = std::fmod(dash_offset, sum);
    if (phase < 0.0)
        phase += sum;
    DashPhase walk{pattern, 0, 0.0};
    // Entries shorter than the phase are skipped whole. Rounding can leave the phase a hair above
    // the pattern's sum; two passes are then more than enough.
    const std::size_t limit = 2 * pattern.size() + 1;
    for (std::size_t step = 0; step < limit && phase > 0.0 && pattern[walk.index] < phase; ++step) {
        phase -= pattern[walk.index];
        walk.index = (walk.index + 1) % pattern.size();
    }
    walk.remaining = std::max(0.0, pattern[walk.index] - std::max(phase, 0.0));
    return walk;
}

FlatPiece new_dash(std::int32_t subpath_index) {
    FlatPiece dash;
    dash.has_segment = 1;
    dash.subpath_index = subpath_index;
    return dash;
}

void emit(std::vector<FlatPiece>& pieces, FlatPiece&& dash, ComplexityBudget& budget) {
    charge_lowered_ring(budget);
    pieces.push_back(std::move(dash));
}

// Closed source pieces: a dash that runs across the start is one piece, not two.
void join_across_start(const FlatPiece& source, std::vector<FlatPiece>& pieces) {
    if (source.closed == 0 || pieces.empty())
        return;
    const PaintPoint& start = source.points.front();
    if (pieces.size() == 1) {
        FlatPiece& only = pieces.front();
        if (only.points.size() >= 3 && only.points.back() == only.points.front()) {
            only.points.pop_back();
            if (!only.positions.empty())
                only.positions.pop_back();
            only.closed = 1;
        }
        return;
    }
    FlatPiece& first = pieces.front();
    FlatPiece& last = pieces.back();
    if (first.points.size() < 2 || last.points.size() < 2)
        return;
    if (!(first.points.front() == start) || !(last.points.back() == start))
        return;
    last.points.insert(last.points.end(), first.points.begin() + 1, first.points.end());
    if (!last.positions.empty() && first.positions.size() == first.points.size())
        last.positions.insert(last.positions.end(), first.positions.begin() + 1, first.positions.end());
    last.has_segment = 1;
    first = std::move(last);
    pieces.pop_back();
}

}  // namespace

std::vector<double> normalize_dash_array(const std::vector<double>& dash_array) {
    (void)checked_size_product(dash_array.size(), 2);
    std::vector<double> pattern;
    pattern.reserve(dash_array.size() % 2 == 0 ? dash_array.size() : dash_array.size() * 2);
    for (const double entry : dash_array)
        pattern.push_back(std::fabs(entry));
    if (pattern.size() % 2 == 1) {
        const std::size_t n = pattern.size();
        for (std::size_t i = 0; i < n; ++i)
            pattern.push_back(pattern[i]);
    }
    double sum = 0.0;
    for (const double entry : pattern)
        sum += entry;
    if (!(sum > 0.0))
        pattern.clear();
    return pattern;
}

double dash_piece_count_bound(const std::vector<double>& pattern, double total_length, std::uint64_t piece_count) {
    double sum = 0.0;
    double dashes = 0.0;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        sum += pattern[i];
        if (i % 2 == 0)
            dashes += 1.0;
    }
    if (pattern.empty() || !(sum > 0.0) || !std::isfinite(sum))
        return kInfinity;
    // Each source piece starts at an arbitrary phase, so it may touch two partial periods besides
    // its whole ones, plus the one-point dash a phase that ends exactly on a dash boundary yields.
    const double pieces = static_cast<double>(piece_count);
    const double bound = (std::ceil(total_length / sum) + 3.0 * pieces) * dashes + pieces;
    return std::isfinite(bound) ? bound : kInfinity;
}

std::vector<FlatPiece> dash_piece(const FlatPiece& piece, const std::vector<double>& pattern, double dash_offset,
                                  ComplexityBudget& budget) {
    std::vector<FlatPiece> pieces;
    if (pattern.empty()) {
        charge_lowered_points(budget, piece.points.size());
        charge_lowered_ring(budget);
        pieces.push_back(piece);
        return pieces;
    }
    if (piece.points.empty())
        return pieces;
    DashPhase phase = start_phase(pattern, dash_offset);
    if (piece.points.size() == 1) {
        if (!phase.in_dash() && phase.remaining != 0.0)
            return pieces;
        charge_lowered_points(budget, 1);
        charge_lowered_ring(budget);
        pieces.push_back(piece);
        return pieces;
    }
    if (phase.remaining == 0.0) {
        // A dash that ends exactly at the start still paints its caps.
        if (phase.in_dash()) {
            FlatPiece dot = new_dash(piece.subpath_index);
            charge_lowered_points(budget, 1);
            dot.points.push_back(piece.points.front());
            if (!piece.positions.empty())
                dot.positions.push_back(piece.positions.front());
            emit(pieces, std::move(dot), budget);
        }
        phase.advance();
    }

    FlatPiece dash = new_dash(piece.subpath_index);
    const std::size_t point_count = piece.points.size();
    const std::size_t segment_count = piece.closed != 0 ? point_count : point_count - 1;
    // Where a point `along` the chord s lies on the curves the piece was flattened from (see
    // rebuild_exact_piece), when the piece carries positions.
    const bool tracked = piece.positions.size() == point_count;
    auto position_at = [&](std::size_t s, double along, double length) {
        const CurvePosition& a = piece.positions[s];
        const CurvePosition& b = piece.positions[(s + 1) % point_count];
        if (!(along < length))
            return b;
        const double u0 = a.stretch == b.stretch && a.u <= b.u ? a.u : 0.0;
        return CurvePosition{b.stretch, u0 + (b.u - u0) * (along / length)};
    };
    for (std::size_t s = 0; s < segment_count; ++s) {
        const PaintPoint& from = piece.points[s];
        const PaintPoint& to = piece.points[(s + 1) % point_count];
        const double length = std::hypot(to.x - from.x, to.y - from.y);
        if (!(length > 0.0))
            continue;
        const double ux = (to.x - from.x) / length;
        const double uy = (to.y - from.y) / length;
        PaintPoint current = from;
        double left = length;
        while (left > 0.0) {
            if (phase.remaining <= 0.0)
                phase.advance();
            const double step = std::min(phase.remaining, left);
            if (!(step > 0.0))
                throw StrokeInputPrecisionError("dash_nonpositive_step");
            PaintPoint next{current.x + step * ux, current.y + step * uy};
            double next_left = left - step;
            if (step == left || next == to) {
                next = to;
                next_left = 0.0;
            }
            const double next_remaining = phase.remaining - step;
            // Either the segment or the pattern must move on; a step lost in rounding on one side is
            // fine while the other advances (a 1e-20 segment inside a 200-unit dash).
            const bool segment_advanced = next_left < left;
            const bool pattern_advanced = next_remaining < phase.remaining;
            if (!segment_advanced && !pattern_advanced) {
                throw StrokeInputPrecisionError(next == current ? "dash_coordinate_progress" : "dash_segment_progress");
            }
            if (phase.in_dash()) {
                if (dash.points.empty()) {
                    charge_lowered_points(budget, 1);
                    dash.points.push_back(current);
                    if (tracked)
                        dash.positions.push_back(position_at(s, length - left, length));
                }
                charge_lowered_points(budget, 1);
                dash.points.push_back(next);
                if (tracked)
                    dash.positions.push_back(position_at(s, length - next_left, length));
            }
            if (next_remaining <= 0.0) {
                if (phase.in_dash() && dash.points.size() >= 2) {
                    emit(pieces, std::move(dash), budget);
                    dash = new_dash(piece.subpath_index);
                }
                phase.advance();
            } else {
                phase.remaining = next_remaining;
            }
            current = next;
            left = next_left;
        }
    }
    if (dash.points.size() >= 2)
        emit(pieces, std::move(dash), budget);
    join_across_start(piece, pieces);
    return pieces;
}

double check_dash_length(const PaintCommand& command, const std::vector<double>& pattern) {
    double shortest = kInfinity;
    for (const double entry : pattern) {
        if (entry > 0.0)
            shortest = std::min(shortest, entry);
    }
    const double total_length = path_length(command);
    if (std::isfinite(shortest)) {
        const double pieces = std::ceil(total_length / shortest) + static_cast<double>(command.path_verbs.size()) + 2.0;
        if (!std::isfinite(pieces))
            throw ComplexityLimitError("counter_overflow");
    }
    return total_length;
}

void require_dash_room(ComplexityBudget& budget, const std::vector<double>& pattern, double total_length,
                       std::uint64_t piece_count) {
    // Hostile patterns (dashes far below the grid) end here, before a single piece is made.
    const double bound = dash_piece_count_bound(pattern, total_length, piece_count);
    if (!(bound < kMaxPredictedDashPieces))
        throw ComplexityLimitError("counter_overflow");
    const auto predicted = static_cast<std::uint64_t>(bound);
    require_budget_room(budget, BudgetCounter::lowered_rings, predicted);
    require_budget_room(budget, BudgetCounter::lowered_points, checked_size_product(predicted, 2));
}

bool has_cubic(const PaintCommand& command) noexcept {
    return std::find(command.path_verbs.begin(), command.path_verbs.end(), PathVerb::cubic_to) !=
           command.path_verbs.end();
}

std::vector<ExactPiece> dash_exact_pieces(const PaintCommand& command, const std::vector<ExactPiece>& exact,
                                          const std::vector<double>& pattern, double tolerance,
                                          ComplexityBudget& budget) {
    const double total_length = check_dash_length(command, pattern);
    std::uint64_t cubic_count = 0;
    for (const PathVerb verb : command.path_verbs)
        cubic_count += verb == PathVerb::cubic_to ? 1 : 0;
    // Each cubic may lose its share of the length to its chords, so a dash end moves along the path by
    // at most kDashLengthShare x tolerance in all.
    const double arc_budget =
        cubic_count > 0 ? kDashLengthShare * tolerance / static_cast<double>(cubic_count) : kInfinity;
    std::vector<FlatPiece> measured;
    measured.reserve(exact.size());
    for (const ExactPiece& piece : exact)
        measured.push_back(flatten_exact_piece(piece, kDashMeasureShare * tolerance, arc_budget, nullptr, true, budget));
    require_dash_room(budget, pattern, total_length, measured.size());
    std::vector<ExactPiece> dashes;
    for (std::size_t i = 0; i < measured.size(); ++i) {
        for (const FlatPiece& dash : dash_piece(measured[i], pattern, command.stroke.dash_offset, budget))
            dashes.push_back(rebuild_exact_piece(dash, exact[i]));
    }
    return dashes;
}

}  // namespace pavrix_svg_core
