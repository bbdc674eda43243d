// Grid projection: time per input point of project_rings_to_grid and canonicalize_grid_rings.
//
//   grid_projection_bench [max_rings]
//
// The rings are 64-gons on a jittered lattice, each overlapping its neighbours, split into ten regions
// so that the joint routing, the per-region unions and the face building all see many contacts. The time
// per point should stay roughly flat as the ring count grows tenfold.

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <numbers>
#include <vector>

#include "kernel/topology/grid_projection.h"

using namespace pavrix_svg_core;

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kRegionCount = 10;
constexpr std::size_t kRingPoints = 64;

ProjectedRings lattice_of_rings(std::size_t ring_count) {
    ProjectedRings projected;
    const auto side = static_cast<std::size_t>(std::ceil(std::sqrt(static_cast<double>(ring_count))));
    std::vector<double> xy(2 * kRingPoints);
    for (std::size_t region = 0; region < kRegionCount; ++region) {
        begin_grid_region(projected);
        for (std::size_t ring = region; ring < ring_count; ring += kRegionCount) {
            const double cx = 10.0 * static_cast<double>(ring % side) + 0.37 * static_cast<double>(ring % 7);
            const double cy = 10.0 * static_cast<double>(ring / side) + 0.29 * static_cast<double>(ring % 5);
            for (std::size_t k = 0; k < kRingPoints; ++k) {
                const double angle = 2 * std::numbers::pi * static_cast<double>(k) / kRingPoints;
                xy[2 * k] = cx + 7.3 * std::cos(angle);
                xy[2 * k + 1] = cy + 7.3 * std::sin(angle);
            }
            append_grid_ring(projected, xy.data(), kRingPoints, 1000.0, GridReadMode::project);
        }
    }
    return projected;
}

// Seconds for one run; the face count goes to `faces` so that the work cannot be optimised away.
template <typename Run>
double seconds_for(Run run, std::size_t& faces) {
    const auto start = Clock::now();
    const RegionFaces result = run();
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    faces = 0;
    for (const auto& region : result) {
        faces += region.size();
    }
    return seconds;
}

}  // namespace

int main(int argc, char** argv) {
    const std::size_t max_rings = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 10000;
    std::printf("%10s %8s %14s %14s\n", "rings", "faces", "project ns/pt", "canon. ns/pt");
    for (std::size_t rings = 100; rings <= max_rings; rings *= 10) {
        const ProjectedRings projected = lattice_of_rings(rings);
        const double points = static_cast<double>(rings * kRingPoints);
        std::size_t faces = 0;
        std::size_t canonical_faces = 0;
        const double project = seconds_for([&] { return project_rings_to_grid(projected); }, faces);
        const double canonical = seconds_for([&] { return canonicalize_grid_rings(projected); }, canonical_faces);
        std::printf("%10zu %8zu %14.1f %14.1f\n", rings, faces + canonical_faces, 1e9 * project / points,
                    1e9 * canonical / points);
    }
    return 0;
}
