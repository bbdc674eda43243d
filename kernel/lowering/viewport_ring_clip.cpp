#include "kernel/lowering/viewport_ring_clip.h"

#include <cmath>

namespace pavrix_svg_core {
namespace {

enum class RectSide { left, right, bottom, top };

bool inside(const PaintPoint& p, RectSide side, double bound) noexcept {
    switch (side) {
    case RectSide::left:
        return p.x >= bound;
    case RectSide::right:
        return p.x <= bound;
    case RectSide::bottom:
        return p.y >= bound;
    case RectSide::top:
        break;
    }
    return p.y <= bound;
}

// The crossing of ab with the side's line; the clipped coordinate is set exactly, so that cut
// points of neighbouring edges lie on one line.
PaintPoint crossing(const PaintPoint& a, const PaintPoint& b, RectSide side, double bound) noexcept {
    if (side == RectSide::left || side == RectSide::right) {
        const double t = (bound - a.x) / (b.x - a.x);
        return PaintPoint{bound, a.y + t * (b.y - a.y)};
    }
    const double t = (bound - a.y) / (b.y - a.y);
    return PaintPoint{a.x + t * (b.x - a.x), bound};
}

void clip_against(std::vector<PaintPoint>& points, std::vector<double>& errors, RectSide side, double bound,
                  std::vector<PaintPoint>& out_points, std::vector<double>& out_errors) {
    out_points.clear();
    out_errors.clear();
    const std::size_t n = points.size();
    for (std::size_t i = 0; i < n; ++i) {
        // Edge a -> b; its error is carried by its end point b.
        const PaintPoint& a = points[i == 0 ? n - 1 : i - 1];
        const PaintPoint& b = points[i];
        const bool a_in = inside(a, side, bound);
        const bool b_in = inside(b, side, bound);
        if (a_in != b_in) {
            out_points.push_back(crossing(a, b, side, bound));
            out_errors.push_back(errors[i]);
        }
        if (b_in) {
            out_points.push_back(b);
            out_errors.push_back(errors[i]);
        }
    }
    points.swap(out_points);
    errors.swap(out_errors);
}

}  // namespace

DoubleBox viewport_clip_rect(const ReplayParams& params) noexcept {
    if (!box_non_empty(params.clip_rect))
        return DoubleBox{};
    const double margin = kViewportClipMarginGridUnits * params.grid_quantum / params.scale;
    if (!std::isfinite(margin) || !(margin > 0.0))
        return DoubleBox{};
    const DoubleBox& view = params.clip_rect;
    DoubleBox grown{view.xmin - margin, view.ymin - margin, view.xmax + margin, view.ymax + margin};
    if (!box_non_empty(grown))
        return DoubleBox{};
    return grown;
}

bool ring_inside_rect(const std::vector<PaintPoint>& points, const DoubleBox& rect) noexcept {
    for (const PaintPoint& p : points) {
        if (!(p.x >= rect.xmin && p.x <= rect.xmax && p.y >= rect.ymin && p.y <= rect.ymax))
            return false;
    }
    return true;
}

void clip_ring_to_rect(std::vector<PaintPoint>& points, std::vector<double>& errors, const DoubleBox& rect) {
    std::vector<PaintPoint> scratch_points;
    std::vector<double> scratch_errors;
    scratch_points.reserve(points.size() + 4);
    scratch_errors.reserve(points.size() + 4);
    const std::pair<RectSide, double> sides[] = {{RectSide::left, rect.xmin},
                                                 {RectSide::right, rect.xmax},
                                                 {RectSide::bottom, rect.ymin},
                                                 {RectSide::top, rect.ymax}};
    for (const auto& [side, bound] : sides) {
        if (points.empty())
            break;
        clip_against(points, errors, side, bound, scratch_points, scratch_errors);
    }
}

}  // namespace pavrix_svg_core
