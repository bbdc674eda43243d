// Canonical faces: coverage by positive winding, traced and cut into simple loops.

#include "kernel/topology/canonical_faces.h"

#include <gtest/gtest.h>

#include <random>
#include <stdexcept>
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

double doubled(Int192 area) {
    const bool negative = area.w2 < 0;
    if (negative) {  // two's complement over three words
        area.w0 = ~area.w0 + 1;
        area.w1 = ~area.w1 + (area.w0 == 0 ? 1 : 0);
        area.w2 =
            static_cast<std::int64_t>(~static_cast<std::uint64_t>(area.w2) + (area.w0 == 0 && area.w1 == 0 ? 1 : 0));
    }
    const double magnitude = static_cast<double>(static_cast<std::uint64_t>(area.w2)) * 0x1p128 +
                             static_cast<double>(area.w1) * 0x1p64 + static_cast<double>(area.w0);
    return negative ? -magnitude : magnitude;
}

struct FaceCase {
    std::string name;
    Paths64 rings;
    std::size_t loops;
    double doubled_area;  // sum over loops: exteriors add, holes subtract
};

class ExtractCanonicalFaces : public ::testing::TestWithParam<FaceCase> {};

TEST_P(ExtractCanonicalFaces, CoverageAndOrientation) {
    const FaceCase& c = GetParam();
    const std::vector<FaceLoop> loops = extract_canonical_faces(c.rings);
    ASSERT_EQ(loops.size(), c.loops);
    double total = 0;
    for (const FaceLoop& loop : loops) {
        EXPECT_FALSE(ring_is_degenerate(loop.ring));
        EXPECT_EQ(doubled(loop.area), doubled(doubled_area_192(loop.ring)));
        total += doubled(loop.area);
    }
    EXPECT_EQ(total, c.doubled_area);
}

Path64 closed(Path64 ring) {
    ring.push_back(ring.front());
    return ring;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ExtractCanonicalFaces,
    ::testing::Values(
        FaceCase{"ccw_square_covers", {square(0, 0, 10)}, 1, 200},
        FaceCase{"cw_square_alone_covers_nothing", {square(0, 0, 10, false)}, 0, 0},
        FaceCase{"doubled_square_is_one_exterior", {square(0, 0, 10), square(0, 0, 10)}, 1, 200},
        FaceCase{"square_and_reverse_cancel", {square(0, 0, 10), square(0, 0, 10, false)}, 0, 0},
        FaceCase{"square_with_hole", {square(0, 0, 10), square(2, 2, 6, false)}, 2, 200 - 72},
        FaceCase{"island_in_hole", {square(0, 0, 10), square(2, 2, 6, false), square(4, 4, 2)}, 3, 200 - 72 + 8},
        FaceCase{"corner_touching_squares_stay_apart", {square(0, 0, 10), square(10, 10, 10)}, 2, 400},
        FaceCase{"hole_touching_exterior_at_a_vertex", {square(0, 0, 10), {{0, 0}, {4, 8}, {8, 4}}}, 2, 200 - 48},
        FaceCase{"closing_point_repeated", {closed(square(0, 0, 10)), closed(square(2, 2, 6, false))}, 2, 128},
        FaceCase{"bow_tie_keeps_its_ccw_lobe", {{{0, 0}, {5, 5}, {10, 10}, {10, 0}, {5, 5}, {0, 10}}}, 1, 50},
        FaceCase{"shared_edge_cancels", {square(0, 0, 10), square(10, 0, 10)}, 1, 400},
        FaceCase{"degenerate_rings_cover_nothing", {{{0, 0}, {5, 5}}, {{1, 1}, {1, 1}, {1, 1}}, {}}, 0, 0},
        FaceCase{"disjoint_component_inside_hole",
                 {square(0, 0, 30), square(5, 5, 20, false), square(10, 10, 10), square(12, 12, 6, false)},
                 4,
                 1800 - 800 + 200 - 72}),
    [](const auto& info) { return info.param.name; });

TEST(CompareDirectionExact, CounterClockwiseFromPositiveX) {
    struct Case {
        Point64 a, b;
        bool before;
    };
    const Case cases[] = {
        {{1, 0}, {0, 1}, true},  // upper half, b counter-clockwise of a
        {{0, 1}, {1, 0}, false},
        {{-1, 0}, {0, -1}, true},   // both lower half
        {{1, -1}, {-1, 0}, false},  // lower half after upper
        {{1, 0}, {2, 0}, true},     // same direction: shorter first
        {{2, 0}, {1, 0}, false},
        {{0, 0}, {1, 0}, true},                                               // zero vector sorts first
        {{3037000499LL, 3037000499LL}, {3037000500LL, 3037000498LL}, false},  // needs 128 bits
    };
    for (const Case& c : cases) {
        EXPECT_EQ(compare_direction_exact(c.a, c.b), c.before)
            << c.a.x << "," << c.a.y << " vs " << c.b.x << "," << c.b.y;
    }
}

