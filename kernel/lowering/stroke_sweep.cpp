#include "kernel/lowering/stroke_sweep.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <limits>
#include <utility>

#include "kernel/common/kernel_errors.h"
#include "kernel/common/point_arithmetic.h"
#include "kernel/lowering/cubic_flattening.h"
#include "kernel/lowering/stroke_outline.h"

namespace pavrix_svg_core {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kInfinity = std::numeric_limits<double>::infinity();
// A sweep step turns the pen by at most this (radians), so that one midpoint tells its chords' error.
constexpr double kMaxSweepStepTurn = 0.5;
// A junction turning the pen's ends by less than this share of the sweep error is smooth: the offsetter
// carries it as it carries a curve's own vertices.
constexpr double kSmoothTurnShare = 0.25;
// Curvature samples per cubic, then golden-section steps around the tightest of them.
constexpr int kCurvatureSamples = 64;
constexpr int kCurvatureRefinements = 40;
// Bisections of a sample interval where the radius passes a value: to the double's resolution of [0, 1].
constexpr int kRadiusBisections = 52;
// The inner offsets of a corner cross about h tan(turn / 2) from it on straight sides; bending sides
// move the crossing, so the swept ends reach this much further before the offsetter takes over.
constexpr double kCrossingReachFactor = 1.5;
// Two chords crossing at angle a move their crossing by their error over sin(a / 2); near a corner the
// sweep's chords are tightened by that sine, floored here so that near U-turns stay affordable.
constexpr double kMinCrossingSine = 0.05;
// Corners on curves sharper than this sine are swept: the offsetter's chords (within three quarters of
// the tolerance) would move their inner crossing beyond the tolerance.
constexpr double kBreakingSine = 0.75;
// Pens whose ends move by less than this share of the sweep error stand at one place: merging them moves
// the outline by far less than the error it is allowed.
constexpr double kSamePenShare = 1e-6;
// Share of a step's error its quarter pens may miss their chords by (see quarters_follow).
constexpr double kQuarterErrorShare = 0.75;

// A point where a ring breaks a pen's edge, by its offset along the pen's normal.
struct Mark {
    double offset = 0.0;
    PaintPoint point;
};

// One position of the pen. Rings on both sides of it list the same marks, so that after rounding they
// still share the edge point for point and leave no sliver between them.
struct Pen {
    PaintPoint centre;
    PaintPoint normal;   // unit, turned the least from the previous pen's (a cusp does not flip it)
    PaintPoint heading;  // the path's unit tangent there, never flipped
    std::vector<Mark> marks;
};

struct Link {
    bool join = false;
    PaintPoint incoming, outgoing;  // the join's true tangents
};

class PenSweep {
public:
    PenSweep(const PaintStrokeStyle& style, double arc_error, ComplexityBudget& budget,
             std::vector<std::vector<PaintPoint>>& rings)
        : style_(style), half_width_(style.width * 0.5), arc_error_(arc_error), budget_(budget), rings_(rings) {}

    bool empty() const noexcept { return pens_.empty(); }

    // The pens of `stretch` between parameters u0 < u1, steps bisected until their chords are within `error`.
    void add_stretch(const StrokeStretch& stretch, double u0, double u1, double error) {
        Pen first = pen_at(stretch, u0);
        if (pens_.empty() || pending_join_) {
            if (!pens_.empty())
                links_.push_back(Link{true, join_in_, join_out_});
            pending_join_ = false;
            push_pen(std::move(first));
        }
        struct Pending {
            double u;
            Pen pen;
            int depth;
        };
        // Pens stand where the pen's ends turn back (the offsets' cusps), so that its extremes are exact;
        // the steps between are bisected.
        std::vector<double> stops;
        radius_crossings(stretch, half_width_, stops);
        std::erase_if(stops, [&](double u) { return !(u > u0 && u < u1); });
        stops.push_back(u1);
        std::vector<Pending> stack;
        double current = u0;
        for (auto stop = stops.rbegin(); stop != stops.rend(); ++stop)
            stack.push_back(Pending{*stop, pen_at(stretch, *stop), 0});
        while (!stack.empty()) {
            const Pen& a = pens_.back();
            align(stack.back().pen, a.normal);
            const double middle = 0.5 * (current + stack.back().u);
            Pen mid = pen_at(stretch, middle);
            align(mid, a.normal);
            if (stack.back().depth >= kMaxSweepDepth || !(middle > current && middle < stack.back().u) ||
                (step_follows(a, stack.back().pen, mid, error) &&
                 quarters_follow(stretch, a, stack.back().pen, current, stack.back().u, error))) {
                current = stack.back().u;
                if (same_place(a, stack.back().pen, error)) {
                    // A step that moves neither end of the pen (a stop beside an end whose derivative
                    // vanishes) would stand a second copy of the pen there, without the first one's marks:
                    // the rings on both sides would no longer share that edge point for point.
                    pens_.back().centre = stack.back().pen.centre;
                    pens_.back().normal = stack.back().pen.normal;
                    pens_.back().heading = stack.back().pen.heading;
                } else {
                    links_.push_back(Link{});
                    push_pen(std::move(stack.back().pen));
                }
                stack.pop_back();
            } else {
                const int depth = stack.back().depth + 1;
                stack.push_back(Pending{middle, std::move(mid), depth});
            }
        }
    }

