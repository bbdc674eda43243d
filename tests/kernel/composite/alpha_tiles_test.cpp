// The tiled translucent compositor: exact faces of rectangle stacks against source-over by hand,
// the colours and contributors of the piece-by-piece compositor, and one result for any tiling
// and worker count.

#include "kernel/composite/alpha_composite.h"

#include <algorithm>
#include <map>
#include <numbers>
#include <random>

#include <gtest/gtest.h>

#include "tests/kernel/composite/composite_test_support.h"

namespace pavrix_svg_core {
namespace {

using namespace composite_test;

struct Paint {
    Path64 ring;
    double r, g, b, opacity;
    int group;  // index into the case's group opacities, -1 at the root
};

struct StackCase {
    const char* why;
    std::vector<Paint> paints;
    std::vector<double> groups;  // a group opens at its first member
};

// Root children in paint order; consecutive paints of one group share it.
std::vector<PaintProgramNode> program_of(const StackCase& c) {
    std::vector<PaintProgramNode> program{{1, 0, 1.0, {}}};
    int open_group = -1;
    std::uint64_t group_node = 0;
    for (std::size_t i = 0; i < c.paints.size(); ++i) {
        std::uint64_t parent = 0;
        if (c.paints[i].group >= 0) {
            if (c.paints[i].group != open_group) {
                open_group = c.paints[i].group;
                program[0].children.push_back(program.size());
                program.push_back({1, 0, c.groups[open_group], {}});
                group_node = program.size() - 1;
            }
            parent = group_node;
        }
        program[parent].children.push_back(program.size());
        program.push_back({0, i, 1.0, {}});
    }
    return program;
}

std::vector<ReplayRegion> regions_of(const StackCase& c) {
    std::vector<ReplayRegion> regions;
    for (std::size_t i = 0; i < c.paints.size(); ++i) {
        const Paint& p = c.paints[i];
        regions.push_back(region({p.ring}, p.r, p.g, p.b, p.opacity, static_cast<std::uint32_t>(i)));
    }
    return regions;
}

// Premultiplied colour with its contributors, composited one paint at a time.
struct Blend {
    Pixel pixel;
    std::vector<std::pair<std::uint32_t, double>> weights;
    void over(const Blend& layer, double opacity) {
        const double rest = 1 - layer.pixel.a * opacity;
        pixel.over_premultiplied(layer.pixel, opacity);
        std::erase_if(weights, [rest](auto& entry) { return !((entry.second *= rest) > 0); });
        for (const auto& [draw, weight] : layer.weights)
            weights.push_back({draw, weight * opacity});
    }
};

struct ExpectedFace {
    Blend blend;
    double area = 0;
};

// Every cell of the grid drawn through all rectangle edges, keyed by its contributors.
std::map<std::vector<std::uint32_t>, ExpectedFace> exact_faces(const StackCase& c) {
    std::vector<std::int64_t> xs, ys;
    for (const Paint& p : c.paints) {
        for (const auto& point : p.ring) {
            xs.push_back(point.x);
            ys.push_back(point.y);
        }
    }
    std::ranges::sort(xs);
    std::ranges::sort(ys);
    std::map<std::vector<std::uint32_t>, ExpectedFace> faces;
    for (std::size_t i = 0; i + 1 < xs.size(); ++i) {
        for (std::size_t j = 0; j + 1 < ys.size(); ++j) {
            const double x = (xs[i] + xs[i + 1]) / 2.0, y = (ys[j] + ys[j + 1]) / 2.0;
            const double cell = static_cast<double>((xs[i + 1] - xs[i]) * (ys[j + 1] - ys[j]));
            Blend page, layer;
            int layer_group = -1;
            for (std::size_t k = 0; k <= c.paints.size(); ++k) {
                const int group = k < c.paints.size() ? c.paints[k].group : -1;
                if (layer_group >= 0 && group != layer_group) {
                    page.over(layer, c.groups[layer_group]);
                    layer = Blend{};
                }
                layer_group = group;
                if (k == c.paints.size() || cell == 0 || !covers({c.paints[k].ring}, x, y))
                    continue;
                const Paint& p = c.paints[k];
                Blend paint{{p.r, p.g, p.b, 1}, {{static_cast<std::uint32_t>(k), 1.0}}};
                (group >= 0 ? layer : page).over(paint, p.opacity);
            }
            if (page.pixel.a == 0)
                continue;
            std::vector<std::uint32_t> key;
            for (const auto& entry : page.weights)
                key.push_back(entry.first);
            faces[key].blend = page;
            faces[key].area += cell;
        }
    }
    return faces;
}

std::vector<std::uint32_t> contributor_key(const ReplayRegion& visible) {
    std::vector<std::uint32_t> key;
    for (const Contributor& contributor : visible.contributors)
        key.push_back(contributor.draw_index);
    return key;
}

AlphaCompositeResult composite(const StackCase& c, std::uint64_t tile_points, std::uint64_t workers) {
    ComplexityBudget budget;
    ReplayParams params;
    params.budget = &budget;
    params.environment.replay_threads = workers;
    return alpha_composite(regions_of(c), program_of(c), params, tile_points);
}

class RectangleStacks : public testing::TestWithParam<StackCase> {};

TEST_P(RectangleStacks, FacesAndColoursAreExactForAnyTilingAndWorkers) {
    const StackCase& c = GetParam();
    const auto expected = exact_faces(c);
    for (const std::uint64_t tile_points : {kAlphaTilePoints, std::uint64_t{4}}) {
        const AlphaCompositeResult one = composite(c, tile_points, 1);
        const AlphaCompositeResult eight = composite(c, tile_points, 8);
        ASSERT_EQ(one.regions.size(), expected.size()) << c.why;
        ASSERT_EQ(eight.regions.size(), one.regions.size()) << c.why;
        for (std::size_t i = 0; i < one.regions.size(); ++i) {
            const ReplayRegion& visible = one.regions[i];
            EXPECT_EQ(visible.paths, eight.regions[i].paths) << c.why;
            EXPECT_EQ(visible.color, eight.regions[i].color) << c.why;
            const auto face = expected.find(contributor_key(visible));
            ASSERT_NE(face, expected.end()) << c.why << ", region " << i;
            const Pixel& pixel = face->second.blend.pixel;
            EXPECT_DOUBLE_EQ(area(visible.paths), face->second.area) << c.why << ", region " << i;
            EXPECT_NEAR(visible.color[3], pixel.a, 1e-12) << c.why;
            EXPECT_NEAR(visible.color[0], pixel.r / pixel.a, 1e-12) << c.why;
            EXPECT_NEAR(visible.color[1], pixel.g / pixel.a, 1e-12) << c.why;
            EXPECT_NEAR(visible.color[2], pixel.b / pixel.a, 1e-12) << c.why;
            for (std::size_t k = 0; k < visible.contributors.size(); ++k)
                EXPECT_NEAR(visible.contributors[k].weight, face->second.blend.weights[k].second, 1e-12) << c.why;
        }
        double covered = 0;
        for (const auto& [key, face] : expected)
            covered += face.area;
        EXPECT_DOUBLE_EQ(area(one.coverage), covered) << c.why;
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, RectangleStacks,
                         testing::Values(StackCase{"three squares in a diagonal",
                                                   {{rect(0, 0, 60, 60), 1, 0, 0, 0.5, -1},
                                                    {rect(20, 20, 80, 80), 0, 1, 0, 0.5, -1},
                                                    {rect(40, 40, 100, 100), 0, 0, 1, 0.5, -1}},
                                                   {}},
                                         StackCase{"a cross of bars and a square over it",
                                                   {{rect(0, 40, 100, 60), 0.2, 0.4, 0.6, 0.3, -1},
                                                    {rect(40, 0, 60, 100), 0.9, 0.1, 0.5, 0.7, -1},
                                                    {rect(30, 30, 70, 70), 0.5, 0.5, 0.0, 0.25, -1}},
                                                   {}},
                                         StackCase{"the upper two in a half-opaque group",
                                                   {{rect(0, 0, 60, 60), 1, 0, 0, 0.5, -1},
                                                    {rect(20, 20, 80, 80), 0, 1, 0, 0.5, 0},
                                                    {rect(40, 40, 100, 100), 0, 0, 1, 1.0, 0}},
                                                   {0.5}},
                                         StackCase{"an opaque paint hides what lies below it",
                                                   {{rect(0, 0, 50, 100), 1, 0, 0, 0.5, -1},
                                                    {rect(20, 20, 80, 80), 0, 1, 0, 1.0, -1},
                                                    {rect(60, 0, 100, 100), 0, 0, 1, 0.5, -1}},
                                                   {}},
                                         StackCase{"two groups and a paint between them",
                                                   {{rect(0, 0, 70, 30), 1, 0, 0, 0.8, 0},
                                                    {rect(10, 10, 40, 90), 0, 1, 0, 0.6, 0},
                                                    {rect(30, 0, 60, 60), 0.3, 0.3, 0.3, 0.5, -1},
                                                    {rect(50, 20, 100, 40), 0, 0, 1, 0.9, 1},
                                                    {rect(0, 50, 90, 70), 1, 1, 0, 0.4, 1}},
                                                   {0.75, 0.5}}));

// Overlapping discs, some grouped: the colours and contributor records of the piece-by-piece
// compositor exactly, each over the same area up to the grid rounding along its edges.
TEST(AlphaTiles, DiscsMatchThePieceByPieceCompositor) {
    std::mt19937 random(7);
    for (int trial = 0; trial < 4; ++trial) {
        StackCase c{"discs", {}, {0.5, 0.8}};
        for (int i = 0; i < 6 + 3 * trial; ++i) {
            const double angle = 2 * std::numbers::pi * i / (6 + 3 * trial);
            const Path64 disc = circle(std::llround(5000 + 2000 * std::cos(angle)),
                                       std::llround(5000 + 2000 * std::sin(angle)), 2500, 48);
            c.paints.push_back({disc, (random() % 256) / 255.0, (random() % 256) / 255.0, (random() % 256) / 255.0,
                                (1 + random() % 4) / 4.0, i % 4 == 1 || i % 4 == 2 ? (i / 4) % 2 : -1});
        }
        ComplexityBudget budget;
        ReplayParams params;
        params.budget = &budget;
        const AlphaCompositeResult pieces = alpha_composite_by_pieces(regions_of(c), program_of(c), params);
        const AlphaCompositeResult tiles = composite(c, 64, 8);
        ASSERT_EQ(tiles.regions.size(), pieces.regions.size()) << "trial " << trial;
        std::map<std::vector<std::uint32_t>, const ReplayRegion*> by_key;
        for (const ReplayRegion& visible : pieces.regions)
            by_key[contributor_key(visible)] = &visible;
        for (const ReplayRegion& visible : tiles.regions) {
            const ReplayRegion* reference = by_key.at(contributor_key(visible));
            EXPECT_EQ(visible.color, reference->color);
            EXPECT_EQ(visible.rgba, reference->rgba);
            for (std::size_t k = 0; k < visible.contributors.size(); ++k)
                EXPECT_EQ(visible.contributors[k].weight, reference->contributors.at(k).weight);
            // Edges may move by a grid unit: the area by at most its perimeter.
            double perimeter = 0;
            for (const Path64& ring : reference->paths)
                perimeter += Clipper2Lib::Length(ring, true);
            EXPECT_NEAR(area(visible.paths), area(reference->paths), perimeter) << "trial " << trial;
        }
        EXPECT_NEAR(area(tiles.coverage), area(pieces.coverage), 1e-3 * area(pieces.coverage));
    }
}

}  // namespace
}  // namespace pavrix_svg_core
