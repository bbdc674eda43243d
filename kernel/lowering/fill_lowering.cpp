#include "kernel/lowering/fill_lowering.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "kernel/common/complexity_budget.h"
#include "kernel/lowering/cubic_flattening.h"
#include "kernel/lowering/grid_quantization.h"
#include "kernel/lowering/lowering_error_records.h"
#include "kernel/lowering/viewport_ring_clip.h"

namespace pavrix_svg_core {
namespace {

// Per-command values every subpath of the command needs.
struct FillLowering {
    const PaintCommand& command;
    const ReplayParams& params;
    ComplexityBudget& budget;
    double sigma = 0.0;
    double tolerance = 0.0;
    DoubleBox clip_rect;  // the viewport grown by a margin; empty when there is no viewport
};

FillLowering make_fill_lowering(const PaintCommand& command, const ReplayParams& params) {
    if (params.budget == nullptr)
        throw std::logic_error("missing_complexity_budget");
    FillLowering lowering{command, params, *params.budget, 0.0, 0.0, DoubleBox{}};
    lowering.sigma = matrix_spectral_norm(command.matrix);
    lowering.tolerance = params.flattening_error / (lowering.sigma * params.scale);
    lowering.clip_rect = viewport_clip_rect(params);
    return lowering;
}

PaintPoint map_point(const PaintMatrix& m, const PaintPoint& p) noexcept {
    return PaintPoint{m[0] * p.x + m[2] * p.y + m[4], m[1] * p.x + m[3] * p.y + m[5]};
}

void widen(ErrorPair& envelope, const ErrorPair& error) noexcept {
    envelope.x = std::max(envelope.x, error.x);
    envelope.y = std::max(envelope.y, error.y);
}

int distinct_point_count(const std::vector<PaintPoint>& points) noexcept {
    PaintPoint seen[2];
    int count = 0;
    for (const PaintPoint& p : points) {
        if (std::find(seen, seen + count, p) != seen + count)
            continue;
        if (count == 2)
            return 3;
        seen[count++] = p;
    }
    return count;
}

// Exact in the sense of the double products: a rounding that happens to give 0 counts as
// collinear; the exact grid area decides later for everything that is not.
bool mapped_points_collinear(const std::vector<PaintPoint>& points, const PaintMatrix& matrix) noexcept {
    const PaintPoint p0 = map_point(matrix, points.front());
    std::size_t i = 1;
    PaintPoint q{};
    for (; i < points.size(); ++i) {
        q = map_point(matrix, points[i]);
        if (q != p0)
            break;
    }
    if (i == points.size())
        return true;
    const double qx = q.x - p0.x;
    const double qy = q.y - p0.y;
    for (std::size_t j = i + 1; j < points.size(); ++j) {
        const PaintPoint p = map_point(matrix, points[j]);
        const double cross = (p.x - p0.x) * qy - (p.y - p0.y) * qx;
        if (!(cross == 0.0))
            return false;  // NaN counts as not collinear
    }
    return true;
}

bool has_cubic(const std::vector<FillSegment>& segments) noexcept {
    return std::any_of(segments.begin(), segments.end(), [](const FillSegment& s) { return s.is_cubic; });
}

// Rebuilds the points from the segments with every cubic split at least 16 times. Returns false
// (lists untouched) when there is no cubic to gain from or the tolerances are unusable.
bool flatten_again(const FillLowering& lowering, std::vector<PaintPoint>& points, std::vector<double>& errors,
                   const std::vector<FillSegment>& segments) {
    if (!has_cubic(segments) || !is_positive_finite(lowering.sigma) || !is_positive_finite(lowering.tolerance)) {
        return false;
    }
    points.clear();
    errors.clear();
    charge_lowered_points(lowering.budget, 1);
    points.push_back(segments.front().start);
    errors.push_back(0.0);
    for (const FillSegment& segment : segments) {
        if (!segment.is_cubic) {
            charge_lowered_points(lowering.budget, 1);
            points.push_back(segment.end);
            errors.push_back(0.0);
            continue;
        }
        subdivide_cubic_forced(segment.start, segment.control1, segment.control2, segment.end, lowering.tolerance,
                               lowering.sigma, 0, points, errors, lowering.budget);
    }
    return true;
}

// The subpath's ring on the grid, its points and errors as recorded (source units after the
// viewport clip, or path units with the command matrix when nothing was clipped).
struct QuantizedRing {
    Clipper2Lib::Path64 ring;
    std::vector<PaintPoint> clipped_points;
    std::vector<double> clipped_errors;
    bool clipped = false;  // the clipped lists stand in for the subpath's own
    bool outside = false;  // nothing of the subpath lies inside the clip rectangle
};

void quantize_subpath(const FillLowering& lowering, const std::vector<PaintPoint>& points,
                      const std::vector<double>& errors, QuantizedRing& out) {
    out = QuantizedRing{};
    if (!box_non_empty(lowering.clip_rect)) {
        out.ring = quantize_ring(lowering.params, points, lowering.command);
        return;
    }
    // Most paint lies inside the page: look before copying anything.
    bool inside = true;
    for (const PaintPoint& p : points) {
        const PaintPoint mapped = map_point(lowering.command.matrix, p);
        // A point the clip cannot place would otherwise be dropped silently.
        if (!std::isfinite(mapped.x) || !std::isfinite(mapped.y))
            throw std::range_error("numeric_range_error");
        inside = inside && mapped.x >= lowering.clip_rect.xmin && mapped.x <= lowering.clip_rect.xmax &&
                 mapped.y >= lowering.clip_rect.ymin && mapped.y <= lowering.clip_rect.ymax;
    }
    if (inside) {
        out.ring = quantize_ring(lowering.params, points, lowering.command);
        return;
    }
    out.clipped_points.reserve(points.size());
    for (const PaintPoint& p : points)
        out.clipped_points.push_back(map_point(lowering.command.matrix, p));
    out.clipped = true;
    out.clipped_errors = errors;
    clip_ring_to_rect(out.clipped_points, out.clipped_errors, lowering.clip_rect);
    if (out.clipped_points.empty()) {
        out.outside = true;
        return;
    }
    out.ring = quantize_ring(lowering.params, out.clipped_points, kIdentityPaintMatrix);
}

bool ring_collapsed(const Clipper2Lib::Path64& ring) noexcept {
    return ring.size() < 3 || ring_area_is_zero(ring);
}

// A clipped ring that collapsed only in the margin around the viewport never could have printed:
// it is out of view, not a collapse of printable paint.
bool collapsed_out_of_view(const FillLowering& lowering, const QuantizedRing& quantized) noexcept {
    if (!quantized.clipped)
        return false;
    DoubleBox box;
    for (const PaintPoint& p : quantized.clipped_points) {
        box.xmin = std::min(box.xmin, p.x);
        box.ymin = std::min(box.ymin, p.y);
        box.xmax = std::max(box.xmax, p.x);
        box.ymax = std::max(box.ymax, p.y);
    }
    const DoubleBox& view = lowering.params.clip_rect;
    return box.xmin > view.xmax || box.xmax < view.xmin || box.ymin > view.ymax || box.ymax < view.ymin;
}

void lower_subpath(const FillLowering& lowering, std::vector<PaintPoint>& points, std::vector<double>& errors,
                   const std::vector<FillSegment>& segments, bool area_potential, std::int32_t subpath_index,
                   const ErrorPair& envelope, Clipper2Lib::Paths64& rings, std::vector<FragmentEntry>& fragments,
                   std::uint64_t& viewport_dropped) {
    if (points.empty())
        return;
    const PaintMatrix& matrix = lowering.command.matrix;
    auto fragment = [&](UnprintableReason reason) { fragments.push_back(FragmentEntry::make(reason, subpath_index)); };
    auto without_area = [&] {
        return distinct_point_count(points) < 2 ? UnprintableReason::point_only : UnprintableReason::line_only;
    };
    // At most once per subpath, and only for subpaths that should enclose area.
    bool flattened_again = false;
    auto try_flatten_again = [&] {
        flattened_again = true;
        return flatten_again(lowering, points, errors, segments);
    };

    if (points.size() < 3 && area_potential)
        try_flatten_again();
    if (points.size() < 3) {
        fragment(area_potential ? UnprintableReason::area_collapse : without_area());
        return;
    }
    if (mapped_points_collinear(points, matrix)) {
        if (!area_potential) {
            fragment(without_area());
            return;
        }
        bool collapsed = flattened_again;
        if (!collapsed) {
            try_flatten_again();
            collapsed = mapped_points_collinear(points, matrix);
        }
        if (collapsed) {
            fragment(UnprintableReason::area_collapse);
            return;
        }
    }
    QuantizedRing quantized;
    quantize_subpath(lowering, points, errors, quantized);
    if (!quantized.outside && ring_collapsed(quantized.ring) && area_potential && !flattened_again) {
        if (try_flatten_again())
            quantize_subpath(lowering, points, errors, quantized);
    }
    if (quantized.outside) {
        ++viewport_dropped;
        return;
    }
    if (ring_collapsed(quantized.ring)) {
        if (collapsed_out_of_view(lowering, quantized)) {
            ++viewport_dropped;
        } else {
            fragment(UnprintableReason::area_collapse);
        }
        return;
    }
    if (quantized.clipped) {
        record_approximation_errors(quantized.clipped_points, kIdentityPaintMatrix, envelope, quantized.clipped_errors,
                                    lowering.params.precision_records);
    } else {
        record_approximation_errors(points, matrix, envelope, errors, lowering.params.precision_records);
    }
    charge_lowered_ring(lowering.budget);
    rings.push_back(std::move(quantized.ring));
}

void lower_and_clear(const FillLowering& lowering, std::vector<PaintPoint>& points, std::vector<double>& errors,
                     std::vector<FillSegment>& segments, bool area_potential, std::int32_t subpath_index,
                     const ErrorPair& envelope, Clipper2Lib::Paths64& rings, std::vector<FragmentEntry>& fragments,
                     std::uint64_t& viewport_dropped) {
    lower_subpath(lowering, points, errors, segments, area_potential, subpath_index, envelope, rings, fragments,
                  viewport_dropped);
    points.clear();
    errors.clear();
    segments.clear();
}

}  // namespace

void normalize_subpath(std::vector<PaintPoint>& points, std::vector<double>& errors, std::vector<FillSegment>& segments,
                       const PaintCommand& command, bool area_potential, std::int32_t subpath_index,
                       const ReplayParams& params, const ErrorPair& envelope, Clipper2Lib::Paths64& rings,
                       std::vector<FragmentEntry>& fragments, std::uint64_t& viewport_dropped) {
    const FillLowering lowering = make_fill_lowering(command, params);
    lower_and_clear(lowering, points, errors, segments, area_potential, subpath_index, envelope, rings, fragments,
                    viewport_dropped);
}

Clipper2Lib::Paths64 normalize_fill_path(const PaintCommand& command, const ReplayParams& params,
                                         std::vector<FragmentEntry>& fragments) {
    const FillLowering lowering = make_fill_lowering(command, params);
    Clipper2Lib::Paths64 rings;
    if (!is_positive_finite(lowering.sigma))
        return rings;

    const PointErrorModel error_model = make_point_error_model(command, true);
    const std::vector<PaintPoint>& source = command.path_points;
    std::vector<PaintPoint> points;
    std::vector<double> errors;
    std::vector<FillSegment> segments;
    ErrorPair envelope;
    PaintPoint current{};
    PaintPoint start{};
    bool has_current_point = false;
    std::int32_t subpath_index = -1;
    std::int32_t next_index = 0;
    bool area_potential = true;
    std::uint64_t viewport_dropped = 0;
    std::size_t cursor = 0;

    auto take = [&](std::size_t count) -> const PaintPoint* {
        if (count > source.size() - cursor)
            throw std::out_of_range("invalid vector subscript");
        const PaintPoint* first = source.data() + cursor;
        cursor += count;
        return first;
    };
    auto lower_pending = [&] {
        lower_and_clear(lowering, points, errors, segments, area_potential, subpath_index, envelope, rings, fragments,
                        viewport_dropped);
        envelope = ErrorPair{};
    };
    auto append_point = [&](const PaintPoint& p, double error) {
        charge_lowered_points(lowering.budget, 1);
        points.push_back(p);
        errors.push_back(error);
    };
    // A drawing verb after `close` starts again at the subpath's start point.
    auto reopen_after_close = [&] {
        if (points.empty() && has_current_point) {
            widen(envelope, error_model.error_at(current));
            append_point(current, 0.0);
        }
    };

    for (const PathVerb verb : command.path_verbs) {
        switch (verb) {
        case PathVerb::move_to: {
            const PaintPoint& p = *take(1);
            lower_pending();
            subpath_index = next_index++;
            const auto slot = static_cast<std::size_t>(subpath_index);
            area_potential = slot >= command.source_subpath_area_potential.size() ||
                             command.source_subpath_area_potential[slot] != 0;
            widen(envelope, error_model.error_at(p));
            current = p;
            start = p;
            has_current_point = true;
            append_point(p, 0.0);
            break;
        }
        case PathVerb::line_to: {
            const PaintPoint& p = *take(1);
            widen(envelope, error_model.error_at(p));
            reopen_after_close();
            // Geometry before any move_to starts where it is first drawn.
            const PaintPoint from = has_current_point ? current : p;
            segments.push_back(FillSegment{from, PaintPoint{}, PaintPoint{}, p, false});
            current = p;
            has_current_point = true;
            append_point(p, 0.0);
            break;
        }
        case PathVerb::cubic_to: {
            const PaintPoint* c = take(3);
            widen(envelope, error_model.error_at(c[0]));
            widen(envelope, error_model.error_at(c[1]));
            widen(envelope, error_model.error_at(c[2]));
            reopen_after_close();
            const PaintPoint from = has_current_point ? current : c[0];
            if (!has_current_point)
                append_point(from, 0.0);
            segments.push_back(FillSegment{from, c[0], c[1], c[2], true});
            subdivide_cubic(from, c[0], c[1], c[2], lowering.tolerance, lowering.sigma, 0, points, errors,
                            lowering.budget);
            current = c[2];
            has_current_point = true;
            break;
        }
        case PathVerb::close:
            // Unlike strokes (-1), fill fragments of segments drawn after a close keep the
            // subpath's index: they still belong to the area that move_to opened.
            lower_pending();
            if (has_current_point)
                current = start;
            break;
        default:
            break;  // out-of-table verbs carry no points and draw nothing
        }
    }
    lower_pending();
    if (command.path_verbs.empty())
        fragments.push_back(FragmentEntry::make(UnprintableReason::empty_path, -1));
    // Everything the command drew lies outside the viewport: report it as the replay reports
    // paint that a clip removes entirely.
    if (rings.empty() && viewport_dropped > 0) {
        fragments.push_back(FragmentEntry::make(UnprintableReason::clipped_out, -1));
    }
    return rings;
}

PreparedNormalization prepare_fill(const PaintCommand& command, const ReplayParams& params) {
    if (params.budget == nullptr)
        throw std::logic_error("missing_complexity_budget");
    ComplexityBudget& budget = *params.budget;
    const std::size_t first_record = params.precision_records != nullptr ? params.precision_records->size() : 0;

    PreparedNormalization prepared;
    Clipper2Lib::Paths64 rings = normalize_fill_path(command, params, prepared.fragments);
    charge_budget(budget, BudgetCounter::clipper_input_points, total_point_count(rings));
    prepared.lowering_error_bound = command_lowering_error_bound(params, first_record);
    const ErrorPair input_error = analyze_command_precision(command, false);
    prepared.input_precision_error_x = input_error.x;
    prepared.input_precision_error_y = input_error.y;

    if (!rings.empty()) {
        const Clipper2Lib::FillRule rule = command.fill_rule == PaintFillRule::evenodd ? Clipper2Lib::FillRule::EvenOdd
                                                                                       : Clipper2Lib::FillRule::NonZero;
        prepared.geometry = clipper_boolean(Clipper2Lib::ClipType::Union, rule, rings);
        charge_clipper_output(budget, prepared.geometry);
        if (prepared.geometry.empty()) {
            prepared.fragments.push_back(FragmentEntry::make(UnprintableReason::fill_rule_cancelled, -1));
        }
    }
    return prepared;
}

}  // namespace pavrix_svg_core