    void add_join(const PaintPoint& incoming, const PaintPoint& outgoing) noexcept {
        pending_join_ = true;
        join_in_ = incoming;
        join_out_ = outgoing;
    }

    // Caps of the run being built (none for a butt cap: the end pen is the cap).
    void set_start_cap(const PaintPoint& tangent) noexcept {
        start_cap_ = scaled(tangent, -1.0);
        has_start_cap_ = style_.line_cap != LineCap::butt;
    }
    void set_end_cap(const PaintPoint& tangent) noexcept {
        end_cap_ = tangent;
        has_end_cap_ = style_.line_cap != LineCap::butt;
    }

    // Emits the rings. A cyclic sweep links its last pen back to its first: by the pending join, or, on
    // a smooth closing, the first pen stands for the last.
    void finish(bool cyclic) {
        if (pens_.empty())
            return;
        if (cyclic && pens_.size() >= 2) {
            if (pending_join_) {
                links_.push_back(Link{true, join_in_, join_out_});
            } else {
                pens_.pop_back();
            }
        }
        const std::size_t n = pens_.size();
        // Marks first (crossings and join centres), then the rings that share them.
        std::vector<std::pair<double, double>> crossings(links_.size(), {kNoCrossing, kNoCrossing});
        for (std::size_t k = 0; k < links_.size(); ++k) {
            Pen& a = pens_[k];
            Pen& b = pens_[(k + 1) % n];
            if (links_[k].join) {
                a.marks.push_back(Mark{0.0, a.centre});
                b.marks.push_back(Mark{0.0, b.centre});
                continue;
            }
            const double f = dot(a.normal, b.normal) < 0.0 ? -1.0 : 1.0;
            const PaintPoint bn = scaled(b.normal, f);
            const double denominator = cross(a.normal, bn);
            if (denominator == 0.0)
                continue;
            const PaintPoint d{b.centre.x - a.centre.x, b.centre.y - a.centre.y};
            const double s = cross(d, bn) / denominator;
            const double t = -cross(a.normal, d) / denominator;
            if (!(std::fabs(s) < half_width_ && std::fabs(t) < half_width_))
                continue;
            const PaintPoint x = add(a.centre, scaled(a.normal, s));
            a.marks.push_back(Mark{s, x});
            b.marks.push_back(Mark{f * t, x});
            crossings[k] = {s, t};
        }
        if (has_start_cap_)
            pens_.front().marks.push_back(Mark{0.0, pens_.front().centre});
        if (has_end_cap_)
            pens_.back().marks.push_back(Mark{0.0, pens_.back().centre});
        for (Pen& pen : pens_) {
            pen.marks.push_back(Mark{-half_width_, add(pen.centre, scaled(pen.normal, -half_width_))});
            pen.marks.push_back(Mark{half_width_, add(pen.centre, scaled(pen.normal, half_width_))});
            std::sort(pen.marks.begin(), pen.marks.end(),
                      [](const Mark& l, const Mark& r) { return l.offset < r.offset; });
        }
        for (std::size_t k = 0; k < links_.size(); ++k) {
            if (links_[k].join)
                emit_join(pens_[k], pens_[(k + 1) % n], links_[k]);
        }
        // Consecutive steps of one kind that cover their area turning the same way make one ring: the
        // pens inside it cancel, and the sum of the steps' windings is then their union under NonZero.
        // (Separate small rings would cross each other's pens all over a fold.)
        std::size_t k = 0;
        while (k < links_.size()) {
            if (links_[k].join) {
                ++k;
                continue;
            }
            const bool crossing = crossings[k].first != kNoCrossing;
            std::vector<double> frames{1.0};  // each pen's normal turned to the run's
            const int sense = step_sense(k, frames.back(), crossings[k]);
            std::size_t last = k;
            frames.push_back(frames.back() * alignment(k));
            while (last + 1 < links_.size() && !links_[last + 1].join &&
                   (crossings[last + 1].first != kNoCrossing) == crossing &&
                   step_sense(last + 1, frames.back(), crossings[last + 1]) == sense) {
                ++last;
                frames.push_back(frames.back() * alignment(last));
            }
            emit_run(k, last, frames, crossings);
            k = last + 1;
        }
        if (has_start_cap_)
            emit_cap(pens_.front(), start_cap_);
        if (has_end_cap_)
            emit_cap(pens_.back(), end_cap_);
        pens_.clear();
        links_.clear();
        has_start_cap_ = has_end_cap_ = pending_join_ = false;
    }

private:
    static constexpr double kNoCrossing = std::numeric_limits<double>::infinity();

