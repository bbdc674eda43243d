// Translucent compositing by independent runs: how paint splits into runs, and a sheet of
// icon-like stacks against per-sample source-over, the same for 1 and 8 workers.

#include "kernel/composite/translucent_clusters.h"

#include <algorithm>
#include <array>
#include <tuple>

#include <gtest/gtest.h>

#include "tests/kernel/composite/composite_test_support.h"

namespace pavrix_svg_core {
namespace {

using namespace composite_test;

struct RunCase {
    const char* why;
    std::vector<Paths64> shapes;  // one region each, in paint order; {} paints nothing
    std::vector<std::pair<std::size_t, std::size_t>> runs;
};

// Seventy squares on one another and one apart: too many touching pairs to list.
std::vector<Paths64> crowded() {
    std::vector<Paths64> shapes(70, Paths64{rect(0, 0, 10, 10)});
    shapes.push_back({rect(40, 0, 50, 10)});
    return shapes;
}

class IndependentRuns : public ::testing::TestWithParam<RunCase> {};

TEST_P(IndependentRuns, FinestCutWhereNoBoxesMeet) {
    std::vector<ReplayRegion> regions;
    for (const Paths64& shape : GetParam().shapes)
        regions.push_back(region(shape, 0, 0, 0, 0.5, static_cast<std::uint32_t>(regions.size())));
    ComplexityBudget budget;
    std::vector<std::pair<std::size_t, std::size_t>> runs;
    for (const RegionRun& run : independent_region_runs(regions, budget))
        runs.emplace_back(run.first, run.end);
    EXPECT_EQ(runs, GetParam().runs) << GetParam().why;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IndependentRuns,
    ::testing::Values(RunCase{"apart: one run each",
                              {{rect(0, 0, 10, 10)}, {rect(20, 0, 30, 10)}, {rect(40, 0, 50, 10)}},
                              {{0, 1}, {1, 2}, {2, 3}}},
                      RunCase{"boxes sharing an edge meet",
                              {{rect(0, 0, 10, 10)}, {rect(10, 0, 20, 10)}, {rect(40, 0, 50, 10)}},
                              {{0, 2}, {2, 3}}},
                      RunCase{
                          "a later paint over the first holds the runs between",
                          {{rect(0, 0, 10, 10)}, {rect(20, 0, 30, 10)}, {rect(5, 5, 15, 15)}, {rect(40, 0, 50, 10)}},
                          {{0, 3}, {3, 4}}},
                      RunCase{"paint without area joins the run it falls in",
                              {{rect(0, 0, 10, 10)}, {}, {rect(20, 0, 30, 10)}, {}},
                              {{0, 1}, {1, 4}}},
                      RunCase{"nothing with area: one run", {{}, {}}, {{0, 2}}},
                      RunCase{"crowded paint is one run", crowded(), {{0, 71}}}));

PaintProgramNode leaf(std::uint64_t region_index) {
    return {0, region_index, 1.0, {}};
}

// A sheet of icon-like stacks on a 7200-unit pitch: a shadow one unit below the shape inside a
// group of opacity 0.2 (as an element's opacity records), the shape, a translucent highlight on
// its top edge and an opaque detail; one wide half-opaque band reaches across two icons, so they
// share a run, and one group spans two icons. Rectangles keep every crossing on the grid.
struct Sheet {
    std::vector<ReplayRegion> regions;
    std::vector<PaintProgramNode> program{{1, 0, 1.0, {}}};

