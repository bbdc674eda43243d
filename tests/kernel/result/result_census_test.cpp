#include "kernel/result/result_census.h"

#include <cmath>
#include <functional>
#include <vector>

#include <gtest/gtest.h>

namespace pavrix_svg_core {
namespace {

// One geometry of one square polygon, written column by column.
void add_square_geometry(GeometryCollection& c, std::int32_t kind, std::array<double, 4> colour,
                         const std::vector<double>& weights) {
    const std::int64_t square[] = {0, 0, 10, 0, 10, 10, 0, 10, 0, 0};
    c.coordinates.insert(c.coordinates.end(), std::begin(square), std::end(square));
    c.ring_offsets.push_back(c.coordinates.size() / 2);
    c.hole_parent.push_back(-1);
    c.polygon_offsets.push_back(c.ring_offsets.size() - 1);
    c.geometry_offsets.push_back(c.polygon_offsets.size() - 1);
    for (const double channel : colour) {
        c.rgba_f64.push_back(channel);
        c.rgba.push_back(static_cast<std::uint8_t>(std::lround(channel * 255.0)));
    }
    c.draw_indices.push_back(kind == 2 ? 0 : 3);
    c.source_indices.push_back(-1);
    c.source_kinds.push_back(kind);
    for (const double weight : weights) {
        c.contributor_draw_indices.push_back(3);
        c.contributor_source_indices.push_back(-1);
        c.contributor_source_kinds.push_back(kind);
        c.contributor_weights.push_back(weight);
    }
    c.contributor_offsets.push_back(c.contributor_draw_indices.size());
}

// A supported-looking result: one raw and one visible paint, one black silhouette.
std::shared_ptr<NativeResult> painted_result() {
    auto result = make_native_result();
    result->input_paint_count = 1;
    add_square_geometry(result->raw, 0, {1.0, 0.0, 0.0, 0.5}, {0.5});
    add_square_geometry(result->visible, 0, {1.0, 0.0, 0.0, 0.5}, {0.5});
    add_square_geometry(result->silhouette, 2, {0.0, 0.0, 0.0, 1.0}, {});
    return result;
}

TEST(OffsetsAreMonotone, Table) {
    struct Case {
        const char* why;
        std::vector<std::uint64_t> offsets;
        std::uint64_t total;
        bool expected;
    };
    const Case cases[] = {
        {"fresh", {0}, 0, true},           {"steps", {0, 4, 4, 9}, 9, true},
        {"empty array", {}, 0, false},     {"does not start at 0", {1, 9}, 9, false},
        {"wrong total", {0, 4}, 5, false}, {"decreases", {0, 5, 4, 9}, 9, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(offsets_are_monotone(c.offsets, c.total), c.expected) << c.why;
}

TEST(ResultCensus, FreshResultPasses) {
    auto result = make_native_result();
    EXPECT_EQ(result->status, "invalid");
    EXPECT_EQ(result->reason_code, "invalid_svg");
    EXPECT_EQ(result->schema_version, 4u);
    EXPECT_EQ(result->raw.geometry_offsets, std::vector<std::uint64_t>{0});
    EXPECT_TRUE(result_census(*result));
}

TEST(ResultCensus, DamagedResultsFail) {
    struct Case {
        const char* why;
        std::function<void(NativeResult&)> damage;
        bool expected;
    };
    const Case cases[] = {
        {"untouched", [](NativeResult&) {}, true},
        {"kind 0 without contributors",
         [](NativeResult& r) {
             r.raw = init_geometry_collection();
             add_square_geometry(r.raw, 0, {1, 0, 0, 1}, {});
         },
         false},
        {"weights sum to alpha + 1e-9",
         [](NativeResult& r) {
             r.raw = init_geometry_collection();
             add_square_geometry(r.raw, 0, {1, 0, 0, 0.5}, {0.25, 0.25 + 1e-9});
         },
         false},
        {"weights sum to alpha - 1e-9",
         [](NativeResult& r) {
             r.raw = init_geometry_collection();
             add_square_geometry(r.raw, 0, {1, 0, 0, 0.5}, {0.5 - 1e-9});
         },
         false},
        {"two weights summing to alpha",
         [](NativeResult& r) {
             r.raw = init_geometry_collection();
             add_square_geometry(r.raw, 3, {1, 0, 0, 0.75}, {0.5, 0.25});
         },
         true},
        {"silhouette byte alpha 254", [](NativeResult& r) { r.silhouette.rgba[3] = 254; }, false},
        {"silhouette with a source index", [](NativeResult& r) { r.silhouette.source_indices[0] = 0; }, false},
        {"silhouette with contributors",
         [](NativeResult& r) {
             r.silhouette = init_geometry_collection();
             add_square_geometry(r.silhouette, 2, {0, 0, 0, 1}, {1.0});
         },
         false},
        {"silhouette missing while paint exists", [](NativeResult& r) { r.silhouette = init_geometry_collection(); },
         false},
        {"silhouette without any paint",
         [](NativeResult& r) {
             r.raw = init_geometry_collection();
             r.visible = init_geometry_collection();
         },
         false},
        {"nothing at all",
         [](NativeResult& r) {
             r.raw = init_geometry_collection();
             r.visible = init_geometry_collection();
             r.silhouette = init_geometry_collection();
         },
         true},
        {"source kind 4", [](NativeResult& r) { r.raw.source_kinds[0] = 4; }, false},
        {"colour above one", [](NativeResult& r) { r.visible.rgba_f64[0] = 1.5; }, false},
        {"ring left open", [](NativeResult& r) { r.raw.coordinates[8] = 1; }, false},
        {"ring of three rows",
         [](NativeResult& r) {
             r.raw.coordinates.resize(6);
             r.raw.coordinates[4] = 0;
             r.raw.coordinates[5] = 0;
             r.raw.ring_offsets[1] = 3;
         },
         false},
        {"hole parent pointing at itself", [](NativeResult& r) { r.raw.hole_parent[0] = 0; }, false},
        {"hole parent below -1", [](NativeResult& r) { r.raw.hole_parent[0] = -2; }, false},
        {"empty polygon",
         [](NativeResult& r) {
             r.raw.polygon_offsets.push_back(1);
             r.raw.geometry_offsets.back() = 2;
         },
         false},
        {"odd coordinate count", [](NativeResult& r) { r.raw.coordinates.push_back(0); }, false},
        {"more raw geometries than paints", [](NativeResult& r) { r.input_paint_count = 0; }, false},
        {"fragment colour bytes missing",
         [](NativeResult& r) {
             auto& f = r.unprintable_fragments;
             f.reason_ids.push_back(3);
             f.rgba_f64.assign(4, 0.0);
             f.draw_indices.push_back(0);
             f.source_indices.push_back(0);
             f.source_kinds.push_back(0);
             f.subpath_indices.push_back(-1);
         },
         false},
    };
    for (const Case& c : cases) {
        auto result = painted_result();
        c.damage(*result);
        EXPECT_EQ(result_census(*result), c.expected) << c.why;
    }
}

}  // namespace
}  // namespace pavrix_svg_core
