// Routing and canonical faces over random segment soups of 10^5 and 10^6 segments. Rings are
// small random polygons spread over an area that grows with their count, so the density of
// crossings stays the same and the time per segment shows how the work grows.

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <random>

#include "kernel/topology/face_nesting.h"
#include "kernel/topology/original_grid_routing.h"

namespace {

using namespace pavrix_svg_core;

constexpr int kVerticesPerRing = 16;
constexpr std::int64_t kRingRadius = 40;

Clipper2Lib::Paths64 random_soup(std::size_t segments, std::uint64_t seed) {
    std::mt19937_64 random(seed);
    const std::size_t ring_count = segments / kVerticesPerRing;
    // About four overlapping rings per ring area.
    const auto extent = static_cast<std::int64_t>(std::sqrt(static_cast<double>(ring_count) / 4.0) * 2 * kRingRadius);
    std::uniform_int_distribution<std::int64_t> centre(0, extent);
    std::uniform_int_distribution<std::int64_t> offset(-kRingRadius, kRingRadius);
    Clipper2Lib::Paths64 rings(ring_count);
    for (auto& ring : rings) {
        const std::int64_t cx = centre(random), cy = centre(random);
        for (int i = 0; i < kVerticesPerRing; ++i) {
            ring.push_back({cx + offset(random), cy + offset(random)});
        }
    }
    return rings;
}

double run(std::size_t segments) {
    const Clipper2Lib::Paths64 soup = random_soup(segments, 12345);
    const auto start = std::chrono::steady_clock::now();
    bool simple = false, moved = false;
    const Clipper2Lib::Paths64 routed = route_original_grid(soup, &simple, &moved);
    const auto routed_at = std::chrono::steady_clock::now();
    FaceNode root;
    nest_faces(extract_canonical_faces(routed), root);
    const auto end = std::chrono::steady_clock::now();
    const double route_seconds = std::chrono::duration<double>(routed_at - start).count();
    const double face_seconds = std::chrono::duration<double>(end - routed_at).count();
    const double total = route_seconds + face_seconds;
    std::printf("%8zu segments: route %.3f s, faces %.3f s, %.3f us per segment (moved %d, %zu top-level faces)\n",
                segments, route_seconds, face_seconds, 1e6 * total / static_cast<double>(segments), moved ? 1 : 0,
                root.children.size());
    return total / static_cast<double>(segments);
}

}  // namespace

int main() {
    const double small = run(100000);
    const double large = run(1000000);
    std::printf("growth ratio of time per segment (10^6 vs 10^5): %.2f\n", large / small);
    return 0;
}