    // +1 or -1 when pen k + 1's normal points the same way as pen k's or against it.
    double alignment(std::size_t k) const noexcept {
        return dot(pens_[k].normal, pens_[(k + 1) % pens_.size()].normal) < 0.0 ? -1.0 : 1.0;
    }

    PaintPoint pen_end(std::size_t index, double frame, double side) const noexcept {
        const Pen& pen = pens_[index % pens_.size()];
        return add(pen.centre, scaled(pen.normal, frame * side));
    }

    // Which way step k turns its area, with pen k's normal turned by `frame`: 0 for none.
    int step_sense(std::size_t k, double frame, const std::pair<double, double>& crossing) const noexcept {
        const double h = half_width_;
        const double f = frame * alignment(k);
        std::vector<PaintPoint> piece;
        if (crossing.first == kNoCrossing) {
            piece = {pen_end(k, frame, -h), pen_end(k, frame, h), pen_end(k + 1, f, h), pen_end(k + 1, f, -h)};
        } else {
            // Both triangles turn the way the pen turns about their common corner.
            piece = {pen_end(k, frame, h), pen_end(k + 1, f, h),
                     add(pens_[k].centre, scaled(pens_[k].normal, crossing.first))};
        }
        const double area = signed_area(piece);
        return area > 0.0 ? 1 : area < 0.0 ? -1 : 0;
    }

    // The ring(s) of steps first..last: a strip between the pens' ends, or, where neighbouring pens
    // cross, a fan on each side between the pens' ends and the crossings.
    void emit_run(std::size_t first, std::size_t last, const std::vector<double>& frames,
                  const std::vector<std::pair<double, double>>& crossings) {
        const double h = half_width_;
        const std::size_t n = pens_.size();
        const Pen& head = pens_[first];
        const Pen& tail = pens_[(last + 1) % n];
        const double tail_frame = frames[last + 1 - first];
        std::vector<PaintPoint> ring;
        if (crossings[first].first == kNoCrossing) {
            append_edge(ring, head, 1.0, -h, h);
            for (std::size_t j = first + 1; j <= last; ++j)
                ring.push_back(pen_end(j, frames[j - first], h));
            append_edge(ring, tail, tail_frame, h, -h);
            for (std::size_t j = last; j > first; --j)
                ring.push_back(pen_end(j, frames[j - first], -h));
            emit(std::move(ring));
            return;
        }
        for (const double side : {h, -h}) {
            ring.clear();
            append_edge(ring, head, 1.0, crossings[first].first, side);
            for (std::size_t j = first + 1; j <= last; ++j)
                ring.push_back(pen_end(j, frames[j - first], side));
            // The crossing of step `last` in the tail pen's turned frame.
            append_edge(ring, tail, tail_frame, side, frames[last - first] * crossings[last].second);
            for (std::size_t j = last; j > first; --j) {
                const double offset = crossings[j - 1].first;  // pen j - 1's own frame
                ring.push_back(add(pens_[j - 1].centre, scaled(pens_[j - 1].normal, offset)));
            }
            emit(std::move(ring));
        }
    }

    Pen pen_at(const StrokeStretch& stretch, double u) const {
        Pen pen;
        pen.centre = u <= 0.0        ? stretch.points[0]
                     : u >= 1.0      ? stretch.points[3]
                     : stretch.cubic ? cubic_point_at(stretch.points, u)
                                     : point_along(stretch.points[0], stretch.points[3], u);
        pen.heading = stretch_tangent_at(stretch, u);
        pen.normal = left_normal(pen.heading);
        return pen;
    }

    static void align(Pen& pen, const PaintPoint& reference) noexcept {
        if (dot(pen.normal, reference) < 0.0)
            pen.normal = scaled(pen.normal, -1.0);
    }