TEST(SplitFaceRing, CutsAtRepeatedVertices) {
    struct Case {
        const char* name;
        Path64 ring;
        std::vector<double> areas;  // doubled, in closing order
    };
    const Case cases[] = {
        {"simple", square(0, 0, 2), {8}},
        {"figure_eight", {{0, 0}, {2, 0}, {2, 2}, {0, 0}, {-2, 0}, {-2, -2}}, {4, 4}},
        {"consecutive_duplicate_dropped", {{0, 0}, {2, 0}, {2, 0}, {2, 2}}, {4}},
        {"collinear_spike_dropped", {{0, 0}, {4, 0}, {6, 0}, {4, 0}, {4, 4}}, {16}},
        {"all_collinear", {{0, 0}, {1, 1}, {2, 2}}, {}},
        // Past the small-ring scan: the repeated vertex is found through the hash map.
        {"figure_eight_of_24_points",
         {{0, 0},  {1, 0},   {2, 0},   {3, 0},   {4, 0},   {4, 1},   {4, 2},   {4, 3},
          {4, 4},  {3, 3},   {2, 2},   {1, 1},   {0, 0},   {-1, 0},  {-2, 0},  {-3, 0},
          {-4, 0}, {-4, -1}, {-4, -2}, {-4, -3}, {-4, -4}, {-3, -3}, {-2, -2}, {-1, -1}},
         {16, 16}},
    };
    for (const Case& c : cases) {
        std::vector<FaceLoop> loops;
        split_face_ring(c.ring, loops);
        ASSERT_EQ(loops.size(), c.areas.size()) << c.name;
        for (std::size_t i = 0; i < loops.size(); ++i) {
            EXPECT_EQ(doubled(loops[i].area), c.areas[i]) << c.name;
        }
    }
}

TEST(RingIsDegenerate, CollinearOrShort) {
    EXPECT_TRUE(ring_is_degenerate(Path64({{0, 0}, {1, 1}})));
    EXPECT_TRUE(ring_is_degenerate(Path64{{0, 0}, {1, 1}, {2, 2}, {1, 1}}));
    EXPECT_FALSE(ring_is_degenerate(Path64{{0, 0}, {1, 0}, {1, 1}}));
}

TEST(ExtractCanonicalFaces, MillionVertexRingDoesNotRecurse) {
    // A comb of 10^6 vertices: one face orbit and one traced ring of that length.
    constexpr std::int64_t kTeeth = 1000000;
    Path64 ring{Point64(0, 0), Point64(kTeeth - 1, std::int64_t{0})};
    for (std::int64_t i = kTeeth - 1; i >= 0; --i) {
        ring.push_back({i, 10 + (i % 2) * 5});
    }
    const std::vector<FaceLoop> loops = extract_canonical_faces(Paths64{ring});
    ASSERT_EQ(loops.size(), 1u);
    EXPECT_EQ(doubled(loops[0].area), doubled(doubled_area_192(ring)));
}

TEST(ExtractCanonicalFaces, CrossingInputEndsInLoopsOrTheNamedError) {
    // Rings that cross away from shared vertices break the input contract: the result is
    // unspecified, but the call must end with loops or the named error, never loop or crash.
    std::mt19937_64 random(3);
    std::uniform_int_distribution<std::int64_t> coordinate(-20, 20);
    for (int soup = 0; soup < 200; ++soup) {
        Paths64 rings(4);
        for (Path64& ring : rings) {
            for (int i = 0; i < 6; ++i) {
                ring.push_back({coordinate(random), coordinate(random)});
            }
        }
        try {
            extract_canonical_faces(rings);
        } catch (const std::runtime_error& error) {
            EXPECT_EQ(std::string(error.what()), "canonical_face_did_not_close:paths=4");
        }
    }
}

TEST(ExtractCanonicalFaces, DoublePointsGiveTheSameFaces) {
    const Clipper2Lib::PathsD rings{{{0, 0}, {10, 0}, {10, 10}, {0, 10}}, {{2, 2}, {2, 8}, {8, 8}, {8, 2}}};
    const auto loops = extract_canonical_faces(rings);
    ASSERT_EQ(loops.size(), 2u);
    EXPECT_EQ(loops[0].area + loops[1].area, 128.0);
}

}  // namespace
