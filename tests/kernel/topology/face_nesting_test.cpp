// Face nesting: containment tree of exteriors, holes and islands; deep input never recurses.

#include "kernel/topology/face_nesting.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

using namespace pavrix_svg_core;
using Clipper2Lib::Path64;
using Clipper2Lib::Paths64;
using Clipper2Lib::Point64;

Path64 square(std::int64_t x0, std::int64_t y0, std::int64_t size, bool counter_clockwise = true) {
    Path64 ring{{x0, y0}, {x0 + size, y0}, {x0 + size, y0 + size}, {x0, y0 + size}};
    if (!counter_clockwise) {
        std::reverse(ring.begin(), ring.end());
    }
    return ring;
}

// The tree as text: E for an exterior, H for a hole, children in brackets.
std::string shape(const FaceNode& root) {
    std::string text;
    struct Item {
        const FaceNode* node;
        std::size_t next_child;
    };
    std::vector<Item> stack{{&root, 0}};
    while (!stack.empty()) {
        Item& top = stack.back();
        if (top.next_child == top.node->children.size()) {
            stack.pop_back();
            if (!stack.empty()) {
                text += ']';
            }
            continue;
        }
        const FaceNode& child = *top.node->children[top.next_child++];
        const int sign = sign_192(doubled_area_192(child.polygon));
        EXPECT_EQ(sign, child.is_hole ? -1 : 1) << "orientation";
        text += child.is_hole ? "H[" : "E[";
        stack.push_back({&child, 0});
    }
    return text;
}

struct NestCase {
    std::string name;
    Paths64 rings;
    bool traced;  // already canonical loops: nest_face_rings instead of extract + nest
    std::string tree;
};

class NestFaces : public ::testing::TestWithParam<NestCase> {};

TEST_P(NestFaces, TreeShape) {
    const NestCase& c = GetParam();
    FaceNode root;
    if (c.traced) {
        nest_face_rings(c.rings, root);
    } else {
        nest_faces(extract_canonical_faces(c.rings), root);
    }
    EXPECT_EQ(shape(root), c.tree);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NestFaces,
    ::testing::Values(
        NestCase{"square", {square(0, 0, 10)}, false, "E[]"},
        NestCase{"square_with_hole", {square(0, 0, 10), square(2, 2, 6, false)}, false, "E[H[]]"},
        NestCase{"island_in_hole", {square(0, 0, 10), square(2, 2, 6, false), square(4, 4, 2)}, false, "E[H[E[]]]"},
        NestCase{"touching_squares", {square(0, 0, 10), square(10, 10, 10)}, false, "E[]E[]"},
        NestCase{"hole_touching_at_vertex", {square(0, 0, 10), {{0, 0}, {4, 8}, {8, 4}}}, false, "E[H[]]"},
        // A clockwise loop at the top changes nothing: no node, neither exterior nor hole.
        NestCase{"lone_clockwise_loop_makes_no_node", {square(0, 0, 10, false)}, true, ""},
        NestCase{"clockwise_loop_cancels_inner_exterior", {square(0, 0, 10, false), square(2, 2, 2)}, true, ""},
        // Every point of the triangle lies on the square: the edge midpoints decide.
        NestCase{"hole_on_exterior_edges", {square(0, 0, 10), {{0, 0}, {10, 10}, {10, 0}}}, true, "E[H[]]"},
        NestCase{"siblings_reverse_loop_order",
                 {square(0, 0, 30), square(2, 2, 4, false), square(20, 20, 4, false)},
                 true,
                 "E[H[]H[]]"}),
    [](const auto& info) { return info.param.name; });

TEST(CompareRingWinding, InsideOutsideOn) {
    const Path64 ring = square(0, 0, 10);
    struct Case {
        Point64 point;
        int expected;
    };
    const Case cases[] = {{{5, 5}, 1}, {{15, 5}, -1}, {{10, 5}, 0}, {{0, 0}, 0}, {{5, -1}, -1}, {{-1, 10}, -1}};
    for (const Case& c : cases) {
        EXPECT_EQ(compare_ring_winding(c.point, ring), c.expected) << c.point.x << "," << c.point.y;
    }
    EXPECT_EQ(compare_ring_winding(Point64(0, 0), Path64{}), -1);
}

TEST(BuildBoxTree, ZeroItemsAndBruteForceAgreement) {
    const std::vector<FaceBox<std::int64_t>> none;
    const BoxTree empty = build_box_tree(none);
    std::size_t visits = 0;
    empty.query({0, 0, 1, 1}, [&](std::size_t) { ++visits; });
    EXPECT_EQ(visits, 0u);

    std::mt19937_64 random(7);
    std::uniform_int_distribution<std::int64_t> coordinate(-1000, 1000);
    std::vector<FaceBox<std::int64_t>> boxes(500);
    for (auto& box : boxes) {
        const std::int64_t x = coordinate(random), y = coordinate(random);
        box = {x, y, x + coordinate(random) % 50 + 50, y + coordinate(random) % 50 + 50};
    }
    const BoxTree tree = build_box_tree(boxes);
    for (int q = 0; q < 50; ++q) {
        const std::int64_t x = coordinate(random), y = coordinate(random);
        const FaceBox<std::int64_t> query{x, y, x + 100, y + 100};
        std::vector<std::size_t> found;
        tree.query(query, [&](std::size_t item) { found.push_back(item); });
        std::sort(found.begin(), found.end());
        std::vector<std::size_t> expected;
        for (std::size_t i = 0; i < boxes.size(); ++i) {
            if (face_boxes_meet(boxes[i], query)) {
                expected.push_back(i);
            }
        }
        EXPECT_EQ(found, expected);
    }
}

