// Flat boolean results nested by our own code: the listing must equal the one Clipper2's result
// tree gives, and hot-pixel queries pruned along the edge must find exactly the cells it passes.

#include "kernel/topology/grid_projection.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <utility>
#include <vector>

#include "kernel/topology/box_tree.h"
#include "kernel/topology/original_grid_routing.h"

namespace {

using namespace pavrix_svg_core;
using Clipper2Lib::Path64;
using Clipper2Lib::Paths64;
using Clipper2Lib::Point64;

Path64 square(std::int64_t x0, std::int64_t y0, std::int64_t size, bool clockwise = false) {
    Path64 ring{{x0, y0}, {x0 + size, y0}, {x0 + size, y0 + size}, {x0, y0 + size}};
    if (clockwise) {
        std::reverse(ring.begin(), ring.end());
    }
    return ring;
}

bool point_less(const Point64& p, const Point64& q) {
    return p.x != q.x ? p.x < q.x : p.y < q.y;
}

// Clipper2's own union of the rings, listed from its result tree.
Paths64 tree_listing(const Paths64& rings) {
    Clipper2Lib::Clipper64 clipper;
    clipper.AddSubject(rings);
    Clipper2Lib::PolyTree64 tree;
    EXPECT_TRUE(clipper.Execute(Clipper2Lib::ClipType::Union, Clipper2Lib::FillRule::NonZero, tree));
    return polytree_to_paths(tree);
}

TEST(TreeOrder, MatchesResultTreeListing) {
    const std::pair<const char*, Paths64> cases[] = {
        {"empty", {}},
        {"disjoint", {square(0, 0, 10), square(20, 0, 10), square(40, 0, 10)}},
        {"hole_with_island_and_neighbour",
         {square(0, 0, 100), square(10, 10, 80, true), square(30, 30, 20), square(200, 0, 50)}},
        {"two_holes_each_with_island",
         {square(0, 0, 100), square(10, 10, 30, true), square(60, 60, 30, true), square(20, 20, 5), square(70, 70, 5)}},
        {"deep_nesting",
         {square(0, 0, 100), square(5, 5, 90, true), square(10, 10, 80), square(15, 15, 70, true), square(20, 20, 60),
          square(25, 25, 50, true), square(30, 30, 40)}},
        {"corner_touching_squares", {square(0, 0, 10), square(10, 10, 10), square(20, 0, 10)}}};
    for (const auto& [name, rings] : cases) {
        SCOPED_TRACE(name);
        EXPECT_EQ(union_in_tree_order(rings, "failed"), tree_listing(rings));
    }
}

// Random overlapping squares: unions with many holes and islands, some touching. Where rings
// touch, the engine's own owner may differ from the smallest container, so only the ring set is
// compared.
TEST(TreeOrder, RandomSquaresSameRings) {
    std::mt19937_64 random(7);
    for (int round = 0; round < 50; ++round) {
        Paths64 rings;
        for (int i = 0; i < 30; ++i) {
            const auto x = static_cast<std::int64_t>(random() % 200);
            const auto y = static_cast<std::int64_t>(random() % 200);
            rings.push_back(square(x, y, 5 + static_cast<std::int64_t>(random() % 60), random() % 3 == 0));
        }
        Paths64 flat = union_in_tree_order(rings, "failed");
        Paths64 listed = tree_listing(rings);
        auto before = [](const Path64& p, const Path64& q) {
            return std::lexicographical_compare(p.begin(), p.end(), q.begin(), q.end(), point_less);
        };
        std::sort(flat.begin(), flat.end(), before);
        std::sort(listed.begin(), listed.end(), before);
        EXPECT_EQ(flat, listed) << "round " << round;
    }
}

TEST(SegmentMeetsCells, Range) {
    constexpr std::int64_t kFar = (std::int64_t{1} << 61) - 1;
    struct {
        const char* name;
        std::int64_t a, b, low, high;
        bool meets;
    } const cases[] = {{"inside", 0, 10, 4, 6, true},
                       {"end_cell", 0, 10, 10, 12, true},
                       {"beyond_end", 0, 10, 11, 12, false},
                       {"before_start", 0, 10, -5, -1, false},
                       {"start_cell", 0, 10, -3, 0, true},
                       {"reversed", 10, -10, 1, 3, true},
                       {"reversed_beyond", 10, -10, 11, 20, false},
                       {"still_inside", 5, 0, 5, 5, true},
                       {"still_outside", 5, 0, 6, 9, false},
                       {"wide_operands", -kFar, 2 * kFar, kFar - 1, kFar - 1, true},
                       {"wide_miss", -kFar, kFar, kFar - 1, kFar - 1, false}};
    for (const auto& c : cases) {
        ParameterInterval interval;
        EXPECT_EQ(segment_meets_cells(interval, c.a, c.b, c.low, c.high), c.meets) << c.name;
    }
}

// Pruned queries against every pixel tested one by one: the same cells, for edges in all
// directions over a dense patch of hot pixels.
TEST(QueryCellHits, SameAsTestingEveryPixel) {
    std::mt19937_64 random(11);
    Path64 pixels;
    for (int i = 0; i < 3000; ++i) {
        pixels.push_back({static_cast<std::int64_t>(random() % 200), static_cast<std::int64_t>(random() % 200)});
    }
    std::sort(pixels.begin(), pixels.end(), point_less);
    pixels.erase(std::unique(pixels.begin(), pixels.end()), pixels.end());
    std::vector<FaceBox<std::int64_t>> boxes;
    for (const Point64& p : pixels) {
        boxes.push_back({p.x, p.y, p.x, p.y});
    }
    const BoxTree tree = build_box_tree(boxes);
    for (int edge = 0; edge < 300; ++edge) {
        const Point64 from(static_cast<std::int64_t>(random() % 220) - 10,
                           static_cast<std::int64_t>(random() % 220) - 10);
        const Point64 to(static_cast<std::int64_t>(random() % 220) - 10,
                         static_cast<std::int64_t>(random() % 220) - 10);
        std::vector<Point64> expected;
        for (const Point64& pixel : pixels) {
            ParameterInterval interval;
            if (segment_crosses_cell(interval, from.x, to.x - from.x, pixel.x) &&
                segment_crosses_cell(interval, from.y, to.y - from.y, pixel.y)) {
                expected.push_back(pixel);
            }
        }
        std::vector<Point64> found;
        for (const CellHit& hit : query_cell_hits(tree, pixels, from, to)) {
            found.push_back(hit.point);
        }
        std::sort(found.begin(), found.end(), point_less);
        EXPECT_EQ(found, expected) << "edge " << edge;
    }
}

}  // namespace
