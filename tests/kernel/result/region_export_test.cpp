#include "kernel/result/region_export.h"

#include <cmath>
#include <limits>
#include <memory>
#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

#include "kernel/result/collection_appends.h"

namespace pavrix_svg_core {
namespace {

using Clipper2Lib::Path64;
using Clipper2Lib::Paths64;

// Counter-clockwise (y up) for exteriors, clockwise for holes.
Path64 square(std::int64_t low, std::int64_t high, bool clockwise = false) {
    Path64 ring{{low, low}, {high, low}, {high, high}, {low, high}};
    if (clockwise)
        std::reverse(ring.begin(), ring.end());
    return ring;
}

ReplayRegion region_of(Paths64 paths, std::array<double, 4> colour = {0.5, 0.5, 0.5, 1.0}) {
    ReplayRegion region = init_replay_region();
    region.paths = std::move(paths);
    region.color = colour;
    region.draw_index = 2;
    region.source_index = 5;
    region.source_kind = 1;
    region.contributors.push_back({2, 5, 1, colour[3]});
    return region;
}

std::size_t geometry_count(const GeometryCollection& c) {
    return c.geometry_offsets.size() - 1;
}

TEST(ExportRegion, SquareWithHoleOneGeometryOnePolygonTwoRings) {
    struct Case {
        const char* why;
        std::size_t rings_before;
    };
    for (const Case c : {Case{"fresh collection", 0}, Case{"two rings already stored", 2}}) {
        GeometryCollection collection = init_geometry_collection();
        ComplexityBudget budget;
        for (std::size_t i = 0; i < c.rings_before; ++i)
            append_collection_ring(collection, square(50, 60), -1, budget);
        std::uint64_t displacement = 0;
        ASSERT_TRUE(export_region(collection, region_of({square(0, 10), square(3, 7, true)}), budget, displacement))
            << c.why;
        EXPECT_EQ(geometry_count(collection), 1u) << c.why;
        EXPECT_EQ(collection.polygon_offsets, (std::vector<std::uint64_t>{0, c.rings_before + 2})) << c.why;
        const std::vector<std::int64_t> parents(collection.hole_parent.end() - 2, collection.hole_parent.end());
        EXPECT_EQ(parents, (std::vector<std::int64_t>{-1, static_cast<std::int64_t>(c.rings_before)})) << c.why;
        EXPECT_EQ(displacement, 0u) << c.why;
        EXPECT_EQ(collection.contributor_offsets, (std::vector<std::uint64_t>{0, 1})) << c.why;
        EXPECT_EQ(collection.source_kinds, std::vector<std::int32_t>{1}) << c.why;
    }
}

TEST(ExportRegion, IslandInsideHoleIsSecondPolygonOfTheSameGeometry) {
    GeometryCollection collection = init_geometry_collection();
    ComplexityBudget budget;
    std::uint64_t displacement = 0;
    ASSERT_TRUE(export_region(collection, region_of({square(0, 30), square(5, 25, true), square(10, 20)}), budget,
                              displacement));
    EXPECT_EQ(collection.geometry_offsets, (std::vector<std::uint64_t>{0, 2}));
    EXPECT_EQ(collection.polygon_offsets, (std::vector<std::uint64_t>{0, 2, 3}));
    EXPECT_EQ(collection.hole_parent, (std::vector<std::int64_t>{-1, 0, -1}));
    // The island is the small square, stored after the polygon that holds the hole.
    EXPECT_EQ(collection.ring_offsets.back() - collection.ring_offsets[2], 5u);
    EXPECT_EQ(collection.coordinates[2 * collection.ring_offsets[2]] % 10, 0);
    EXPECT_EQ(budget.exported_coordinates, 15u);
}

TEST(ExportRegion, NothingAppendedWithoutPolygon) {
    struct Case {
        const char* why;
        Paths64 paths;
    };
    const Case cases[] = {
        {"no paths", {}},
        {"a clockwise ring covers nothing", {square(0, 10, true)}},
        {"a flat ring has no area", {{{0, 0}, {10, 0}, {20, 0}}}},
    };
    for (const Case& c : cases) {
        GeometryCollection collection = init_geometry_collection();
        ComplexityBudget budget;
        std::uint64_t displacement = 0;
        EXPECT_FALSE(export_region(collection, region_of(c.paths), budget, displacement)) << c.why;
        EXPECT_EQ(collection.geometry_offsets.size(), 1u) << c.why;
        EXPECT_TRUE(collection.rgba.empty()) << c.why;
    }
}

TEST(ExportRegion, ColourChannelsAreChecked) {
    struct Case {
        const char* why;
        double channel;
        const char* error;  // nullptr: accepted
        std::uint8_t byte;
    };
    const Case cases[] = {
        {"just above one", 1.0000001, "invalid_geometry_rgba", 0},
        {"not a number", std::nan(""), "invalid_geometry_rgba", 0},
        {"zero", 0.0, nullptr, 0},
        {"one", 1.0, nullptr, 255},
        {"half", 0.5, nullptr, 128},
    };
    for (const Case& c : cases) {
        GeometryCollection collection = init_geometry_collection();
        ComplexityBudget budget;
        std::uint64_t displacement = 0;
        ReplayRegion region = region_of({square(0, 10)}, {0.2, c.channel, 0.2, 1.0});
        if (c.error != nullptr) {
            try {
                export_region(collection, region, budget, displacement);
                ADD_FAILURE() << c.why;
            } catch (const std::runtime_error& error) {
                EXPECT_EQ(std::string(error.what()), c.error) << c.why;
            }
            EXPECT_EQ(collection.geometry_offsets.size(), 1u) << c.why;
            continue;
        }
        ASSERT_TRUE(export_region(collection, region, budget, displacement)) << c.why;
        EXPECT_EQ(collection.rgba[1], c.byte) << c.why;
        EXPECT_EQ(collection.rgba_f64[1], c.channel) << c.why;
    }
}

TEST(ExportRegion, ContributorWeightIsChecked) {
    GeometryCollection collection = init_geometry_collection();
    ComplexityBudget budget;
    std::uint64_t displacement = 0;
    ReplayRegion region = region_of({square(0, 10)});
    region.contributors[0].weight = -0.5;
    EXPECT_THROW(export_region(collection, region, budget, displacement), std::runtime_error);
}

TEST(ExportRegionRings, PolygonListOfSimpleRingsFollowsTheFaceTree) {
    GeometryCollection collection = init_geometry_collection();
    ComplexityBudget budget;
    std::uint64_t displacement = 0;
    std::vector<Paths64> polygons;
    export_region_rings(collection, {square(0, 30), square(5, 25, true), square(10, 20), square(40, 50)}, budget,
                        displacement, &polygons);
    ASSERT_EQ(polygons.size(), 3u);
    std::size_t with_hole = 0;
    for (const Paths64& polygon : polygons)
        with_hole += polygon.size() == 2 ? 1 : 0;
    EXPECT_EQ(with_hole, 1u);
}

// A chain exterior > hole > island > hole > ... far deeper than any call stack could follow.
std::unique_ptr<FaceNode> deep_chain(std::size_t levels) {
    auto root = std::make_unique<FaceNode>();
    FaceNode* parent = root.get();
    for (std::size_t level = 0; level < levels; ++level) {
        auto node = std::make_unique<FaceNode>();
        node->is_hole = level % 2 == 1;
        node->polygon = square(0, 10, node->is_hole);
        parent->children.push_back(std::move(node));
        parent = parent->children.back().get();
    }
    return root;
}

constexpr std::size_t kDeepLevels = 200000;

TEST(FaceTreeWalks, DeepNestingIsWalkedWithoutRecursion) {
    auto root = deep_chain(kDeepLevels);
    GeometryCollection collection = init_geometry_collection();
    ComplexityBudget budget;
    append_face_polygons(collection, *root, budget);
    EXPECT_EQ(collection.polygon_offsets.size() - 1, kDeepLevels / 2);
    EXPECT_EQ(collection.hole_parent[0], -1);
    EXPECT_EQ(collection.hole_parent[1], 0);
    EXPECT_EQ(collection.hole_parent[3], 2);

    std::vector<Paths64> polygons = face_tree_polygons(*root);
    ASSERT_EQ(polygons.size(), kDeepLevels / 2);
    EXPECT_EQ(polygons.front().size(), 2u);
    EXPECT_TRUE(root->children[0]->polygon.empty());  // rings were moved out
}

TEST(FaceTreeWalks, PolygonsComeDepthFirstInChildOrder) {
    // Two top exteriors; the first has two holes, each with one island.
    auto root = std::make_unique<FaceNode>();
    auto make = [](std::int64_t low, std::int64_t high, bool hole) {
        auto node = std::make_unique<FaceNode>();
        node->is_hole = hole;
        node->polygon = square(low, high, hole);
        return node;
    };
    auto first = make(0, 100, false);
    auto hole_a = make(10, 40, true);
    hole_a->children.push_back(make(20, 30, false));
    auto hole_b = make(60, 90, true);
    hole_b->children.push_back(make(70, 80, false));
    first->children.push_back(std::move(hole_a));
    first->children.push_back(std::move(hole_b));
    root->children.push_back(std::move(first));
    root->children.push_back(make(200, 300, false));

    const std::vector<Paths64> polygons = face_tree_polygons(*root);
    ASSERT_EQ(polygons.size(), 4u);
    const std::int64_t expected_low[] = {0, 20, 70, 200};
    for (std::size_t i = 0; i < 4; ++i)
        EXPECT_EQ(polygons[i][0][0].x, expected_low[i]) << i;
    EXPECT_EQ(polygons[0].size(), 3u);
}

TEST(ChargePolytreeOutput, CountsRingsOfAtLeastThreePoints) {
    Clipper2Lib::Clipper64 engine;
    engine.AddSubject({square(0, 30), square(5, 25, true), square(10, 20)});
    Clipper2Lib::PolyTree64 tree;
    ASSERT_TRUE(engine.Execute(Clipper2Lib::ClipType::Union, Clipper2Lib::FillRule::NonZero, tree));
    ComplexityBudget budget;
    EXPECT_EQ(charge_polytree_output(tree, budget), 3u);
    EXPECT_EQ(budget.clipper_output_paths, 3u);
    EXPECT_EQ(budget.clipper_output_points, 12u);
}

}  // namespace
}  // namespace pavrix_svg_core
