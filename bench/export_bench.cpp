// Where the export of an opaque document's geometry spends its time: the raw and visible regions'
// faces, and the silhouette's routing, canonical faces and nesting, with one worker and with many;
// the whole analysis with both worker counts is checked for identical collections.
//
//   export_bench FILE.svg [WIDTH_MM] [TOLERANCE_MM] [WORKERS] [REPEAT] [silhouette | dump RINGS]
//   export_bench --rings RINGS [WORKERS] [REPEAT]
//
// The regions come from the same replay an analysis runs (documents without clips): record, run
// the analysis once for its grid, replay with that grid, composite, then export stage by stage.
// Under callgrind, run with REPEAT 1 and read the stage times as instruction-count shares;
// "silhouette" skips the two whole analyses and the region stages; "dump" also writes the
// silhouette's rings to a file that --rings reads back to run the silhouette stages alone.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <span>
#include <string_view>
#include <vector>

#include "bench/analysis_grid_params.h"
#include "kernel/analysis_entry.h"
#include "kernel/topology/canonical_faces.h"
#include "kernel/topology/face_nesting.h"
#include "kernel/composite/opaque_composite.h"
#include "kernel/replay/ordered_replay.h"
#include "kernel/topology/original_grid_routing.h"
#include "kernel/result/region_export.h"
#include "recorder/record_entry.h"

using namespace pavrix_svg_core;

namespace {

using Clock = std::chrono::steady_clock;

double best_seconds(int repeat, const std::function<void()>& work) {
    double best = 1e300;
    for (int i = 0; i < repeat; ++i) {
        const auto start = Clock::now();
        work();
        best = std::min(best, std::chrono::duration<double>(Clock::now() - start).count());
    }
    return best;
}

bool same_collection(const GeometryCollection& a, const GeometryCollection& b) {
    return a.coordinates == b.coordinates && a.ring_offsets == b.ring_offsets &&
           a.polygon_offsets == b.polygon_offsets && a.geometry_offsets == b.geometry_offsets &&
           a.hole_parent == b.hole_parent && a.draw_indices == b.draw_indices;
}

std::size_t point_count(const Clipper2Lib::Paths64& paths) {
    std::size_t total = 0;
    for (const auto& path : paths)
        total += path.size();
    return total;
}

void silhouette_stages(const Clipper2Lib::Paths64& coverage, std::uint32_t workers, int repeat) {
    bool simple = false;
    bool moved = false;
    Clipper2Lib::Paths64 routed;
    const double route =
        best_seconds(repeat, [&] { routed = route_original_grid(coverage, &simple, &moved, workers); });
    std::vector<FaceLoop> loops;
    const double extract = best_seconds(repeat, [&] {
        loops.clear();
        if (simple) {
            for (const auto& ring : routed)
                split_face_ring(ring, loops);
        } else {
            loops = extract_canonical_faces(routed, CoverageRule::positive, workers);
        }
    });
    const double nest = best_seconds(repeat, [&] {
        FaceNode root;
        nest_faces(loops, root, workers);
    });
    bool same = true;
    if (workers > 1) {
        bool serial_simple = false;
        bool serial_moved = false;
        same = route_original_grid(coverage, &serial_simple, &serial_moved, 1) == routed && serial_simple == simple &&
               serial_moved == moved;
    }
    std::printf("  silhouette: %zu rings, %zu points, simple %d, moved %d; 1 and %u workers route %s\n",
                coverage.size(), point_count(coverage), simple ? 1 : 0, moved ? 1 : 0, workers,
                same ? "identically" : "DIFFERENTLY");
    std::printf("  silhouette route %.3f s, %s %.3f s, nest %.3f s (%zu loops)\n", route,
                simple ? "split rings" : "canonical faces", extract, nest, loops.size());
}

// Rings as text: the ring count, then per ring its point count and its points.
void write_rings(const char* file, const Clipper2Lib::Paths64& rings) {
    std::FILE* out = std::fopen(file, "w");
    if (out == nullptr)
        return;
    std::fprintf(out, "%zu\n", rings.size());
    for (const auto& ring : rings) {
        std::fprintf(out, "%zu", ring.size());
        for (const auto& point : ring)
            std::fprintf(out, " %lld %lld", static_cast<long long>(point.x), static_cast<long long>(point.y));
        std::fprintf(out, "\n");
    }
    std::fclose(out);
}

Clipper2Lib::Paths64 read_rings(const char* file) {
    Clipper2Lib::Paths64 rings;
    std::FILE* in = std::fopen(file, "r");
    std::size_t count = 0;
    if (in == nullptr || std::fscanf(in, "%zu", &count) != 1)
        return rings;
    rings.resize(count);
    for (auto& ring : rings) {
        std::size_t points = 0;
        if (std::fscanf(in, "%zu", &points) != 1)
            break;
        ring.resize(points);
        for (auto& point : ring) {
            long long x = 0;
            long long y = 0;
            if (std::fscanf(in, "%lld %lld", &x, &y) != 2)
                break;
            point = {x, y};
        }
    }
    std::fclose(in);
    return rings;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: export_bench FILE.svg [WIDTH_MM] [TOLERANCE_MM] [WORKERS] [REPEAT]\n");
        return 2;
    }
    if (std::string_view(argv[1]) == "--rings" && argc > 2) {
        const Clipper2Lib::Paths64 rings = read_rings(argv[2]);
        silhouette_stages(rings, static_cast<std::uint32_t>(argc > 3 ? std::atoi(argv[3]) : 1),
                          argc > 4 ? std::atoi(argv[4]) : 1);
        return 0;
    }
    const double width_mm = argc > 2 ? std::atof(argv[2]) : 100.0;
    const double tolerance_mm = argc > 3 ? std::atof(argv[3]) : 0.05;
    const auto workers = static_cast<std::uint32_t>(argc > 4 ? std::atoi(argv[4]) : 8);
    const int repeat = argc > 5 ? std::atoi(argv[5]) : 1;
    const bool silhouette_only = argc > 6;