// Above the parallel size the subtrees are built on workers at their precomputed node numbers:
// the same tree, node for node, as one thread builds.
TEST(BuildBoxTree, WorkersBuildTheSameTree) {
    std::mt19937_64 random(3);
    std::uniform_int_distribution<std::int64_t> coordinate(-100000, 100000);
    std::vector<FaceBox<std::int64_t>> boxes(3 * kParallelBoxTreeItems + 5);
    for (auto& box : boxes) {
        const std::int64_t x = coordinate(random) / (1 + box.xmin % 3), y = coordinate(random);
        box = {x, y, x + coordinate(random) % 200 + 200, y + 10};
    }
    const BoxTree one = build_box_tree(boxes, 1);
    const BoxTree many = build_box_tree(boxes, 8);
    EXPECT_EQ(one.nodes.size(), box_tree_node_count(boxes.size()));
    EXPECT_EQ(one.permutation, many.permutation);
    ASSERT_EQ(one.nodes.size(), many.nodes.size());
    for (std::size_t n = 0; n < one.nodes.size(); ++n) {
        const auto& a = one.nodes[n];
        const auto& b = many.nodes[n];
        ASSERT_TRUE(a.first == b.first && a.end == b.end && a.left == b.left && a.right == b.right &&
                    a.box.xmin == b.box.xmin && a.box.ymin == b.box.ymin && a.box.xmax == b.box.xmax &&
                    a.box.ymax == b.box.ymax)
            << n;
    }
}

TEST(NestFaces, TwoHundredThousandAlternatingSquaresDoNotRecurse) {
    constexpr std::int64_t kSquares = 200000;
    Paths64 rings;
    rings.reserve(kSquares);
    for (std::int64_t k = 0; k < kSquares; ++k) {
        rings.push_back(square(k, k, 2 * (kSquares - k), k % 2 == 0));
    }
    FaceNode root;
    nest_faces(extract_canonical_faces(rings), root);
    std::int64_t depth = 0;
    const FaceNode* node = &root;
    while (!node->children.empty()) {
        ASSERT_EQ(node->children.size(), 1u);
        node = node->children[0].get();
        EXPECT_EQ(node->is_hole, depth % 2 == 1);
        ++depth;
    }
    EXPECT_EQ(depth, kSquares);
}

TEST(NestFaceRings, DoublePointsNestLikeGridPoints) {
    const Clipper2Lib::PathsD rings{{{0, 0}, {10, 0}, {10, 10}, {0, 10}}, {{2, 2}, {2, 8}, {8, 8}, {8, 2}}};
    BasicFaceNode<double> root;
    nest_face_rings(rings, root);
    ASSERT_EQ(root.children.size(), 1u);
    ASSERT_EQ(root.children[0]->children.size(), 1u);
    EXPECT_TRUE(root.children[0]->children[0]->is_hole);
}

// A large jagged ring (long vertical edges, horizontal runs, spikes): the banded parity agrees with
// the plain one at every vertex, every edge midpoint and on a grid of points around it.
TEST(RingBands, SameParityAsTheWholeRing) {
    std::mt19937 random(5);
    Path64 ring;
    for (std::int64_t x = 0; x < 400; ++x)
        ring.push_back({x * 10, static_cast<std::int64_t>(random() % 50) + (x % 50 == 0 ? 900 : 0)});
    ring.push_back({3990, 1000});
    ring.push_back({0, 1000});
    const RingBands<std::int64_t> bands(ring);
    ASSERT_TRUE(bands.usable());
    std::vector<Point64> probes = ring;
    for (std::size_t i = 0; i < ring.size(); ++i) {
        const Point64& a = ring[i];
        const Point64& b = ring[(i + 1) % ring.size()];
        probes.push_back({(a.x + b.x) / 2, (a.y + b.y) / 2});
    }
    for (std::int64_t y = -10; y <= 1010; y += 7) {
        for (std::int64_t x = -10; x <= 4000; x += 13)
            probes.push_back({x, y});
    }
    for (const Point64& probe : probes)
        ASSERT_EQ(bands.parity(probe), compare_ring_winding(probe, ring)) << probe.x << "," << probe.y;
}

TEST(FaceNode, MillionDeepChainIsDestroyedWithoutRecursion) {
    auto root = std::make_unique<FaceNode>();
    FaceNode* tip = root.get();
    for (int i = 0; i < 1000000; ++i) {
        tip->children.push_back(std::make_unique<FaceNode>());
        tip = tip->children.back().get();
    }
    root.reset();
    SUCCEED();
}

}  // namespace