    // The step from a to b keeps the centre line and both pen ends within `error` of their chords at the
    // middle pen, and turns the pen by little enough that the middle tells.
    bool step_follows(const Pen& a, const Pen& b, const Pen& mid, double error) const noexcept {
        // The middle pen's turn is bounded too: a pen turning about it and back (an S's inflection) can
        // put its ends on the end pens' chords, swapped. So is the path's: as segments the pens cannot tell
        // a path that turns back within the step (the pen turning half round about the tip) from one that
        // runs straight on, and the middle pen may even lie on the chord.
        if (turns_far(a, b, mid, &Pen::normal) || turns_far(a, b, mid, &Pen::heading))
            return false;
        if (!on_chords(a, b, mid, error))
            return false;
        // Where the pens cross, the sweep's edge there is the envelope of the pens between them, which
        // the middle pen touches between the crossing and the envelope (about halfway where the envelope
        // bends evenly; a quarter of the error leaves room where it does not).
        const double denominator = cross(a.normal, b.normal);
        if (denominator == 0.0)
            return true;
        const PaintPoint d{b.centre.x - a.centre.x, b.centre.y - a.centre.y};
        const double s = cross(d, b.normal) / denominator;
        const double t = -cross(a.normal, d) / denominator;
        if (!(std::fabs(s) < half_width_ && std::fabs(t) < half_width_))
            return true;
        const PaintPoint x = add(a.centre, scaled(a.normal, s));
        return std::fabs(cross(PaintPoint{x.x - mid.centre.x, x.y - mid.centre.y}, mid.normal)) <= 0.25 * error;
    }

    // Whether pen p's centre and ends lie within `error` of the chords between pens a's and b's.
    bool on_chords(const Pen& a, const Pen& b, const Pen& p, double error) const noexcept {
        for (const double side : {0.0, -half_width_, half_width_}) {
            if (point_segment_distance(add(p.centre, scaled(p.normal, side)), add(a.centre, scaled(a.normal, side)),
                                       add(b.centre, scaled(b.normal, side))) > error)
                return false;
        }
        return true;
    }

    // Across an inflection the step's deviation from its chords changes sign and may vanish at the middle.
    // A cubic's deviation is s (1 - s) times a linear term: within 3/4 of the error at the quarters (and
    // the error at the middle) it stays within the error everywhere.
    bool quarters_follow(const StrokeStretch& stretch, const Pen& a, const Pen& b, double u0, double u1,
                         double error) const {
        for (const double share : {0.25, 0.75}) {
            Pen quarter = pen_at(stretch, u0 + share * (u1 - u0));
            align(quarter, a.normal);
            if (!on_chords(a, b, quarter, kQuarterErrorShare * error))
                return false;
        }
        return true;
    }

    // Whether the direction `member` turns by more than a step may between any two of the three pens.
    static bool turns_far(const Pen& a, const Pen& b, const Pen& mid, PaintPoint Pen::* member) noexcept {
        const double least = std::cos(kMaxSweepStepTurn);
        return dot(a.*member, b.*member) < least || dot(a.*member, mid.*member) < least ||
               dot(mid.*member, b.*member) < least;
    }

    // Whether both ends of pen b lie within a negligible share of `error` of pen a's.
    bool same_place(const Pen& a, const Pen& b, double error) const noexcept {
        const double limit = kSamePenShare * error;
        for (const double side : {-half_width_, half_width_}) {
            if (!(distance(add(a.centre, scaled(a.normal, side)), add(b.centre, scaled(b.normal, side))) <= limit))
                return false;
        }
        return true;
    }

    void push_pen(Pen&& pen) {
        charge_lowered_points(budget_, 2);
        pens_.push_back(std::move(pen));
    }

    // The pen's points from offset `from` to `to` (offsets along the normal turned by `f`), ends included.
    static void append_edge(std::vector<PaintPoint>& ring, const Pen& pen, double f, double from, double to) {
        const double low = std::min(from, to), high = std::max(from, to);
        const bool rising = (to > from) == (f > 0.0);
        const std::size_t count = pen.marks.size();
        for (std::size_t i = 0; i < count; ++i) {
            const Mark& mark = pen.marks[rising ? i : count - 1 - i];
            const double offset = f * mark.offset;
            if (offset < low || offset > high)
                continue;
            if (ring.empty() || !(ring.back() == mark.point))
                ring.push_back(mark.point);
        }
    }

    void emit(std::vector<PaintPoint>&& ring) {
        while (ring.size() >= 2 && ring.back() == ring.front())
            ring.pop_back();
        if (ring.size() < 3)
            return;
        const double area = signed_area(ring);
        if (area == 0.0 || !std::isfinite(area))
            return;
        if (area < 0.0)
            std::reverse(ring.begin(), ring.end());
        charge_lowered_points(budget_, ring.size());
        charge_lowered_ring(budget_);
        rings_.push_back(std::move(ring));
    }

