#include "kernel/lowering_error_records.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>

namespace pavrix_svg_core {
namespace {

constexpr double kSqrt2 = 1.4142135623730951;

// NaN would vanish from every later maximum; treat it as an unbounded error instead.
double sound_max(double a, double b) noexcept {
    if (std::isnan(a) || std::isnan(b)) return std::numeric_limits<double>::infinity();
    return std::max(a, b);
}

}  // namespace

void record_approximation_errors(const std::vector<PaintPoint>& points, const PaintMatrix& matrix,
                                 const ErrorPair& envelope, const std::vector<double>& errors,
                                 std::vector<PrecisionRecord>* list) {
    if (list == nullptr || points.size() < 3) return;
    if (errors.size() != points.size()) throw std::logic_error("invalid_approximation_error_count");

    std::vector<PaintPoint> mapped;
    std::vector<double> mapped_errors;
    mapped.reserve(points.size());
    mapped_errors.reserve(points.size());
    for (std::size_t i = 0; i < points.size(); ++i) {
        const PaintPoint& p = points[i];
        const PaintPoint m{matrix[0] * p.x + matrix[2] * p.y + matrix[4], matrix[1] * p.x + matrix[3] * p.y + matrix[5]};
        if (!mapped.empty() && mapped.back() == m) {
            mapped_errors.back() = sound_max(mapped_errors.back(), errors[i]);
            continue;
        }
        mapped.push_back(m);
        mapped_errors.push_back(errors[i]);
    }
    if (mapped.size() >= 2 && mapped.back() == mapped.front()) {
        mapped_errors.front() = sound_max(mapped_errors.front(), mapped_errors.back());
        mapped.pop_back();
        mapped_errors.pop_back();
    }
    const std::size_t n = mapped.size();
    if (n < 3) return;

    list->reserve(list->size() + n);
    for (std::size_t i = 1; i <= n; ++i) {
        const PaintPoint& a = mapped[i - 1];
        const std::size_t end = i == n ? 0 : i;
        const PaintPoint& b = mapped[end];
        if (a == b) continue;
        const double dx = b.x - a.x;
        const double dy = b.y - a.y;
        const double length = std::hypot(dx, dy);
        const double envelope_term = length > 0.0
                                         ? (std::fabs(dx) * envelope.y + std::fabs(dy) * envelope.x) / length
                                         : std::max(envelope.x, envelope.y);
        PrecisionRecord record;
        record.box = DoubleBox{std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
        record.input_error = envelope_term + mapped_errors[end];
        list->push_back(record);
    }
}

double command_lowering_error_bound(const ReplayParams& params, std::size_t first_record) noexcept {
    double largest = 0.0;
    if (params.precision_records != nullptr) {
        const std::vector<PrecisionRecord>& records = *params.precision_records;
        for (std::size_t i = first_record; i < records.size(); ++i) {
            largest = sound_max(largest, records[i].input_error);
        }
    }
    return params.grid_quantum / params.scale / kSqrt2 + largest;
}

}  // namespace pavrix_svg_core
