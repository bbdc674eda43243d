#include "kernel/bounds/stroke_bounds.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "kernel/bounds/path_bounds.h"
#include "kernel/common/point_arithmetic.h"
#include "kernel/lowering/stroke_outline.h"
#include "kernel/lowering/stroke_sweep.h"

namespace pavrix_svg_core {
namespace {

PaintPoint unit(double x, double y) noexcept {
    const double length = std::hypot(x, y);
    if (!(length > 0.0) || !std::isfinite(length))
        return PaintPoint{};
    return PaintPoint{x / length, y / length};
}

PaintPoint offset(const PaintPoint& p, const PaintPoint& direction, double distance) noexcept {
    return PaintPoint{p.x + distance * direction.x, p.y + distance * direction.y};
}

// Grows a device box by path-space points of the outline. Every point added lies on the exact outline,
// and the extremes in device x and y are among them, so the box is the outline's box.
class OutlineBox {
public:
    OutlineBox(const PaintMatrix& matrix, double half_width) noexcept : m_(matrix), h_(half_width) {
        // The path-space directions in which device x and y grow fastest.
        const PaintPoint x = unit(matrix[0], matrix[2]);
        const PaintPoint y = unit(matrix[1], matrix[3]);
        directions_[0] = x;
        directions_[1] = PaintPoint{-x.x, -x.y};
        directions_[2] = y;
        directions_[3] = PaintPoint{-y.x, -y.y};
    }

