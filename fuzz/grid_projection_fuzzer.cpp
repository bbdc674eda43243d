// Projects and canonicalizes rings read from arbitrary bytes: small signed coordinates (so that
// rings cross, touch and overlap often) in a few regions. Bad input may only raise
// std::invalid_argument; output faces must be closed-free rings of at least three points.

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <vector>

#include "fuzz/record_invariants.h"
#include "kernel/topology/grid_projection.h"

using namespace pavrix_svg_core;

// Points read from one input. Random rings cross themselves about n^2 / 10 times and every
// crossing becomes a hot pixel that the edges are routed through: at 3000 points that is 600,000
// crossings and a routed ring of 300,000 points, which measures throughput, not robustness; the
// fuzzer runs far more inputs a second with small ones, and faults so far showed within dozens.
constexpr std::size_t kMaxFuzzPoints = 400;

namespace {

void check_faces(const RegionFaces& faces, std::size_t regions) {
    pavrix_fuzz::require(faces.size() == regions);
    for (const auto& region : faces) {
        for (const GridFace& face : region) {
            pavrix_fuzz::require(face.exterior.size() >= 3);
            for (const auto& hole : face.holes)
                pavrix_fuzz::require(hole.size() >= 3);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2)
        return 0;
    const bool canonical = (data[0] & 1) != 0;
    const double scale = canonical ? 1.0 : 0.25 + (data[0] >> 1) * 0.125;
    ProjectedRings projected;
    std::vector<double> xy;
    std::size_t regions = 0;
    try {
        // Byte 0xFF starts a region, 0xFE ends a ring; other byte pairs are (x, y) in [-60, 60].
        begin_grid_region(projected);
        regions = 1;
        std::size_t points = 0;
        for (std::size_t i = 1; i < size && points < kMaxFuzzPoints; ++i) {
            if (data[i] == 0xFF || data[i] == 0xFE) {
                append_grid_ring(projected, xy.data(), xy.size() / 2, scale,
                                 canonical ? GridReadMode::canonical : GridReadMode::project);
                xy.clear();
                if (data[i] == 0xFF && regions < 8) {
                    begin_grid_region(projected);
                    ++regions;
                }
                continue;
            }
            xy.push_back(static_cast<double>(static_cast<int>(data[i] % 121) - 60));
            points += xy.size() % 2 == 0 ? 1 : 0;
        }
        if (xy.size() >= 2)
            append_grid_ring(projected, xy.data(), xy.size() / 2, scale,
                             canonical ? GridReadMode::canonical : GridReadMode::project);
        check_faces(canonical ? canonicalize_grid_rings(projected) : project_rings_to_grid(projected), regions);
    } catch (const std::invalid_argument&) {
    }
    return 0;
}
