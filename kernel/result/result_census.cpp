#include "kernel/result/result_census.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace pavrix_svg_core {
namespace {

// Contributor weights are products and sums of opacities; this much rounding per contributor is
// what the compositors may accumulate.
constexpr double kContributorWeightTolerance = 1e-12;

bool unit_interval(double value) noexcept {
    return std::isfinite(value) && value >= 0.0 && value <= 1.0;
}

bool strictly_increasing(const std::vector<std::uint64_t>& offsets) noexcept {
    return std::adjacent_find(offsets.begin(), offsets.end(),
                              [](std::uint64_t a, std::uint64_t b) { return b <= a; }) == offsets.end();
}

bool column_lengths_agree(const GeometryCollection& c, std::uint64_t rings, std::uint64_t geometries,
                          std::uint64_t contributors) noexcept {
    return c.hole_parent.size() == rings && c.rgba.size() / 4 == geometries && c.rgba.size() % 4 == 0 &&
           c.rgba_f64.size() / 4 == geometries && c.rgba_f64.size() % 4 == 0 && c.draw_indices.size() == geometries &&
           c.source_indices.size() == geometries && c.source_kinds.size() == geometries &&
           c.contributor_offsets.size() == geometries + 1 && c.contributor_source_indices.size() == contributors &&
           c.contributor_source_kinds.size() == contributors && c.contributor_weights.size() == contributors;
}

bool geometry_is_sound(const GeometryCollection& c, std::size_t k) noexcept {
    const std::int32_t kind = c.source_kinds[k];
    if (kind < 0 || kind > 3)
        return false;
    const std::uint64_t first = c.contributor_offsets[k];
    const std::uint64_t end = c.contributor_offsets[k + 1];
    const std::uint64_t count = end - first;
    if (kind == 2 ? count != 0 : count == 0)
        return false;
    double weight_sum = 0.0;
    for (std::uint64_t i = first; i < end; ++i) {
        if (!unit_interval(c.contributor_weights[i]))
            return false;
        weight_sum += c.contributor_weights[i];
    }
    for (std::size_t channel = 0; channel < 4; ++channel) {
        if (!unit_interval(c.rgba_f64[4 * k + channel]))
            return false;
    }
    if (kind == 2)
        return true;
    const double allowed = static_cast<double>(std::max<std::uint64_t>(1, count)) * kContributorWeightTolerance;
    return std::fabs(weight_sum - c.rgba_f64[4 * k + 3]) <= allowed;
}

bool rings_are_closed(const GeometryCollection& c) noexcept {
    for (std::size_t i = 0; i + 1 < c.ring_offsets.size(); ++i) {
        const std::uint64_t first = c.ring_offsets[i];
        if (c.ring_offsets[i + 1] - first < 4)
            return false;
        const std::uint64_t last = c.ring_offsets[i + 1] - 1;
        if (c.coordinates[2 * first] != c.coordinates[2 * last] ||
            c.coordinates[2 * first + 1] != c.coordinates[2 * last + 1]) {
            return false;
        }
    }
    return true;
}

std::uint64_t geometry_count(const GeometryCollection& c) noexcept {
    return c.geometry_offsets.empty() ? 0 : c.geometry_offsets.size() - 1;
}

}  // namespace

bool offsets_are_monotone(const std::vector<std::uint64_t>& offsets, std::uint64_t total) noexcept {
    return !offsets.empty() && offsets.front() == 0 && offsets.back() == total &&
           std::is_sorted(offsets.begin(), offsets.end());
}

bool check_collection_invariants(const GeometryCollection& c) noexcept {
    if (c.coordinates.size() % 2 != 0 || c.ring_offsets.empty() || c.polygon_offsets.empty() ||
        c.geometry_offsets.empty()) {
        return false;
    }
    const std::uint64_t rings = c.ring_offsets.size() - 1;
    const std::uint64_t polygons = c.polygon_offsets.size() - 1;
    const std::uint64_t geometries = c.geometry_offsets.size() - 1;
    const std::uint64_t contributors = c.contributor_draw_indices.size();
    if (!offsets_are_monotone(c.ring_offsets, c.coordinates.size() / 2) ||
        !offsets_are_monotone(c.polygon_offsets, rings) || !offsets_are_monotone(c.geometry_offsets, polygons) ||
        !offsets_are_monotone(c.contributor_offsets, contributors)) {
        return false;
    }
    if (!column_lengths_agree(c, rings, geometries, contributors))
        return false;
    for (std::size_t k = 0; k < geometries; ++k) {
        if (!geometry_is_sound(c, k))
            return false;
    }
    if (!rings_are_closed(c))
        return false;
    if (!strictly_increasing(c.polygon_offsets) || !strictly_increasing(c.geometry_offsets))
        return false;
    for (std::size_t i = 0; i < rings; ++i) {
        if (c.hole_parent[i] < -1 || c.hole_parent[i] >= static_cast<std::int64_t>(i))
            return false;
    }
    return true;
}

bool result_census(const NativeResult& result) noexcept {
    if (!check_collection_invariants(result.raw) || !check_collection_invariants(result.visible) ||
        !check_collection_invariants(result.silhouette)) {
        return false;
    }
    const UnprintableFragmentCollection& f = result.unprintable_fragments;
    const std::size_t fragments = f.reason_ids.size();
    if (f.rgba.size() != 4 * fragments || f.rgba_f64.size() != 4 * fragments || f.draw_indices.size() != fragments ||
        f.source_indices.size() != fragments || f.source_kinds.size() != fragments ||
        f.subpath_indices.size() != fragments) {
        return false;
    }
    if (result.input_paint_count < geometry_count(result.raw))
        return false;

    const GeometryCollection& s = result.silhouette;
    if (geometry_count(result.raw) == 0 && geometry_count(result.visible) == 0)
        return geometry_count(s) == 0;
    return geometry_count(s) == 1 && s.geometry_offsets[1] >= 1 && s.rgba[0] == 0 && s.rgba[1] == 0 && s.rgba[2] == 0 &&
           s.rgba[3] == 255 && s.draw_indices[0] == 0 && s.source_indices[0] == -1 && s.source_kinds[0] == 2;
}

}  // namespace pavrix_svg_core
