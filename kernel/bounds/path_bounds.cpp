#include "kernel/bounds/path_bounds.h"

#include <algorithm>
#include <cmath>

#include "kernel/commands/subpath_walk.h"

namespace pavrix_svg_core {
namespace {

void grow_box(DoubleBox& box, double x, double y) noexcept {
    box.xmin = std::min(box.xmin, x);
    box.ymin = std::min(box.ymin, y);
    box.xmax = std::max(box.xmax, x);
    box.ymax = std::max(box.ymax, y);
}

void unite_boxes(DoubleBox& into, const DoubleBox& add) noexcept {
    grow_box(into, add.xmin, add.ymin);
    grow_box(into, add.xmax, add.ymax);
}

double bezier_at(double p0, double p1, double p2, double p3, double t) noexcept {
    const double s = 1.0 - t;
    // Weighted terms never exceed the largest control value, so nothing overflows here.
    return s * s * s * p0 + 3.0 * s * s * t * p1 + 3.0 * s * t * t * p2 + t * t * t * p3;
}

}  // namespace

int cubic_axis_extrema(double p0, double p1, double p2, double p3, double roots[2]) noexcept {
    const double largest = std::max({std::fabs(p0), std::fabs(p1), std::fabs(p2), std::fabs(p3)});
    if (largest == 0.0 || !std::isfinite(largest))
        return 0;
    // A power-of-two scale is exact and keeps the coefficients and the discriminant in range
    // for control values near the top of the double range.
    const double scale = std::ldexp(1.0, -std::ilogb(largest));
    p0 *= scale;
    p1 *= scale;
    p2 *= scale;
    p3 *= scale;
    const double a = -p0 + 3.0 * p1 - 3.0 * p2 + p3;
    const double b = 2.0 * (p0 - 2.0 * p1 + p2);
    const double c = p1 - p0;
    double candidates[2];
    int count = 0;
    if (a != 0.0) {
        const double discriminant = b * b - 4.0 * a * c;
        if (discriminant >= 0.0) {
            const double root = std::sqrt(discriminant);
            if (root != 0.0) {
                // The sign of a zero b is taken as +1: with 0 the two roots would both vanish.
                const double q = -0.5 * (b + (b < 0.0 ? -root : root));
                candidates[count++] = q / a;
                candidates[count++] = c / q;
            } else {
                candidates[count++] = -b / (2.0 * a);
            }
        }
    } else if (b != 0.0) {
        candidates[count++] = -c / b;
    }
    int kept = 0;
    for (int i = 0; i < count; ++i)
        if (candidates[i] > 0.0 && candidates[i] < 1.0)
            roots[kept++] = candidates[i];
    return kept;
}

namespace {

struct BoundsWalk {
    BoundsWalk(const PaintMatrix& command_matrix, bool is_stroke) noexcept
        : matrix(command_matrix), stroke(is_stroke) {}

    const PaintMatrix& matrix;
    bool stroke = false;
    DoubleBox result;
    DoubleBox subpath;
    std::uint64_t point_count = 0;
    bool has_direction = false;
    bool areal = false;
    PaintPoint first;
    PaintPoint direction;

    PaintPoint device(const PaintPoint& p) const noexcept {
        return PaintPoint{matrix[0] * p.x + matrix[2] * p.y + matrix[4], matrix[1] * p.x + matrix[3] * p.y + matrix[5]};
    }
    // Every device point, on-curve or control, takes part in the areal test.
    void note(const PaintPoint& p) noexcept {
        ++point_count;
        if (point_count == 1) {
            first = p;
        } else if (!has_direction) {
            if (p.x != first.x || p.y != first.y) {
                direction = p;
                has_direction = true;
            }
        } else if ((direction.x - first.x) * (p.y - first.y) - (direction.y - first.y) * (p.x - first.x) != 0.0) {
            areal = true;
        }
    }
    void on_curve(const PaintPoint& device_point) noexcept {
        note(device_point);
        grow_box(subpath, device_point.x, device_point.y);
    }
    void begin_subpath(const PaintPoint& start) noexcept {
        subpath = DoubleBox{};
        point_count = 0;
        has_direction = areal = false;
        on_curve(device(start));
    }
    void line(const PaintPoint&, const PaintPoint& to) noexcept { on_curve(device(to)); }
    void cubic(const PaintPoint& from, const PaintPoint& c1, const PaintPoint& c2, const PaintPoint& to) noexcept {
        const PaintPoint p0 = device(from), p1 = device(c1), p2 = device(c2), p3 = device(to);
        grow_box(subpath, p0.x, p0.y);  // already noted as the previous end point
        note(p1);
        note(p2);
        on_curve(p3);
        double roots[4];
        int count = cubic_axis_extrema(p0.x, p1.x, p2.x, p3.x, roots);
        count += cubic_axis_extrema(p0.y, p1.y, p2.y, p3.y, roots + count);
        for (int i = 0; i < count; ++i)
            grow_box(subpath, bezier_at(p0.x, p1.x, p2.x, p3.x, roots[i]), bezier_at(p0.y, p1.y, p2.y, p3.y, roots[i]));
    }
    void close(const PaintPoint&, const PaintPoint&) noexcept {}
    void end_subpath(bool) noexcept {
        if (stroke) {
            if (box_valid(subpath))
                unite_boxes(result, subpath);
        } else if (point_count >= 3 && areal) {
            include_box(result, subpath);
        }
    }
};

}  // namespace

void clip_box_to_viewport(DoubleBox& box, const PaintBox& viewport) noexcept {
    const float width = viewport[2], height = viewport[3];
    if (!(std::isfinite(width) && width > 0.0f) || !(std::isfinite(height) && height > 0.0f))
        return;
    // The far edges are summed in single precision, as the recorder's viewport is.
    const float right = viewport[0] + width;
    const float bottom = viewport[1] + height;
    box.xmin = std::max(box.xmin, static_cast<double>(viewport[0]));
    box.ymin = std::max(box.ymin, static_cast<double>(viewport[1]));
    box.xmax = std::min(box.xmax, static_cast<double>(right));
    box.ymax = std::min(box.ymax, static_cast<double>(bottom));
}

DoubleBox exact_path_bounds(const PaintCommand& command) {
    const PaintCommandKind kind = command.kind;
    if (kind != PaintCommandKind::fill && kind != PaintCommandKind::stroke && kind != PaintCommandKind::clip_begin)
        return DoubleBox{};
    BoundsWalk walk(command.matrix, kind == PaintCommandKind::stroke);
    walk_subpaths(command, walk);
    return walk.result;
}

DoubleBox replay_output_bounds(const std::vector<ReplayRegion>& regions, const ReplayParams& params) noexcept {
    const double unit = params.grid_quantum / params.scale;
    DoubleBox bounds;
    for (const ReplayRegion& region : regions) {
        const IntBox& box = region.bbox;
        if (!box.valid)
            continue;
        grow_box(bounds, static_cast<double>(box.xmin) * unit + params.origin_x,
                 static_cast<double>(box.ymin) * unit + params.origin_y);
        grow_box(bounds, static_cast<double>(box.xmax) * unit + params.origin_x,
                 static_cast<double>(box.ymax) * unit + params.origin_y);
    }
    return bounds;
}

}  // namespace pavrix_svg_core
