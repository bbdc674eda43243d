// Replay efficiency: 10^4 paths (filled circles of four cubics, filled 24-point stars, and every
// fourth one stroked instead) replayed with 1, 2, 4 and 8 workers. Prints wall time per run and the speed-up over one
// worker, and checks that every worker count gives the same regions.

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "kernel/replay/ordered_replay.h"

namespace {

using namespace pavrix_svg_core;

constexpr std::size_t kPathCount = 10000;
constexpr int kRepetitions = 3;

PaintCommand circle(double cx, double cy, double r, std::int32_t index) {
    constexpr double k = 0.5522847498307936;  // cubic handle length of a quarter circle
    PaintCommand command;
    command.kind = PaintCommandKind::fill;
    command.rgba = {0, 0, 0, 255};
    command.source_index = index;
    command.path_verbs = {PathVerb::move_to,  PathVerb::cubic_to, PathVerb::cubic_to,
                          PathVerb::cubic_to, PathVerb::cubic_to, PathVerb::close};
    command.path_points = {{cx + r, cy},         {cx + r, cy + k * r}, {cx + k * r, cy + r}, {cx, cy + r},
                           {cx - k * r, cy + r}, {cx - r, cy + k * r}, {cx - r, cy},         {cx - r, cy - k * r},
                           {cx - k * r, cy - r}, {cx, cy - r},         {cx + k * r, cy - r}, {cx + r, cy - k * r},
                           {cx + r, cy}};
    command.source_subpath_area_potential = {1};
    return command;
}

PaintCommand star(double cx, double cy, double r, std::int32_t index) {
    constexpr int kTips = 12;
    PaintCommand command;
    command.kind = PaintCommandKind::fill;
    command.rgba = {200, 30, 30, 255};
    command.source_index = index;
    for (int i = 0; i < 2 * kTips; ++i) {
        const double angle = M_PI * i / kTips;
        const double radius = i % 2 == 0 ? r : 0.4 * r;
        command.path_verbs.push_back(i == 0 ? PathVerb::move_to : PathVerb::line_to);
        command.path_points.push_back({cx + radius * std::cos(angle), cy + radius * std::sin(angle)});
    }
    command.path_verbs.push_back(PathVerb::close);
    command.source_subpath_area_potential = {1};
    return command;
}

}  // namespace

int main(int argc, char** argv) {
    // Worker counts to run, 1 2 4 8 by default; the first one is the reference.
    std::vector<std::uint64_t> worker_counts{1, 2, 4, 8};
    if (argc > 1)
        worker_counts.clear();
    for (int a = 1; a < argc; ++a)
        worker_counts.push_back(std::strtoull(argv[a], nullptr, 10));

    std::vector<PaintCommand> commands;
    commands.reserve(kPathCount);
    for (std::size_t i = 0; i < kPathCount; ++i) {
        const double x = static_cast<double>(i % 100) * 10.0;
        const double y = static_cast<double>(i / 100) * 10.0;
        const auto index = static_cast<std::int32_t>(i);
        commands.push_back(i % 2 == 0 ? circle(x, y, 6.0, index) : star(x, y, 6.0, index));
        if (i % 4 == 3) {
            commands.back().kind = PaintCommandKind::stroke;
            commands.back().stroke.width = 0.8;
            commands.back().stroke.line_join = LineJoin::round;
        }
    }

    double single_worker_seconds = 0.0;
    std::vector<ReplayRegion> reference;
    for (const std::uint64_t workers : worker_counts) {
        double best = 1e300;
        ReplayOutput output;
        for (int repetition = 0; repetition < kRepetitions; ++repetition) {
            ComplexityBudget budget;
            std::vector<PrecisionRecord> records;
            ReplayParams params;
            params.scale = 0.2;
            params.grid_quantum = 1e-5;
            params.flattening_error = 0.005;
            params.budget = &budget;
            params.precision_records = std::getenv("BENCH_NO_RECORDS") ? nullptr : &records;
            params.environment.replay_threads = workers;
            const auto start = std::chrono::steady_clock::now();
            output = replay_commands(commands, params);
            const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
            best = std::min(best, elapsed.count());
        }
        if (reference.empty()) {
            single_worker_seconds = best;
            reference = output.regions;
        }
        bool same = output.regions.size() == reference.size();
        for (std::size_t i = 0; same && i < reference.size(); ++i)
            same = output.regions[i].paths == reference[i].paths;
        std::printf("workers %2llu (used %2u): %8.2f ms  speed-up %5.2f  %s\n",
                    static_cast<unsigned long long>(workers), output.worker_count, best * 1e3,
                    single_worker_seconds / best, same ? "identical" : "DIFFERENT");
    }
    return 0;
}
