// Parallel tasks: every task runs once whatever the thread count, and the lowest failing task's
// exception is the one that surfaces.

#include "kernel/common/parallel_tasks.h"

#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace pavrix_svg_core {
namespace {

TEST(ParallelTasks, EveryTaskOnceAndTheLowestFailureSurfaces) {
    for (const std::uint32_t workers : {1u, 2u, 7u, 16u}) {
        std::vector<int> runs(100, 0);
        EXPECT_EQ(run_parallel_tasks(0, workers, [](std::size_t) {}), 0u);
        try {
            run_parallel_tasks(runs.size(), workers, [&](std::size_t i) {
                ++runs[i];
                if (i == 90 || i == 40)
                    throw std::runtime_error(std::to_string(i));
            });
            ADD_FAILURE() << "no failure surfaced";
        } catch (const std::runtime_error& error) {
            EXPECT_STREQ(error.what(), "40") << workers << " workers";
        }
        EXPECT_EQ(runs, std::vector<int>(100, 1)) << workers << " workers";
    }
}

}  // namespace
}  // namespace pavrix_svg_core
