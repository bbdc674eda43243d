// Original-grid routing: hot-pixel cells, rerouting after rounded contacts, and random segment
// soups whose canonical faces must match Clipper2's non-zero union.

#include "kernel/topology/original_grid_routing.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <stdexcept>
#include <vector>

#include "kernel/topology/face_nesting.h"

namespace {

using namespace pavrix_svg_core;
using Clipper2Lib::Path64;
using Clipper2Lib::Paths64;
using Clipper2Lib::Point64;

Path64 square(std::int64_t x0, std::int64_t y0, std::int64_t size) {
    return {{x0, y0}, {x0 + size, y0}, {x0 + size, y0 + size}, {x0, y0 + size}};
}

TEST(SegmentCrossesCell, HalfOpenCellsAndWideOperands) {
    constexpr std::int64_t kFar = (std::int64_t{1} << 61) - 1;
    struct Case {
        const char* name;
        std::int64_t a, b, c;
        bool expected;
    };
    const Case cases[] = {
        {"inside", 0, 10, 5, true},
        {"beyond_the_end", 0, 10, 11, false},
        {"still_along_axis_on_centre", 3, 0, 3, true},
        {"still_along_axis_elsewhere", 3, 0, 4, false},
        {"positive_cell_owns_its_lower_half", 0, 1, 1, true},  // reaches 1 - 1/2 .. 1
        {"zero_cell_owns_neither_half", -2, 1, -1, true},      // [-2, -1] meets cell -1
        {"reversed_direction", 10, -10, 2, true},
        {"only_touches_excluded_half", 1, 1, 0, false},            // [1, 2] vs (-1/2, 1/2)
        {"operands_near_the_bound", -kFar, 2 * kFar, kFar, true},  // products need 128 bits
        {"operands_near_the_bound_missing", -kFar, kFar, kFar, false},
    };
    for (const Case& c : cases) {
        ParameterInterval interval;
        EXPECT_EQ(segment_crosses_cell(interval, c.a, c.b, c.c), c.expected) << c.name;
    }
}

TEST(SegmentCrossesCell, CornerTouchNeedsBothEndsIncluded) {
    // The edge (0, 1) -> (1, 0) passes the cell of (0, 0) only at its excluded corner (1/2, 1/2).
    ParameterInterval interval;
    ASSERT_TRUE(segment_crosses_cell(interval, 0, 1, 0));
    EXPECT_FALSE(segment_crosses_cell(interval, 1, -1, 0));
}

struct RouteCase {
    const char* name;
    Paths64 rings;
    bool simple, moved;
    Paths64 expected;  // empty: not checked
};

class RouteOriginalGrid : public ::testing::TestWithParam<RouteCase> {};

TEST_P(RouteOriginalGrid, FlagsAndResult) {
    const RouteCase& c = GetParam();
    bool simple = false, moved = true;
    const Paths64 routed = route_original_grid(c.rings, &simple, &moved);
    EXPECT_EQ(simple, c.simple);
    EXPECT_EQ(moved, c.moved);
    if (!c.expected.empty()) {
        EXPECT_EQ(routed, c.expected);
    }
    SegmentArrangement check = build_arrangement(routed);
    EXPECT_EQ(extract_arrangement(check), routed);
    EXPECT_TRUE(check.no_splits);
}

const Paths64 kCornerSquares{square(0, 0, 10), square(10, 10, 10)};

INSTANTIATE_TEST_SUITE_P(
    Cases, RouteOriginalGrid,
    ::testing::Values(
        RouteCase{"shared_vertices_only", kCornerSquares, true, false, kCornerSquares},
        RouteCase{"consecutive_duplicates_dropped",
                  {{{0, 0}, {10, 0}, {10, 0}, {10, 10}, {0, 0}}},
                  true,
                  false,
                  {{{0, 0}, {10, 0}, {10, 10}}}},
        RouteCase{"integer_crossing_not_moved", {square(0, 0, 10), square(5, 5, 10)}, false, false, {}},
        RouteCase{"non_grid_crossing_rerouted", {{{0, 0}, {3, 1}, {0, 4}}, {{0, 1}, {3, 0}, {3, 4}}}, false, true, {}},
        RouteCase{"vertex_on_edge_not_simple", {square(0, 0, 10), {{10, 5}, {15, 0}, {15, 10}}}, false, false, {}},
        RouteCase{"bow_tie_crossing_off_grid", {{{0, 0}, {3, 2}, {3, 0}, {0, 2}}}, false, true, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RouteOriginalGrid, CoordinateBoundIsChecked) {
    constexpr std::int64_t kInside = kMaxRoutingCoordinate - 1;
    EXPECT_NO_THROW(route_original_grid(Paths64{{{-kInside, -kInside}, {kInside, -kInside}, {kInside, kInside}}}));
    EXPECT_THROW(
        route_original_grid(Paths64{{Point64(0, 0), Point64(kMaxRoutingCoordinate, std::int64_t{0}), Point64(0, 5)}}),
        std::range_error);
}

TEST(RouteOriginalGrid, MillionVertexRingIsReturnedUnchanged) {
    constexpr std::int64_t kTeeth = 1000000;
    Path64 ring{Point64(0, 0), Point64(kTeeth - 1, std::int64_t{0})};
    for (std::int64_t i = kTeeth - 1; i >= 0; --i) {
        ring.push_back({i, 10 + (i % 2) * 5});
    }
    bool simple = false, moved = true;
    EXPECT_EQ(route_original_grid(Paths64{ring}, &simple, &moved), Paths64{ring});
    EXPECT_TRUE(simple);
    EXPECT_FALSE(moved);
}

// Random rings in a small box cross, overlap and touch often; routing and faces must give
// non-crossing, correctly oriented rings whose coverage equals the non-zero union.
class RandomSoup : public ::testing::TestWithParam<int> {};

TEST_P(RandomSoup, FacesMatchNonZeroUnion) {
    std::mt19937_64 random(static_cast<std::uint64_t>(GetParam()));
    std::uniform_int_distribution<std::int64_t> coordinate(-40, 40);
    std::uniform_int_distribution<int> ring_size(2, 9);
    Paths64 rings(8);
    for (Path64& ring : rings) {
        const int size = ring_size(random);
        for (int i = 0; i < size; ++i) {
            ring.push_back({coordinate(random), coordinate(random)});
        }
    }
    Paths64 routed = route_original_grid(rings);
    ASSERT_EQ(routed.size(), rings.size());
    // Scaling keeps the routed topology. Clipper2 drops very small triangles and rounds contacts
    // it finds between edges that only share a vertex, each worth about one unit of length:
    // scaled up, those slips stay far below the smallest face the soup can have.
    constexpr std::int64_t kScale = 1024;
    for (Path64& ring : routed) {
        for (Point64& point : ring) {
            point = Point64(point.x * kScale, point.y * kScale);
        }
    }
    const auto expect_close = [](double ours, double clipper) {
        EXPECT_NEAR(ours, clipper, 1e-3 * std::max(1.0, clipper));
    };
    const auto faces_area = [](const Paths64& input, Paths64& face_rings) {
        FaceNode root;
        nest_faces(extract_canonical_faces(input), root);
        double covered = 0;
        std::vector<const FaceNode*> stack{&root};
        while (!stack.empty()) {
            const FaceNode* node = stack.back();
            stack.pop_back();
            for (const auto& child : node->children) {
                const double area = 2 * Clipper2Lib::Area(child->polygon);
                EXPECT_EQ(area > 0, !child->is_hole);
                EXPECT_EQ(area < 0, child->is_hole);
                EXPECT_EQ(child->is_hole, node == &root ? false : !node->is_hole);
                covered += area;
                face_rings.push_back(child->polygon);
                stack.push_back(child.get());
            }
        }
        // Output rings meet only at shared vertices and none repeats a vertex.
        SegmentArrangement check = build_arrangement(face_rings);
        extract_arrangement(check);
        EXPECT_TRUE(check.no_splits);
        EXPECT_FALSE(check.vertex_repeats_in_path);
        return covered;
    };
    // The rings' own orientation decides: coverage is positive winding.
    Paths64 face_rings;
    expect_close(faces_area(routed, face_rings),
                 2 * Clipper2Lib::Area(Clipper2Lib::Union(routed, Clipper2Lib::FillRule::Positive)));
    // After a non-zero union, routed again, the faces cover the non-zero union.
    const Paths64 united = Clipper2Lib::Union(routed, Clipper2Lib::FillRule::NonZero);
    Paths64 united_faces;
    expect_close(faces_area(route_original_grid(united), united_faces), 2 * Clipper2Lib::Area(united));
}

INSTANTIATE_TEST_SUITE_P(Seeds, RandomSoup, ::testing::Range(0, 200));

}  // namespace

namespace {

// The faces of a routed region as plain data: each node's ring and hole flag, depth first.
std::vector<std::pair<Path64, bool>> flatten_faces(const FaceNode& root) {
    std::vector<std::pair<Path64, bool>> nodes;
    std::vector<const FaceNode*> stack{&root};
    while (!stack.empty()) {
        const FaceNode* node = stack.back();
        stack.pop_back();
        nodes.emplace_back(node->polygon, node->is_hole);
        for (const auto& child : node->children) {
            stack.push_back(child.get());
        }
    }
    return nodes;
}

// A coverage-sized soup (about 19,000 segments, enough for every step to split across workers):
// small random rings crossing off the grid, routing in several rounds, and squares nested in
// squares. Routing, canonical faces and nesting give the same result for 1 and 8 workers.
TEST(RouteOriginalGrid, WorkersGiveTheSameFaces) {
    std::mt19937_64 random(11);
    std::uniform_int_distribution<std::int64_t> centre(0, 20000);
    std::uniform_int_distribution<std::int64_t> offset(-60, 60);
    Paths64 rings;
    for (int r = 0; r < 1100; ++r) {
        const std::int64_t cx = centre(random), cy = centre(random);
        Path64& ring = rings.emplace_back();
        for (int i = 0; i < 16; ++i) {
            ring.push_back({cx + offset(random), cy + offset(random)});
        }
    }
    for (std::int64_t size = 40000; size > 100; size -= 130) {
        rings.push_back(square(-20000 + (40000 - size) / 2, -20000 + (40000 - size) / 2, size));
    }
    struct Result {
        Paths64 routed;
        bool simple = false, moved = false;
        std::vector<FaceLoop> loops;
        std::vector<std::pair<Path64, bool>> faces;
    };
    const auto run = [&](std::uint32_t workers) {
        Result result;
        result.routed = route_original_grid(rings, &result.simple, &result.moved, workers);
        result.loops = extract_canonical_faces(result.routed, CoverageRule::positive, workers);
        FaceNode root;
        nest_faces(result.loops, root, workers);
        result.faces = flatten_faces(root);
        return result;
    };
    const Result one = run(1);
    const Result many = run(8);
    EXPECT_TRUE(one.moved);
    EXPECT_EQ(one.routed, many.routed);
    EXPECT_EQ(one.simple, many.simple);
    ASSERT_EQ(one.loops.size(), many.loops.size());
    for (std::size_t i = 0; i < one.loops.size(); ++i) {
        ASSERT_EQ(one.loops[i].ring, many.loops[i].ring) << i;
    }
    EXPECT_EQ(one.faces, many.faces);
}

}  // namespace
