#include "kernel/lowering/dash_pattern.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>
#include <optional>
#include <utility>

#include "kernel/common/kernel_errors.h"
#include "kernel/lowering/stroke_flattening.h"

namespace pavrix_svg_core {
namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();
// Far beyond every budget cap, and small enough that a predicted count converts to uint64 exactly.
constexpr double kMaxPredictedDashPieces = 4611686018427387904.0;  // 2^62

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

// Unit direction of the piece's first segment of positive length; (0, 0) when it has none.
PaintPoint first_direction(const FlatPiece& piece) noexcept {
    const PaintPoint& start = piece.points.front();
    const std::size_t n = piece.points.size();
    for (std::size_t i = 1; i <= n; ++i) {
        if (i == n && piece.closed == 0)
            break;
        const PaintPoint& p = piece.points[i % n];
        const double length = std::hypot(p.x - start.x, p.y - start.y);
        if (length > 0.0 && std::isfinite(length))
            return PaintPoint{(p.x - start.x) / length, (p.y - start.y) / length};
    }
    return PaintPoint{};
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
        // A dash that ends exactly at the start still paints its caps, along the way the path sets off.
        if (phase.in_dash()) {
            FlatPiece dot = new_dash(piece.subpath_index);
            charge_lowered_points(budget, 1);
            dot.points.push_back(piece.points.front());
            dot.direction = first_direction(piece);
            emit(pieces, std::move(dot), budget);
        }
        phase.advance();
    }

    FlatPiece dash = new_dash(piece.subpath_index);
    const std::size_t point_count = piece.points.size();
    const std::size_t segment_count = piece.closed != 0 ? point_count : point_count - 1;
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
                    dash.direction = PaintPoint{ux, uy};  // for a dash too short to leave its point
                }
                charge_lowered_points(budget, 1);
                dash.points.push_back(next);
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

namespace {

// One closed or open piece's dashes along its exact stretches, as dash_piece cuts a polyline but by the
// curves' own lengths.
class ExactDashWalk {
public:
    ExactDashWalk(const ExactPiece& piece, const std::vector<double>& pattern, double dash_offset,
                  ComplexityBudget& budget)
        : piece_(piece), phase_(start_phase(pattern, dash_offset)), budget_(budget) {
        open_.subpath_index = piece.subpath_index;
    }

    std::vector<ExactPiece> run() {
        if (piece_.stretches.empty()) {
            if (phase_.in_dash() || phase_.remaining == 0.0)
                emit_point();
            return std::move(dashes_);
        }
        if (phase_.remaining == 0.0) {
            // A dash that ends exactly at the start still paints its caps.
            if (phase_.in_dash())
                emit_point();
            phase_.advance();
        }
        first_from_start_ = phase_.in_dash();
        for (const StrokeStretch& stretch : piece_.stretches)
            walk(stretch);
        const bool last_to_end = !open_.stretches.empty();
        if (last_to_end)
            emit();
        else if (dot_)
            emit_dot(std::move(*dot_));
        join_across_start(last_to_end);
        return std::move(dashes_);
    }

private:
    void walk(const StrokeStretch& stretch) {
        const double length = stretch_length(stretch);
        if (!std::isfinite(length))
            throw StrokeInputPrecisionError("nonfinite_path_length");
        double u = 0.0;
        double left = length;
        while (left > 0.0) {
            if (phase_.remaining <= 0.0)
                phase_.advance();
            const double step = std::min(phase_.remaining, left);
            if (!(step > 0.0))
                throw StrokeInputPrecisionError("dash_nonpositive_step");
            const double next_u = step == left ? 1.0 : stretch_parameter_after(stretch, u, step, left);
            const double next_left = next_u >= 1.0 ? 0.0 : left - step;
            const double next_remaining = phase_.remaining - step;
            if (!(next_left < left) && !(next_remaining < phase_.remaining))
                throw StrokeInputPrecisionError("dash_segment_progress");
            if (phase_.in_dash()) {
                const StrokeStretch part = sub_stretch(stretch, u, std::max(next_u, u));
                if (!stretch_is_point(part)) {
                    charge_lowered_points(budget_, 1);
                    open_.stretches.push_back(part);
                } else if (open_.stretches.empty() && !dot_) {
                    // A dash too short to leave its point still paints its caps, along the path there.
                    dot_ = ExactPiece{};
                    dot_->start = part.points[0];
                    dot_->direction = stretch_tangent_at(stretch, u);
                }
            }
            if (next_remaining <= 0.0) {
                if (phase_.in_dash() && !open_.stretches.empty())
                    emit();
                else if (phase_.in_dash() && dot_)
                    emit_dot(std::move(*dot_));
                dot_.reset();
                phase_.advance();
            } else {
                phase_.remaining = next_remaining;
            }
            u = next_u;
            left = next_left;
        }
    }

    void emit() {
        open_.start = open_.stretches.front().points[0];
        charge_lowered_ring(budget_);
        dashes_.push_back(std::move(open_));
        open_ = ExactPiece{};
        open_.subpath_index = piece_.subpath_index;
    }

    // A dash that ends exactly at the start: its caps go along the way the path sets off (a
    // zero-length subpath has no way and keeps its axis-aligned square).
    void emit_point() {
        ExactPiece dot;
        dot.start = piece_.start;
        if (!piece_.stretches.empty())
            dot.direction = stretch_start_tangent(piece_.stretches.front());
        emit_dot(std::move(dot));
    }

    void emit_dot(ExactPiece&& dot) {
        dot.subpath_index = piece_.subpath_index;
        charge_lowered_points(budget_, 1);
        charge_lowered_ring(budget_);
        dashes_.push_back(std::move(dot));
    }

    // Closed pieces: a dash that runs across the start is one piece, not two; one dash all round is
    // the closed piece again.
    void join_across_start(bool last_to_end) {
        if (piece_.closed == 0 || !last_to_end || !first_from_start_ || dashes_.empty())
            return;
        if (dashes_.size() == 1) {
            dashes_.front().closed = 1;
            return;
        }
        ExactPiece& first = dashes_.front();
        ExactPiece& last = dashes_.back();
        if (first.stretches.empty())
            return;
        last.stretches.insert(last.stretches.end(), first.stretches.begin(), first.stretches.end());
        first = std::move(last);
        dashes_.pop_back();
    }

    const ExactPiece& piece_;
    DashPhase phase_;
    ComplexityBudget& budget_;
    ExactPiece open_;
    std::optional<ExactPiece> dot_;  // where the current dash began while it has not left its point
    std::vector<ExactPiece> dashes_;
    bool first_from_start_ = false;
};

}  // namespace

std::vector<ExactPiece> dash_exact_pieces(const PaintCommand& command, const std::vector<ExactPiece>& exact,
                                          const std::vector<double>& pattern, ComplexityBudget& budget) {
    require_dash_room(budget, pattern, check_dash_length(command, pattern), exact.size());
    std::vector<ExactPiece> dashes;
    for (const ExactPiece& piece : exact) {
        for (ExactPiece& dash : ExactDashWalk(piece, pattern, command.stroke.dash_offset, budget).run())
            dashes.push_back(std::move(dash));
    }
    return dashes;
}

}  // namespace pavrix_svg_core