    void paint(std::uint64_t parent, Paths64 shape, double r, double g, double b, double opacity) {
        program[parent].children.push_back(program.size());
        program.push_back(leaf(regions.size()));
        regions.push_back(region(std::move(shape), r, g, b, opacity, static_cast<std::uint32_t>(regions.size())));
    }
    std::uint64_t open_group(std::uint64_t parent, double opacity) {
        program[parent].children.push_back(program.size());
        program.push_back({1, 0, opacity, {}});
        return program.size() - 1;
    }
};

Sheet icon_sheet() {
    Sheet sheet;
    std::uint64_t shared_group = 0;
    for (int i = 0; i < 16; ++i) {
        const std::int64_t x = 7200 * (i % 4), y = 7200 * (i / 4);
        std::uint64_t parent = 0;
        if (i == 5)
            shared_group = parent = sheet.open_group(0, 0.5);
        if (i == 6)
            parent = shared_group;
        sheet.paint(sheet.open_group(parent, 0.2), {rect(x + 400, y + 500, x + 6000, y + 6100)}, 0, 0, 0, 1.0);
        sheet.paint(parent, {rect(x + 400, y + 400, x + 6000, y + 6000)}, (i % 3) / 2.0, 0.4, 0.8, 1.0);
        sheet.paint(parent, {rect(x + 400, y + 400, x + 6000, y + 500)}, 1, 1, 1, 0.2);
        sheet.paint(parent, {rect(x + 2000, y + 2000 + 100 * i, x + 4000, y + 4000)}, 0.2, 0.2, 0.2, 1.0);
        if (i == 9)
            sheet.paint(0, {rect(x + 3000, y + 3000, x + 10000, y + 3500)}, 0, 1, 0, 0.5);
    }
    return sheet;
}

// Source-over of every paint at the point, groups composited apart first.
Pixel reference(const Sheet& sheet, double x, double y) {
    struct Frame {
        std::uint64_t node;
        std::size_t next = 0;
        Pixel layer;
    };
    std::vector<Frame> stack{{0, 0, {}}};
    while (true) {
        Frame& frame = stack.back();
        const PaintProgramNode& node = sheet.program[frame.node];
        if (frame.next < node.children.size()) {
            const PaintProgramNode& child = sheet.program[node.children[frame.next]];
            if (child.is_group != 0) {
                stack.push_back({node.children[frame.next++], 0, {}});
                continue;
            }
            ++frame.next;
            const ReplayRegion& paint = sheet.regions[child.index];
            if (covers(paint.paths, x, y))
                frame.layer.over(paint.color[0], paint.color[1], paint.color[2], paint.color[3]);
            continue;
        }
        if (stack.size() == 1)
            return frame.layer;
        const Pixel done = frame.layer;
        const double opacity = node.opacity;
        stack.pop_back();
        stack.back().layer.over_premultiplied(done, opacity);
    }
}

AlphaCompositeResult composite(const Sheet& sheet, std::uint64_t workers) {
    ComplexityBudget budget;
    ReplayParams params;
    params.budget = &budget;
    params.environment.replay_threads = workers;
    return alpha_composite_by_runs(sheet.regions, sheet.program, params);
}

TEST(AlphaCompositeByRuns, IconSheetMatchesSampledSourceOverOnAnyWorkerCount) {
    const Sheet sheet = icon_sheet();
    ComplexityBudget budget;
    EXPECT_EQ(independent_region_runs(sheet.regions, budget).size(), 15u) << "icons 9 and 10 share a run";
    const AlphaCompositeResult one = composite(sheet, 1);
    const AlphaCompositeResult eight = composite(sheet, 8);

    // Samples off every grid line: each lies in exactly one visible region of the right colour.
    int samples = 0;
    for (double y = 1.37; y < 4 * 7200; y += 97.0) {
        for (double x = 2.71; x < 4 * 7200; x += 89.0) {
            const Pixel expected = reference(sheet, x, y);
            Pixel actual;
            int hits = 0;
            for (const ReplayRegion& visible : one.regions) {
                if (covers(visible.paths, x, y)) {
                    ++hits;
                    actual.over(visible.color[0], visible.color[1], visible.color[2], visible.color[3]);
                }
            }
            ASSERT_EQ(hits, expected.a > 0 ? 1 : 0) << x << " " << y;
            EXPECT_NEAR(actual.r, expected.r, 1e-12);
            EXPECT_NEAR(actual.g, expected.g, 1e-12);
            EXPECT_NEAR(actual.b, expected.b, 1e-12);
            EXPECT_NEAR(actual.a, expected.a, 1e-12);
            EXPECT_EQ(covers(one.coverage, x, y), expected.a > 0) << x << " " << y;
            samples += hits;
        }
    }
    EXPECT_GT(samples, 20000);

    // The very same result on eight workers, and the colours and contributors of one composite
    // of the whole sheet.
    ASSERT_EQ(one.regions.size(), eight.regions.size());
    for (std::size_t i = 0; i < one.regions.size(); ++i) {
        EXPECT_EQ(one.regions[i].paths, eight.regions[i].paths);
        EXPECT_EQ(one.regions[i].color, eight.regions[i].color);
        EXPECT_EQ(one.regions[i].contributors.size(), eight.regions[i].contributors.size());
    }
    EXPECT_EQ(one.coverage, eight.coverage);
    ReplayParams params;
    params.budget = &budget;
    const AlphaCompositeResult whole = alpha_composite(sheet.regions, sheet.program, params);
    const auto keys = [](const AlphaCompositeResult& result) {
        std::vector<std::tuple<std::array<double, 4>, std::vector<std::uint32_t>, double>> out;
        for (const ReplayRegion& visible : result.regions) {
            std::vector<std::uint32_t> draws;
            for (const Contributor& contributor : visible.contributors)
                draws.push_back(contributor.draw_index);
            out.emplace_back(visible.color, draws, area(visible.paths));
        }
        std::sort(out.begin(), out.end());
        return out;
    };
    EXPECT_EQ(keys(one), keys(whole));
}

}  // namespace
}  // namespace pavrix_svg_core