    // Points of the arc of radius h around `centre` from direction `from` turning by `angle` (signed),
    // ends excluded, no further than the arc error from the circle.
    void append_arc(std::vector<PaintPoint>& ring, const PaintPoint& centre, const PaintPoint& from,
                    double angle) const {
        const double h = half_width_;
        const double step = 2.0 * std::acos(std::clamp(1.0 - arc_error_ / h, -1.0, 1.0));
        const double count = step > 0.0 ? std::ceil(std::fabs(angle) / step) : kInfinity;
        if (!(count <= kMaxRoundSteps))
            throw ComplexityLimitError("stroke_round_steps");
        const auto steps = static_cast<std::size_t>(std::max(count, 1.0));
        require_budget_room(budget_, BudgetCounter::lowered_points, steps);
        for (std::size_t i = 1; i < steps; ++i) {
            const double a = angle * static_cast<double>(i) / static_cast<double>(steps);
            const double c = std::cos(a), s = std::sin(a);
            ring.push_back(add(centre, PaintPoint{h * (c * from.x - s * from.y), h * (s * from.x + c * from.y)}));
        }
    }

    void emit_join(const Pen& a, const Pen& b, const Link& link) {
        const double h = half_width_;
        const double turn_cross = cross(link.incoming, link.outgoing);
        const double turn_cosine = std::clamp(dot(link.incoming, link.outgoing), -1.0, 1.0);
        std::vector<PaintPoint> ring;
        if (turn_cross == 0.0) {
            // Straight on needs nothing; a U-turn is flat, or a half disc for a round join.
            if (turn_cosine < 0.0 && style_.line_join == LineJoin::round) {
                append_edge(ring, a, 1.0, -h, h);
                const PaintPoint from = scaled(a.normal, 1.0);
                const double sense = cross(from, link.incoming) > 0.0 ? 1.0 : -1.0;
                append_arc(ring, a.centre, from, sense * kPi);
                emit(std::move(ring));
            }
            return;
        }
        // The outer side of a left turn is the right of travel.
        const double side = turn_cross > 0.0 ? -1.0 : 1.0;
        const PaintPoint outer_in = scaled(left_normal(link.incoming), side);
        const PaintPoint outer_out = scaled(left_normal(link.outgoing), side);
        const double s_a = dot(outer_in, a.normal) < 0.0 ? -h : h;
        const double s_b = dot(outer_out, b.normal) < 0.0 ? -h : h;
        append_edge(ring, a, 1.0, 0.0, s_a);
        if (style_.line_join == LineJoin::round) {
            append_arc(ring, a.centre, outer_in, std::atan2(cross(outer_in, outer_out), dot(outer_in, outer_out)));
        } else if (style_.line_join == LineJoin::miter && turn_cosine > wedge_miter_cosine(style_.miter_limit) &&
                   1.0 + turn_cosine > 0.0) {
            ring.push_back(add(a.centre, scaled(add(outer_in, outer_out), h / (1.0 + turn_cosine))));
        }
        append_edge(ring, b, 1.0, s_b, 0.0);
        emit(std::move(ring));
    }

    void emit_cap(const Pen& pen, const PaintPoint& outward) {
        const double h = half_width_;
        std::vector<PaintPoint> ring;
        append_edge(ring, pen, 1.0, -h, h);
        if (style_.line_cap == LineCap::square) {
            ring.push_back(add(ring.back(), scaled(outward, h)));
            ring.push_back(add(add(pen.centre, scaled(pen.normal, -h)), scaled(outward, h)));
        } else {
            const double sense = cross(pen.normal, outward) > 0.0 ? 1.0 : -1.0;
            append_arc(ring, pen.centre, pen.normal, sense * kPi);
        }
        emit(std::move(ring));
    }

    const PaintStrokeStyle& style_;
    double half_width_;
    double arc_error_;
    ComplexityBudget& budget_;
    std::vector<std::vector<PaintPoint>>& rings_;
    std::vector<Pen> pens_;
    std::vector<Link> links_;  // links_[k] joins pens_[k] to pens_[k + 1] (to pens_[0] for the last of a cycle)
    bool pending_join_ = false;
    PaintPoint join_in_, join_out_;
    PaintPoint start_cap_, end_cap_;
    bool has_start_cap_ = false, has_end_cap_ = false;
};

// What a junction between two stretches asks of the sweep.
struct Junction {
    bool corner = false;  // the tangent turns by more than a smooth junction's share
    bool broken = false;  // both sides are swept up to it
    double reach = 0.0;   // how far its inner offsets cross from it (path units)
    double sine = 1.0;    // sine of half the angle at which they cross
    PaintPoint incoming, outgoing;
};

struct StretchPlan {
    double length = 0.0;
    bool full = false;                                                        // swept from end to end
    double start_own = 0.0, start_body = 0.0, end_own = 0.0, end_body = 0.0;  // arc lengths from the ends
    double start_error = 0.0, end_error = 0.0;
};

double parameter_at_length(const StrokeStretch& stretch, double length, double total) noexcept {
    if (!(length > 0.0))
        return 0.0;
    if (!(length < total))
        return 1.0;
    return stretch_parameter_after(stretch, 0.0, length, total);
}

}  // namespace

