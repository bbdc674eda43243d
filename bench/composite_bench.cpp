// Compositing: time per region of the opaque and the alpha compositor on generated stacks.
//
//   composite_bench [largest_count] [largest_dense_count]
//
// Stacks of 10^3 up to `largest_count` (default 10^5) regions, each a small square or a 24-gon,
// in three layouts: "overlapping" scatters them at a constant density of 0.6 squares per
// square's area, so each region meets a few neighbours but the overlaps form no connected web
// across the page; "apart" puts them on a grid where no two boxes touch; "dense" scatters them at
// density 2, where the overlaps join into one web spanning the page (up to
// `largest_dense_count`, default 10^4). Time per region should stay near flat as n grows
// tenfold (n log n) for "overlapping" and "apart": compositing may not be quadratic in regions
// that do not overlap. In "dense" the cover and coverage unions grow into a few paths with O(n)
// points that every later region is cut against, so its time per region grows with n.

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <numbers>
#include <random>
#include <vector>

#include "kernel/composite/alpha_composite.h"
#include "kernel/composite/opaque_composite.h"

using namespace pavrix_svg_core;

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::int64_t kSide = 1000;   // grid units per square side
constexpr std::int64_t kPitch = 1500;  // grid pitch of the "apart" layout

Clipper2Lib::Path64 shape(std::int64_t x, std::int64_t y, bool round) {
    if (!round)
        return {{x, y}, {x + kSide, y}, {x + kSide, y + kSide}, {x, y + kSide}};
    Clipper2Lib::Path64 ring;
    for (int i = 0; i < 24; ++i) {
        const double angle = 2.0 * std::numbers::pi * i / 24;
        ring.push_back({x + kSide / 2 + std::llround(kSide / 2 * std::cos(angle)),
                        y + kSide / 2 + std::llround(kSide / 2 * std::sin(angle))});
    }
    return ring;
}

enum class Layout { overlapping, apart, dense };

const char* layout_name(Layout layout) {
    switch (layout) {
    case Layout::overlapping:
        return "overlapping";
    case Layout::apart:
        return "apart";
    case Layout::dense:
        return "dense";
    }
    return "";
}

std::vector<ReplayRegion> make_regions(std::size_t count, Layout layout, double opacity) {
    std::mt19937_64 random(42);
    const auto columns = static_cast<std::int64_t>(std::ceil(std::sqrt(static_cast<double>(count))));
    const double density = layout == Layout::dense ? 2.0 : 0.6;  // squares per square's area
    const std::int64_t field = static_cast<std::int64_t>(std::sqrt(count / density) * kSide) + kSide;
    std::vector<ReplayRegion> regions;
    regions.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        std::int64_t x = 0, y = 0;
        if (layout != Layout::apart) {
            x = static_cast<std::int64_t>(random() % static_cast<std::uint64_t>(field));
            y = static_cast<std::int64_t>(random() % static_cast<std::uint64_t>(field));
        } else {
            x = (static_cast<std::int64_t>(i) % columns) * kPitch;
            y = (static_cast<std::int64_t>(i) / columns) * kPitch;
        }
        ReplayRegion region = init_replay_region();
        region.paths = {shape(x, y, i % 3 == 0)};
        region.exported_components = {region.paths};
        region.bbox = box_paths_bounds(region.paths);
        region.color = {(i % 7) / 6.0, (i % 5) / 4.0, (i % 3) / 2.0, opacity};
        region.draw_index = static_cast<std::uint32_t>(i);
        region.source_index = static_cast<std::int32_t>(i);
        region.contributors = {{region.draw_index, region.source_index, 0, opacity}};
        regions.push_back(std::move(region));
    }
    return regions;
}

std::vector<PaintProgramNode> flat_program(std::size_t count) {
    std::vector<PaintProgramNode> program(count + 1);
    program[0].is_group = 1;
    for (std::size_t i = 0; i < count; ++i) {
        program[0].children.push_back(i + 1);
        program[i + 1].index = i;
    }
    return program;
}

struct Measure {
    double seconds = 0;
    std::size_t visible = 0;
    ComplexityBudget budget;
};

Measure run(std::size_t count, Layout layout, bool translucent) {
    const std::vector<ReplayRegion> regions = make_regions(count, layout, translucent ? 0.5 : 1.0);
    Measure measure;
    ReplayParams params;
    params.budget = &measure.budget;
    const auto start = Clock::now();
    if (translucent) {
        measure.visible = alpha_composite(regions, flat_program(count), params).regions.size();
    } else {
        for (const auto& paths : opaque_composite(regions, params).visible_paths)
            measure.visible += !paths.empty();
    }
    measure.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    return measure;
}

}  // namespace

int main(int argc, char** argv) {
    const std::size_t largest = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 100000;
    const std::size_t largest_dense = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 10000;
    // Work counters per region are independent of machine load; seconds are not.
    std::printf("%-12s %-12s %9s %10s %10s %10s %12s %12s\n", "mode", "layout", "regions", "seconds", "us/region",
                "visible", "visits/reg", "clipper/reg");
    for (const bool translucent : {false, true}) {
        for (const Layout layout : {Layout::overlapping, Layout::apart, Layout::dense}) {
            const std::size_t last = layout == Layout::dense ? largest_dense : largest;
            for (std::size_t count = 1000; count <= last; count *= 10) {
                const Measure m = run(count, layout, translucent);
                const double n = static_cast<double>(count);
                const double clipper_points = static_cast<double>(m.budget.clipper_input_points) +
                                              static_cast<double>(m.budget.clipper_output_points);
                std::printf("%-12s %-12s %9zu %10.3f %10.2f %10zu %12.1f %12.1f\n",
                            translucent ? "translucent" : "opaque", layout_name(layout), count, m.seconds,
                            m.seconds * 1e6 / n, m.visible, static_cast<double>(m.budget.bounds_index_visits) / n,
                            clipper_points / n);
                std::fflush(stdout);
            }
        }
    }
    return 0;
}
