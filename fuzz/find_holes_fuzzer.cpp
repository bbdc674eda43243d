// Finds holes in rings read from arbitrary bytes (coordinates in millimetres on a coarse lattice,
// so that rings nest, touch and overlap), with thresholds from the first bytes. Holes and filled
// coverage must be faces of at least three points.

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <vector>

#include "compensation/hole_compensation.h"
#include "fuzz/record_invariants.h"

using namespace pavrix_svg_core;

// Points read from one input. A single ring of random points crosses itself about n^2 / 10
// times, and the holes then found grow with that: at 7000 points the union alone yields 400,000
// points and takes seconds, which measures throughput, not robustness; even 1500 points allow only
// about ten inputs a second under the sanitizers, while faults so far showed within a few dozen.
constexpr std::size_t kMaxFuzzPoints = 400;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3)
        return 0;
    const double area = data[0] * 0.5;
    const double width = data[1] * 0.05;
    Clipper2Lib::Paths64 rings;
    std::vector<double> xy;
    try {
        std::size_t points = 0;
        for (std::size_t i = 2; i < size && points < kMaxFuzzPoints; ++i) {
            if (data[i] == 0xFF) {
                append_compensation_ring(rings, xy.data(), xy.size() / 2);
                xy.clear();
                continue;
            }
            xy.push_back(static_cast<double>(static_cast<int>(data[i] % 101) - 50) * 0.5);
            points += xy.size() % 2 == 0 ? 1 : 0;
        }
        append_compensation_ring(rings, xy.data(), xy.size() / 2);
        const HoleCompensation result = find_holes(rings, area, width);
        for (const auto* faces : {&result.holes, &result.filled_coverage}) {
            for (const CompensationFace& face : *faces) {
                pavrix_fuzz::require(face.shell.size() >= 3);
                for (const auto& interior : face.interiors)
                    pavrix_fuzz::require(interior.size() >= 3);
            }
        }
    } catch (const std::invalid_argument&) {
    }
    return 0;
}