    ReplayEnvironment one_worker;
    one_worker.replay_threads = 1;
    ReplayEnvironment many_workers;
    many_workers.replay_threads = workers;
    const auto serial = analyze_svg_file(argv[1], width_mm, tolerance_mm, true, one_worker);
    if (serial->status != "supported") {
        std::fprintf(stderr, "analysis: %s %s\n", serial->status.c_str(), serial->reason_code.c_str());
        return 1;
    }
    bool identical = true;
    if (!silhouette_only) {
        const auto parallel = analyze_svg_file(argv[1], width_mm, tolerance_mm, true, many_workers);
        identical = same_collection(serial->raw, parallel->raw) &&
                    same_collection(serial->visible, parallel->visible) &&
                    same_collection(serial->silhouette, parallel->silhouette);
        std::printf("%s\n  analysis %.3f s (1 worker), %.3f s (%u workers): export %.3f / %.3f s; results %s\n",
                    argv[1], serial->kernel_seconds + serial->recorder_seconds,
                    parallel->kernel_seconds + parallel->recorder_seconds, workers, serial->export_seconds,
                    parallel->export_seconds, identical ? "identical" : "DIFFER");
    }

    const RecorderResult recording = record_svg_file(argv[1]);
    ComplexityBudget budget;
    ReplayParams params = analysis_grid_params(*serial, recording, budget);
    params.environment = many_workers;
    ReplayOutput replay = replay_commands(recording.commands, params);
    OpaqueCompositeOutput composite = opaque_composite(replay.regions, params);
    std::vector<ReplayRegion> visible;
    for (std::size_t r = 0; r < replay.regions.size(); ++r) {
        if (composite.visible_paths[r].empty())
            continue;
        visible.push_back(replay.regions[r]);
        visible.back().paths = composite.visible_paths[r];
    }

    if (!silhouette_only)
        std::printf("  %-34s %10s %10s\n", "stage", "1 worker", "workers");
    const auto stage = [&](const char* name, const std::function<void(std::uint32_t)>& work) {
        if (silhouette_only)
            return;
        const double one = best_seconds(repeat, [&] { work(1); });
        const double many = best_seconds(repeat, [&] { work(workers); });
        std::printf("  %-34s %10.3f %10.3f\n", name, one, many);
    };
    stage("replay", [&](std::uint32_t w) {
        ComplexityBudget replay_budget;
        ReplayParams replay_params = params;
        replay_params.budget = &replay_budget;
        replay_params.environment.replay_threads = w;
        replay_commands(recording.commands, replay_params);
    });
    stage("raw faces", [&](std::uint32_t w) { prepare_regions_faces(replay.regions, w); });
    stage("visible faces", [&](std::uint32_t w) { prepare_regions_faces(visible, w); });

    if (argc > 7 && std::string_view(argv[6]) == "dump")
        write_rings(argv[7], composite.coverage);
    stage("silhouette faces", [&](std::uint32_t w) { prepare_region_faces(composite.coverage, w); });
    silhouette_stages(composite.coverage, workers, repeat);
    return identical ? 0 : 1;
}
