#pragma once

// The result of one analysis: scalar figures, stage timings, the raw, visible and silhouette
// geometry collections and the unprintable fragments, all as flat columns so that the Python
// layer can expose them as arrays without copying.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "recorder/paint_command.h"

namespace pavrix_svg_core {

// A sequence of geometries; a geometry is a sequence of polygons; a polygon is one exterior ring
// followed by its holes; a ring is stored closed (first point repeated at its end).
struct GeometryCollection {
    std::vector<std::int64_t> coordinates;        // x, y alternating
    std::vector<std::uint64_t> ring_offsets;      // points, leading 0
    std::vector<std::uint64_t> polygon_offsets;   // rings, leading 0
    std::vector<std::uint64_t> geometry_offsets;  // polygons, leading 0
    std::vector<std::int64_t> hole_parent;        // -1 or the exterior ring's collection-wide index
    std::vector<std::uint8_t> rgba;               // 4 per geometry
    std::vector<double> rgba_f64;                 // 4 per geometry
    std::vector<std::int32_t> draw_indices;
    std::vector<std::int32_t> source_indices;
    std::vector<std::int32_t> source_kinds;          // 0 fill, 1 stroke, 2 silhouette
    std::vector<std::uint64_t> contributor_offsets;  // leading 0
    std::vector<std::int32_t> contributor_draw_indices;
    std::vector<std::int32_t> contributor_source_indices;
    std::vector<std::int32_t> contributor_source_kinds;
    std::vector<double> contributor_weights;
};

// The four offset arrays hold a single 0.
GeometryCollection init_geometry_collection();

struct UnprintableFragmentCollection {
    std::vector<std::int32_t> reason_ids;  // UnprintableReason
    std::vector<std::uint8_t> rgba;        // 4 per fragment
    std::vector<double> rgba_f64;          // 4 per fragment
    std::vector<std::int32_t> draw_indices;
    std::vector<std::int32_t> source_indices;
    std::vector<std::int32_t> source_kinds;     // 0 fill, 1 stroke
    std::vector<std::int32_t> subpath_indices;  // -1 for the whole command or region
};

// Always held by shared ownership, so that views of its collections can keep it alive.
struct NativeResult : std::enable_shared_from_this<NativeResult> {
    std::string status = "invalid";
    std::string reason_code = "invalid_svg";
    std::uint32_t schema_version = kPaintSchemaVersion;
    std::array<double, 4> bbox{0.0, 0.0, 0.0, 0.0};
    std::array<double, 4> viewport_bounds{0.0, 0.0, 0.0, 0.0};
    bool image_vectorizer_origin = false;
    double scale_factor = 0.0;
    double grid_to_source_unit = 0.0;
    double max_flattening_error_mm = 0.0;
    double max_quantization_error_mm = 0.0;
    double recorder_seconds = 0.0;
    double kernel_seconds = 0.0;
    double bounds_seconds = 0.0;
    double replay_seconds = 0.0;
    double topology_seconds = 0.0;
    double normalization_raw_seconds = 0.0;
    double composite_seconds = 0.0;
    double normalization_visible_seconds = 0.0;
    double export_seconds = 0.0;
    std::uint32_t replay_worker_count = 0;
    double result_conversion_seconds = 0.0;
    std::uint64_t input_paint_count = 0;
    GeometryCollection raw = init_geometry_collection();
    GeometryCollection visible = init_geometry_collection();
    GeometryCollection silhouette = init_geometry_collection();
    UnprintableFragmentCollection unprintable_fragments;
};

std::shared_ptr<NativeResult> make_native_result();

}  // namespace pavrix_svg_core
