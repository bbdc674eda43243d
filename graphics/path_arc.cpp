// SVG endpoint arcs as cubic segments of at most pi/8 each.

#include <cmath>

#include "graphics/vector_path.h"

namespace pavrix_graphics {

namespace {

constexpr float kTwoPi = 6.2831855f;
constexpr float kSegmentAngle = 0.3926991f;
constexpr float kFourThirds = 1.3333334f;

}  // namespace

void path_arc_to(VectorPath* path, float rx, float ry, float angle, bool large_arc, bool sweep, float x, float y) {
    if (!path || path->path_invalid)
        return;
    float x0 = 0.0f;
    float y0 = 0.0f;
    path_get_current_point(path, &x0, &y0);
    if (rx == 0.0f || ry == 0.0f || (x == x0 && y == y0)) {
        path_line_to(path, x, y);
        return;
    }

    AffineMatrix m;
    matrix_init_rotate(&m, -angle);
    const float dx = (x0 - x) / 2.0f;
    const float dy = (y0 - y) / 2.0f;
    float x1p = 0.0f;
    float y1p = 0.0f;
    matrix_map_point(&m, dx, dy, &x1p, &y1p);

    rx = std::fabs(rx);
    ry = std::fabs(ry);
    const float lambda = (y1p * y1p) / (ry * ry) + (x1p * x1p) / (rx * rx);
    if (lambda > 1.0f) {
        const float scale = std::sqrt(lambda);
        rx *= scale;
        ry *= scale;
        // Radii scaled out of the float range give no usable ellipse; the end point still has
        // to be reached, so the arc degrades to a line.
        if (!std::isfinite(rx) || !std::isfinite(ry)) {
            path_line_to(path, x, y);
            return;
        }
    }

    matrix_init_scale(&m, 1.0f / rx, 1.0f / ry);
    matrix_rotate(&m, -angle);
    float a1 = 0.0f, b1 = 0.0f, a2 = 0.0f, b2 = 0.0f;
    matrix_map_point(&m, x0, y0, &a1, &b1);
    matrix_map_point(&m, x, y, &a2, &b2);

    float s2 = 1.0f / ((a2 - a1) * (a2 - a1) + (b2 - b1) * (b2 - b1)) - 0.25f;
    if (s2 < 0.0f)
        s2 = 0.0f;
    float s = std::sqrt(s2);
    if (large_arc == sweep)
        s = -s;

    const float xc = (a1 + a2) / 2.0f - s * (b2 - b1);
    const float yc = (b1 + b2) / 2.0f + s * (a2 - a1);

    const float theta0 = std::atan2(b1 - yc, a1 - xc);
    float delta = std::atan2(b2 - yc, a2 - xc) - theta0;
    if (delta < 0.0f && sweep)
        delta += kTwoPi;
    else if (delta > 0.0f && !sweep)
        delta -= kTwoPi;

    // A NaN span (from degenerate centre arithmetic) or a zero one has no segments to draw.
    const float segments = std::isfinite(delta) ? std::ceil(std::fabs(delta / kSegmentAngle)) : 0.0f;
    if (!(segments >= 1.0f) || !std::isfinite(xc) || !std::isfinite(yc)) {
        path_line_to(path, x, y);
        return;
    }
    const int n = static_cast<int>(segments);

    matrix_init_rotate(&m, angle);
    matrix_scale(&m, rx, ry);

    for (int i = 0; i < n && !path->path_invalid; ++i) {
        const float alpha1 = theta0 + static_cast<float>(i) * delta / static_cast<float>(n);
        const float alpha2 = theta0 + static_cast<float>(i + 1) * delta / static_cast<float>(n);
        const float t = kFourThirds * std::tan((alpha2 - alpha1) / 4.0f);
        const float cos1 = std::cos(alpha1);
        const float sin1 = std::sin(alpha1);
        const float cos2 = std::cos(alpha2);
        const float sin2 = std::sin(alpha2);
        FloatPoint p[3];
        p[2] = {cos2 + xc, sin2 + yc};
        p[1] = {p[2].x + sin2 * t, p[2].y - cos2 * t};
        p[0] = {cos1 - sin1 * t + xc, sin1 + cos1 * t + yc};
        matrix_map_points(&m, p, p, 3);
        path_cubic_to(path, p[0].x, p[0].y, p[1].x, p[1].y, p[2].x, p[2].y);
    }
}

}  // namespace pavrix_graphics