    void add(const PaintPoint& p) noexcept {
        const double x = m_[0] * p.x + m_[2] * p.y + m_[4];
        const double y = m_[1] * p.x + m_[3] * p.y + m_[5];
        box_.xmin = std::min(box_.xmin, x);
        box_.ymin = std::min(box_.ymin, y);
        box_.xmax = std::max(box_.xmax, x);
        box_.ymax = std::max(box_.ymax, y);
    }
    // Both ends of the normal through p.
    void add_normal(const PaintPoint& p, const PaintPoint& tangent) noexcept {
        const PaintPoint normal{-tangent.y, tangent.x};
        add(offset(p, normal, h_));
        add(offset(p, normal, -h_));
    }
    // The extremes of the disc part around p whose directions pass `inside`.
    template <class Inside>
    void add_disc(const PaintPoint& p, Inside inside) noexcept {
        for (const PaintPoint& d : directions_) {
            if ((d.x != 0.0 || d.y != 0.0) && inside(d))
                add(offset(p, d, h_));
        }
    }
    void add_cubic(const std::array<PaintPoint, 4>& c, const PaintPoint& start, const PaintPoint& end) {
        add_normal(c[0], start);
        add_normal(c[3], end);
        // The offset curves turn where the centre line does: their extremes in a direction lie where
        // the centre line's tangent is across it.
        for (int axis = 0; axis < 2; ++axis) {
            const PaintPoint& d = directions_[2 * axis];
            double roots[2];
            const int count = cubic_axis_extrema(dot(d, c[0]), dot(d, c[1]), dot(d, c[2]), dot(d, c[3]), roots);
            for (int i = 0; i < count; ++i)
                add_normal(cubic_point_at(c, roots[i]), stretch_tangent_at(StrokeStretch{c, true}, roots[i]));
        }
        // Where the curve bends tighter than the pen, a pen's end turns back at the offset's cusp.
        cusps_.clear();
        radius_crossings(StrokeStretch{c, true}, h_, cusps_);
        for (const double u : cusps_)
            add_normal(cubic_point_at(c, u), stretch_tangent_at(StrokeStretch{c, true}, u));
    }
    const DoubleBox& box() const noexcept { return box_; }
    double half_width() const noexcept { return h_; }

private:
    const PaintMatrix& m_;
    double h_;
    PaintPoint directions_[4];
    DoubleBox box_;
    std::vector<double> cusps_;
};

// The join at v between the tangents `in` and `out`: bevel corners are the stretches' own ends.
void add_join(OutlineBox& box, const PaintStrokeStyle& style, double miter_cosine, const PaintPoint& v,
              const PaintPoint& in, const PaintPoint& out) {
    if (style.line_join == LineJoin::round) {
        box.add_disc(v, [&](const PaintPoint& d) { return dot(d, in) >= 0.0 && dot(d, out) <= 0.0; });
        return;
    }
    if (style.line_join != LineJoin::miter)
        return;
    const double cosine = std::clamp(dot(in, out), -1.0, 1.0);
    const double cross = in.x * out.y - in.y * out.x;
    if (!(cosine > miter_cosine) || !(1.0 + cosine > 0.0) || cross == 0.0)
        return;
    // The outer side of a left turn is the right of travel, and the other way round.
    const double side = cross > 0.0 ? 1.0 : -1.0;
    const PaintPoint n_in{side * in.y, -side * in.x};
    const PaintPoint n_out{side * out.y, -side * out.x};
    const double tip = box.half_width() / (1.0 + cosine);
    box.add(PaintPoint{v.x + tip * (n_in.x + n_out.x), v.y + tip * (n_in.y + n_out.y)});
}

// The cap at p, `outward` pointing away from the piece.
void add_cap(OutlineBox& box, LineCap cap, const PaintPoint& p, const PaintPoint& outward) {
    if (cap == LineCap::square) {
        box.add_normal(offset(p, outward, box.half_width()), outward);
    } else if (cap == LineCap::round) {
        box.add_disc(p, [&](const PaintPoint& d) { return dot(d, outward) >= 0.0; });
    }
}

void add_point_piece(OutlineBox& box, LineCap cap, const PaintPoint& p, const PaintPoint& direction) {
    const double h = box.half_width();
    if (cap == LineCap::square) {
        const PaintPoint along = direction.x != 0.0 || direction.y != 0.0 ? direction : PaintPoint{1.0, 0.0};
        const double ax = along.x * h, ay = along.y * h;
        for (const PaintPoint corner : {PaintPoint{-ax + ay, -ay - ax}, PaintPoint{ax + ay, ay - ax},
                                        PaintPoint{ax - ay, ay + ax}, PaintPoint{-ax - ay, -ay + ax}})
            box.add(PaintPoint{p.x + corner.x, p.y + corner.y});
    } else if (cap == LineCap::round) {
        box.add_disc(p, [](const PaintPoint&) { return true; });
    }
}

}  // namespace

DoubleBox exact_stroke_bounds(const std::vector<ExactPiece>& pieces, const PaintStrokeStyle& style,
                              const PaintMatrix& matrix) {
    OutlineBox box(matrix, style.width * 0.5);
    const double miter_cosine = wedge_miter_cosine(style.miter_limit);
    for (const ExactPiece& piece : pieces) {
        const std::vector<StrokeStretch>& stretches = piece.stretches;
        if (stretches.empty()) {
            add_point_piece(box, style.line_cap, piece.start, piece.direction);
            continue;
        }
        const std::size_t n = stretches.size();
        for (std::size_t i = 0; i < n; ++i) {
            const StrokeStretch& stretch = stretches[i];
            const PaintPoint start = stretch_start_tangent(stretch);
            const PaintPoint end = stretch_end_tangent(stretch);
            if (stretch.cubic) {
                box.add_cubic(stretch.points, start, end);
            } else {
                box.add_normal(stretch.points[0], start);
                box.add_normal(stretch.points[3], end);
            }
            if (i + 1 < n || piece.closed != 0)
                add_join(box, style, miter_cosine, stretch.points[3], end,
                         stretch_start_tangent(stretches[(i + 1) % n]));
        }
        if (piece.closed == 0) {
            const PaintPoint start = stretch_start_tangent(stretches.front());
            add_cap(box, style.line_cap, stretches.front().points[0], PaintPoint{-start.x, -start.y});
            add_cap(box, style.line_cap, stretches.back().points[3], stretch_end_tangent(stretches.back()));
        }
    }
    return box.box();
}

}  // namespace pavrix_svg_core