namespace {

// A cubic's radius of curvature |v|^3 / |v x a| at u; 0 where the derivative vanishes.
double cubic_radius_at(const std::array<PaintPoint, 4>& c, double u) noexcept {
    const PaintPoint d01{c[1].x - c[0].x, c[1].y - c[0].y}, d12{c[2].x - c[1].x, c[2].y - c[1].y},
        d23{c[3].x - c[2].x, c[3].y - c[2].y};
    const double s = 1.0 - u;
    const PaintPoint v{3.0 * (s * s * d01.x + 2.0 * s * u * d12.x + u * u * d23.x),
                       3.0 * (s * s * d01.y + 2.0 * s * u * d12.y + u * u * d23.y)};
    const PaintPoint a{6.0 * (s * (d12.x - d01.x) + u * (d23.x - d12.x)),
                       6.0 * (s * (d12.y - d01.y) + u * (d23.y - d12.y))};
    const double speed = std::hypot(v.x, v.y);
    if (!(speed > 0.0))
        return 0.0;
    const double bend = std::fabs(cross(v, a));
    return bend > 0.0 ? speed * speed * speed / bend : kInfinity;
}

// A lower bound of a cubic's radius of curvature: |v|^2 / |a| bounds |v|^3 / |v x a| from below, |v| is
// at least the least of its control vectors along the chord when all of them point along it, and |a| at
// most the larger of its ends. 0 when no such bound is found.
double cubic_radius_bound(const std::array<PaintPoint, 4>& c) noexcept {
    const PaintPoint chord{c[3].x - c[0].x, c[3].y - c[0].y};
    const double length = std::hypot(chord.x, chord.y);
    if (!(length > 0.0))
        return 0.0;
    const PaintPoint d01{c[1].x - c[0].x, c[1].y - c[0].y}, d12{c[2].x - c[1].x, c[2].y - c[1].y},
        d23{c[3].x - c[2].x, c[3].y - c[2].y};
    const double along = 3.0 * std::min({dot(d01, chord), dot(d12, chord), dot(d23, chord)}) / length;
    if (!(along > 0.0))
        return 0.0;
    const double bend =
        6.0 * std::max(std::hypot(d12.x - d01.x, d12.y - d01.y), std::hypot(d23.x - d12.x, d23.y - d12.y));
    return bend > 0.0 ? along * along / bend : kInfinity;
}

}  // namespace

void radius_crossings(const StrokeStretch& stretch, double radius, std::vector<double>& parameters) {
    if (!stretch.cubic || cubic_radius_bound(stretch.points) >= radius)
        return;
    const auto below = [&](double u) { return cubic_radius_at(stretch.points, u) < radius; };
    bool previous = below(0.0);
    for (int k = 1; k <= kCurvatureSamples; ++k) {
        double high = static_cast<double>(k) / kCurvatureSamples;
        const bool current = below(high);
        if (current != previous) {
            double low = static_cast<double>(k - 1) / kCurvatureSamples;
            for (int i = 0; i < kRadiusBisections; ++i) {
                const double middle = 0.5 * (low + high);
                (below(middle) == previous ? low : high) = middle;
            }
            parameters.push_back(0.5 * (low + high));
        }
        previous = current;
    }
}

bool stretch_bends_tighter(const StrokeStretch& stretch, double radius) noexcept {
    if (!stretch.cubic || cubic_radius_bound(stretch.points) >= radius)
        return false;
    const auto radius_at = [&](double u) { return cubic_radius_at(stretch.points, u); };
    int best = 0;
    double best_radius = std::numeric_limits<double>::infinity();
    for (int k = 0; k <= kCurvatureSamples; ++k) {
        const double r = radius_at(static_cast<double>(k) / kCurvatureSamples);
        if (r < radius)
            return true;
        if (r < best_radius) {
            best_radius = r;
            best = k;
        }
    }
    // The tightest sample's neighbourhood holds the tightest bend unless another dip hides between samples.
    double low = std::max(best - 1, 0) / static_cast<double>(kCurvatureSamples);
    double high = std::min(best + 1, kCurvatureSamples) / static_cast<double>(kCurvatureSamples);
    const double golden = 0.6180339887498949;
    for (int i = 0; i < kCurvatureRefinements; ++i) {
        const double m1 = high - golden * (high - low), m2 = low + golden * (high - low);
        const double r1 = radius_at(m1), r2 = radius_at(m2);
        if (std::min(r1, r2) < radius)
            return true;
        if (r1 < r2)
            high = m2;
        else
            low = m1;
    }
    return false;
}

