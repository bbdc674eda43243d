// The opaque compositor with tiles against the cover stack over the whole page, side by side on
// the regions of a real document: seconds, Clipper2 work and the largest worker count's result
// compared with one worker's.
//
//   tiled_composite_bench FILE.svg [WIDTH_MM] [TOLERANCE_MM] [REPEAT]
//
// The regions come from the same replay an analysis runs (documents without clips): record, run
// the analysis once for its grid, replay with that grid, then composite.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

#include "bench/analysis_grid_params.h"
#include "kernel/analysis_entry.h"
#include "kernel/composite/opaque_composite.h"
#include "kernel/replay/ordered_replay.h"
#include "recorder/record_entry.h"

using namespace pavrix_svg_core;

namespace {

using Clock = std::chrono::steady_clock;

struct Timed {
    double seconds = 1e300;
    ComplexityBudget budget;
    OpaqueCompositeOutput output;
};

Timed best_of(int repeat, const std::function<OpaqueCompositeOutput(ComplexityBudget&)>& work) {
    Timed timed;
    for (int i = 0; i < repeat; ++i) {
        ComplexityBudget budget;
        const auto start = Clock::now();
        OpaqueCompositeOutput output = work(budget);
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        if (seconds < timed.seconds) {
            timed = Timed{seconds, budget, std::move(output)};
        }
    }
    return timed;
}

std::uint64_t points(const OpaqueCompositeOutput& output) {
    std::uint64_t total = total_point_count(output.coverage);
    for (const auto& paths : output.visible_paths)
        total += total_point_count(paths);
    return total;
}

void report(const char* name, const Timed& timed) {
    std::printf("  %-28s %8.3f s  clipper in %10llu out %10llu  output points %10llu\n", name, timed.seconds,
                static_cast<unsigned long long>(timed.budget.clipper_input_points),
                static_cast<unsigned long long>(timed.budget.clipper_output_points),
                static_cast<unsigned long long>(points(timed.output)));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: tiled_composite_bench FILE.svg [WIDTH_MM] [TOLERANCE_MM] [REPEAT]\n");
        return 2;
    }
    const double width_mm = argc > 2 ? std::atof(argv[2]) : 100.0;
    const double tolerance_mm = argc > 3 ? std::atof(argv[3]) : 0.05;
    const int repeat = argc > 4 ? std::atoi(argv[4]) : 1;

    const auto analysis = analyze_svg_file(argv[1], width_mm, tolerance_mm, true);
    if (analysis->status != "supported") {
        std::fprintf(stderr, "analysis: %s %s\n", analysis->status.c_str(), analysis->reason_code.c_str());
        return 1;
    }
    const RecorderResult recording = record_svg_file(argv[1]);
    ComplexityBudget replay_budget;
    const ReplayParams params = analysis_grid_params(*analysis, recording, replay_budget);
    const ReplayOutput replay = replay_commands(recording.commands, params);
    std::printf("%s: %zu regions, analysis composite %.3f s of %.3f s\n", argv[1], replay.regions.size(),
                analysis->composite_seconds, analysis->kernel_seconds);

    std::vector<const Clipper2Lib::Paths64*> items;
    for (const ReplayRegion& region : replay.regions)
        items.push_back(&region.paths);
    const Timed whole = best_of(repeat, [&](ComplexityBudget& budget) { return composite_cover_stack(items, budget); });
    report("cover stack, whole page", whole);
    const auto tiles = [&](std::uint64_t workers) {
        return best_of(repeat, [&](ComplexityBudget& budget) {
            ReplayParams p = params;
            p.budget = &budget;
            p.environment.replay_threads = workers;
            return opaque_composite(replay.regions, p);
        });
    };
    const Timed one = tiles(1);
    report("tiles, 1 worker", one);
    const Timed many = tiles(16);
    report("tiles, 16 workers", many);
    const bool same =
        one.output.visible_paths == many.output.visible_paths && one.output.coverage == many.output.coverage;
    std::printf("  tiles / cover stack: %.2f (1 worker), %.2f (16 workers); 1 and 16 workers %s\n",
                one.seconds / whole.seconds, many.seconds / whole.seconds, same ? "identical" : "DIFFER");
    return same ? 0 : 1;
}
