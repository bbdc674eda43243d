#include "kernel/lowering/grid_quantization.h"

#include <cmath>
#include <stdexcept>

#include "kernel/exact/exact_integer.h"

namespace pavrix_svg_core {
namespace {

std::int64_t grid_value(double source, double origin, double scale, double quantum) {
    // Multiplying first keeps a grid value exact when source units and grid units are commensurate.
    const double grid = ((source - origin) * scale) / quantum;
    if (!std::isfinite(grid) || std::fabs(grid) > kMaxGridMagnitude)
        throw std::range_error("numeric_range_error");
    return std::llround(grid);
}

}  // namespace

Clipper2Lib::Point64 quantize_to_grid(const PaintPoint& point, const PaintMatrix& matrix, const ReplayParams& params) {
    const double x = matrix[0] * point.x + matrix[2] * point.y + matrix[4];
    const double y = matrix[1] * point.x + matrix[3] * point.y + matrix[5];
    return Clipper2Lib::Point64(grid_value(x, params.origin_x, params.scale, params.grid_quantum),
                                grid_value(y, params.origin_y, params.scale, params.grid_quantum));
}

Clipper2Lib::Path64 quantize_ring(const ReplayParams& params, const std::vector<PaintPoint>& points,
                                  const PaintMatrix& matrix) {
    if (params.budget == nullptr)
        throw std::logic_error("missing_complexity_budget");
    charge_lowered_points(*params.budget, points.size());
    Clipper2Lib::Path64 ring;
    ring.reserve(points.size());
    for (const PaintPoint& point : points) {
        const Clipper2Lib::Point64 grid = quantize_to_grid(point, matrix, params);
        if (ring.empty() || ring.back() != grid)
            ring.push_back(grid);
    }
    if (ring.size() >= 2 && ring.back() == ring.front())
        ring.pop_back();
    return ring;
}

Clipper2Lib::Path64 quantize_ring(const ReplayParams& params, const std::vector<PaintPoint>& points,
                                  const PaintCommand& command) {
    return quantize_ring(params, points, command.matrix);
}

double ring_area(const Clipper2Lib::Path64& ring) noexcept {
    if (ring.size() < 3)
        return 0.0;
    double sum = 0.0;
    for (std::size_t i = 0; i < ring.size(); ++i) {
        const Clipper2Lib::Point64& p = ring[i];
        const Clipper2Lib::Point64& q = ring[i + 1 == ring.size() ? 0 : i + 1];
        sum += static_cast<double>(p.y + q.y) * static_cast<double>(p.x - q.x);
    }
    return sum * 0.5;
}

bool ring_area_is_zero(const Clipper2Lib::Path64& ring) noexcept {
    if (ring.size() < 3)
        return true;
    // The double sum alone rounds (collinear rings with coordinates near 1e12 come out as
    // millions), but it settles every ring whose area clearly exceeds the sum's rounding bound:
    // each term is off by at most 3 ulps and the running sum by n ulps of the absolute sum.
    double sum = 0.0;
    double magnitude = 0.0;
    for (std::size_t i = 0; i < ring.size(); ++i) {
        const Clipper2Lib::Point64& p = ring[i];
        const Clipper2Lib::Point64& q = ring[i + 1 == ring.size() ? 0 : i + 1];
        const double term = static_cast<double>(p.y + q.y) * static_cast<double>(p.x - q.x);
        sum += term;
        magnitude += std::fabs(term);
    }
    const double rounding_bound = (static_cast<double>(ring.size()) + 8.0) * 0x1p-52 * magnitude;
    if (std::fabs(sum) > rounding_bound)
        return false;
    const Int192 doubled = doubled_area_192(ring);
    return doubled.w0 == 0 && doubled.w1 == 0 && doubled.w2 == 0;
}

}  // namespace pavrix_svg_core