SweptPiece sweep_piece(const ExactPiece& piece, const PaintStrokeStyle& style, double error, double arc_error,
                       double margin, ComplexityBudget& budget) {
    SweptPiece result;
    const std::vector<StrokeStretch>& stretches = piece.stretches;
    // Only curves bend tighter than the pen or meet a corner the offsetter cannot carry.
    if (std::none_of(stretches.begin(), stretches.end(), [](const StrokeStretch& s) { return s.cubic; })) {
        result.bodies.push_back(piece);
        return result;
    }
    const std::size_t n = stretches.size();
    const bool closed = piece.closed != 0;
    const double h = style.width * 0.5;
    const std::size_t junction_count = closed ? n : n - 1;
    std::vector<Junction> junctions(junction_count);
    for (std::size_t j = 0; j < junction_count; ++j) {
        Junction& junction = junctions[j];
        const StrokeStretch& before = stretches[j];
        const StrokeStretch& after = stretches[(j + 1) % n];
        junction.incoming = stretch_end_tangent(before);
        junction.outgoing = stretch_start_tangent(after);
        const double turn = std::atan2(std::fabs(cross(junction.incoming, junction.outgoing)),
                                       dot(junction.incoming, junction.outgoing));
        junction.corner = h * turn > kSmoothTurnShare * error;
        if (junction.corner) {
            junction.sine = std::max(std::cos(0.5 * turn), kMinCrossingSine);
            junction.broken = (before.cubic || after.cubic) && junction.sine < kBreakingSine;
            junction.reach = turn < kPi ? h * std::tan(0.5 * turn) : std::numeric_limits<double>::infinity();
        }
    }
    std::vector<StretchPlan> plans(n);
    std::vector<std::size_t> work;
    for (std::size_t i = 0; i < n; ++i) {
        plans[i].length = -1.0;  // measured when an end of it is swept
        plans[i].full = stretches[i].cubic && stretch_bends_tighter(stretches[i], kSweepRadiusShare * h);
        work.push_back(i);
    }
    auto before_junction = [&](std::size_t i) -> Junction* {
        if (i > 0)
            return &junctions[i - 1];
        return closed ? &junctions[n - 1] : nullptr;
    };
    auto after_junction = [&](std::size_t i) -> Junction* { return i + 1 < n || closed ? &junctions[i] : nullptr; };
    // A stretch swept from end to end breaks the runs on both sides of it; the neighbours are planned again.
    // Caps are the offsetter's (their corners set on the true tangents afterwards) unless the piece is split.
    bool caps_broken = false;
    const auto plan_stretches = [&] {
        while (!work.empty()) {
            const std::size_t i = work.back();
            work.pop_back();
            StretchPlan& plan = plans[i];
            Junction* start = before_junction(i);
            Junction* end = after_junction(i);
            const bool start_broken = start == nullptr ? caps_broken : start->broken;
            const bool end_broken = end == nullptr ? caps_broken : end->broken;
            const double start_reach = start != nullptr && start_broken ? kCrossingReachFactor * start->reach : 0.0;
            const double end_reach = end != nullptr && end_broken ? kCrossingReachFactor * end->reach : 0.0;
            plan.start_own = start_broken ? start_reach + 2.0 * margin : 0.0;
            plan.start_body = start_broken ? start_reach + margin : 0.0;
            plan.end_own = end_broken ? end_reach + 2.0 * margin : 0.0;
            plan.end_body = end_broken ? end_reach + margin : 0.0;
            plan.start_error = error * (start != nullptr && start_broken ? start->sine : 1.0);
            plan.end_error = error * (end != nullptr && end_broken ? end->sine : 1.0);
            if ((start_broken || end_broken) && plan.length < 0.0)
                plan.length = stretch_length(stretches[i]);
            if (!plan.full && (start_broken || end_broken) && !(plan.start_body + plan.end_body + margin < plan.length))
                plan.full = true;
            if (!plan.full)
                continue;
            plan.start_error = plan.end_error = std::min(plan.start_error, plan.end_error);
            for (Junction* junction : {start, end}) {
                if (junction != nullptr && !junction->broken) {
                    junction->broken = true;
                    const std::size_t j = static_cast<std::size_t>(junction - junctions.data());
                    work.push_back(j);
                    work.push_back((j + 1) % n);
                }
            }
        }
    };
    plan_stretches();
    bool any_broken = false;
    for (const Junction& junction : junctions)
        any_broken = any_broken || junction.broken;
    for (const StretchPlan& plan : plans)
        any_broken = any_broken || plan.full;
    if (any_broken && !closed) {
        caps_broken = true;
        work = {0, n - 1};
        plan_stretches();
    }
    if (!any_broken) {
        result.bodies.push_back(piece);
        return result;
    }
    result.split = true;

    // The walk in path order as operations: swept parts, joins between them, and parts for the offsetter.
    enum class Kind { own, join, body };
    struct Operation {
        Kind kind;
        std::size_t stretch = 0;
        double u0 = 0.0, u1 = 1.0, error = 0.0;
        std::size_t junction = 0;
    };
    std::vector<Operation> operations;
    for (std::size_t i = 0; i < n; ++i) {
        const StretchPlan& plan = plans[i];
        const StrokeStretch& stretch = stretches[i];
        if (i > 0 && junctions[i - 1].broken && junctions[i - 1].corner)
            operations.push_back(Operation{Kind::join, 0, 0.0, 0.0, 0.0, i - 1});
        if (plan.full) {
            operations.push_back(Operation{Kind::own, i, 0.0, 1.0, plan.start_error, 0});
            continue;
        }
        if (plan.start_own > 0.0)
            operations.push_back(Operation{Kind::own, i, 0.0, parameter_at_length(stretch, plan.start_own, plan.length),
                                           plan.start_error, 0});
        const double body_start =
            plan.start_body > 0.0 ? parameter_at_length(stretch, plan.start_body, plan.length) : 0.0;
        const double body_end =
            plan.end_body > 0.0 ? parameter_at_length(stretch, plan.length - plan.end_body, plan.length) : 1.0;
        operations.push_back(Operation{Kind::body, i, body_start, body_end, 0.0, 0});
        if (plan.end_own > 0.0)
            operations.push_back(Operation{Kind::own, i,
                                           parameter_at_length(stretch, plan.length - plan.end_own, plan.length), 1.0,
                                           plan.end_error, 0});
    }
    bool all_own = true;
    for (const Operation& operation : operations)
        all_own = all_own && operation.kind != Kind::body;
    if (closed) {
        if (junctions[n - 1].broken && junctions[n - 1].corner)
            operations.push_back(Operation{Kind::join, 0, 0.0, 0.0, 0.0, n - 1});
        if (!all_own) {
            // Start where a part for the offsetter follows a swept one, so that neither the swept parts nor
            // the offsetter's parts around the subpath's start are cut in two there (a cut body loses its join).
            const std::size_t count = operations.size();
            std::size_t first = 0;
            while (first < count && !(operations[first].kind == Kind::body &&
                                      operations[(first + count - 1) % count].kind != Kind::body))
                ++first;
            if (first < count)
                std::rotate(operations.begin(), operations.begin() + static_cast<std::ptrdiff_t>(first),
                            operations.end());
        }
    }

    PenSweep sweep(style, arc_error, budget, result.rings);
    ExactPiece body;
    bool body_open = false;
    if (!closed)
        sweep.set_start_cap(stretch_start_tangent(stretches.front()));
    for (const Operation& operation : operations) {
        const StrokeStretch& stretch = stretches[operation.stretch];
        switch (operation.kind) {
        case Kind::own:
            if (body_open) {
                result.bodies.push_back(std::move(body));
                body_open = false;
            }
            sweep.add_stretch(stretch, operation.u0, operation.u1, operation.error);
            break;
        case Kind::join:
            sweep.add_join(junctions[operation.junction].incoming, junctions[operation.junction].outgoing);
            break;
        case Kind::body:
            if (!sweep.empty())
                sweep.finish(false);
            if (!body_open) {
                body = ExactPiece{};
                body.subpath_index = piece.subpath_index;
                body_open = true;
            }
            body.stretches.push_back(sub_stretch(stretch, operation.u0, operation.u1));
            if (body.stretches.size() == 1)
                body.start = body.stretches.front().points[0];
            break;
        }
    }
    if (body_open)
        result.bodies.push_back(std::move(body));
    if (!closed)
        sweep.set_end_cap(stretch_end_tangent(stretches.back()));
    sweep.finish(closed && all_own);
    return result;
}

}  // namespace pavrix_svg_core
