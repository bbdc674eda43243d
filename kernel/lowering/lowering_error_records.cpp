#include "kernel/lowering/lowering_error_records.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>

namespace pavrix_svg_core {
namespace {

constexpr double kSqrt2 = 1.4142135623730951;

}  // namespace

void reserve_precision_records(std::vector<PrecisionRecord>& list, std::size_t extra) {
    if (extra > list.max_size() - list.size())
        throw std::length_error("precision_record_count");
    const std::size_t needed = list.size() + extra;
    if (needed > list.capacity())
        list.reserve(std::max(needed, std::min(list.max_size(), 2 * list.capacity())));
}

void record_approximation_errors(const std::vector<PaintPoint>& points, const PaintMatrix& matrix,
                                 const ErrorPair& envelope, const std::vector<double>& errors,
                                 std::vector<PrecisionRecord>* list) {
    if (list == nullptr || points.size() < 3)
        return;
    if (errors.size() != points.size())
        throw std::logic_error("invalid_approximation_error_count");

    auto record_edge = [&](const PaintPoint& a, const PaintPoint& b, double end_error) {
        if (a == b)
            return;
        const double dx = b.x - a.x;
        const double dy = b.y - a.y;
        const double length = std::hypot(dx, dy);
        const double envelope_term = length > 0.0 ? (std::fabs(dx) * envelope.y + std::fabs(dy) * envelope.x) / length
                                                  : std::max(envelope.x, envelope.y);
        PrecisionRecord record;
        record.box = DoubleBox{std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
        record.input_error = envelope_term + end_error;
        list->push_back(record);
    };

    // One pass without copies: an edge is recorded once its end point's error is final, that is
    // when the next distinct point arrives (repeats merge their errors into the kept point).
    const std::size_t first_record = list->size();
    reserve_precision_records(*list, points.size());
    PaintPoint first{}, before_last{}, last{};
    double first_error = 0.0, last_error = 0.0;
    std::size_t kept = 0;
    for (std::size_t i = 0; i < points.size(); ++i) {
        const PaintPoint& p = points[i];
        const PaintPoint m{matrix[0] * p.x + matrix[2] * p.y + matrix[4],
                           matrix[1] * p.x + matrix[3] * p.y + matrix[5]};
        if (kept > 0 && m == last) {
            last_error = error_max(last_error, errors[i]);
            if (kept == 1)
                first_error = last_error;
            continue;
        }
        if (kept >= 2)
            record_edge(before_last, last, last_error);
        if (kept == 0) {
            first = m;
            first_error = errors[i];
        }
        before_last = last;
        last = m;
        last_error = errors[i];
        ++kept;
    }
    std::size_t ring_size = kept;
    if (kept >= 2 && last == first) {
        // The closing repeat of the first point: its error moves to the first point.
        first_error = error_max(first_error, last_error);
        --ring_size;
        if (ring_size >= 3)
            record_edge(before_last, first, first_error);
    } else if (ring_size >= 3) {
        record_edge(before_last, last, last_error);
        record_edge(last, first, first_error);
    }
    if (ring_size < 3)
        list->resize(first_record);
}

double command_lowering_error_bound(const ReplayParams& params, std::size_t first_record) noexcept {
    double largest = 0.0;
    if (params.precision_records != nullptr) {
        const std::vector<PrecisionRecord>& records = *params.precision_records;
        for (std::size_t i = first_record; i < records.size(); ++i) {
            largest = error_max(largest, records[i].input_error);
        }
    }
    return params.grid_quantum / params.scale / kSqrt2 + largest;
}

}  // namespace pavrix_svg_core
