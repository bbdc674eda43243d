// Build and query time of the packed grid bounds index.
//
//   bounds_index_bench [items]
//
// Builds the index over a grid-like scatter of small boxes (10^5 by default, then ten times as
// many) and queries every box against it, as the compositors do. The time per item should grow
// only logarithmically, and the visits per query should stay near the leaf size.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>

#include "kernel/bounds/packed_grid_bounds_index.h"

using namespace pavrix_svg_core;

namespace {

template <typename Work>
double seconds(Work work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
    const long requested = argc > 1 ? std::atol(argv[1]) : 100000;
    const std::uint64_t base = requested > 0 ? static_cast<std::uint64_t>(requested) : 100000;
    for (const std::uint64_t count : {base, base * 10}) {
        std::mt19937_64 random(1);
        std::uniform_int_distribution<std::int64_t> coordinate(0, 1'000'000'000), extent(0, 100'000);
        std::vector<IntBox> boxes;
        boxes.reserve(count);
        for (std::uint64_t i = 0; i < count; ++i) {
            const std::int64_t x = coordinate(random), y = coordinate(random);
            boxes.push_back(IntBox{x, y, x + extent(random), y + extent(random), true});
        }
        const std::vector<IntBox> queries = boxes;
        PackedGridBoundsIndex index;
        const double build = seconds([&] { index = PackedGridBoundsIndex(boxes); });
        ComplexityBudget budget;
        std::uint64_t found = 0;
        const double query = seconds([&] {
            for (const IntBox& box : queries)
                found += index.query(box, budget).size();
        });
        std::printf(
            "%llu boxes: build %.4f s (%.1f ns/item), queries %.4f s (%.1f ns/query), "
            "%.1f visits and %.2f hits per query\n",
            static_cast<unsigned long long>(count), build, build * 1e9 / static_cast<double>(count), query,
            query * 1e9 / static_cast<double>(count),
            static_cast<double>(budget.bounds_index_visits) / static_cast<double>(count),
            static_cast<double>(found) / static_cast<double>(count));
    }
    return 0;
}
