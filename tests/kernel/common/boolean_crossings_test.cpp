// The crossing forecast against hand-counted crossings.

#include "kernel/common/boolean_crossings.h"

#include <gtest/gtest.h>

#include "tests/kernel/common/crossing_test_support.h"

namespace pavrix_svg_core {
namespace {

TEST(BooleanCrossings, AreTheEdgePairsThatCrossInsideTheSweep) {
    const Clipper2Lib::Paths64 square{{{0, 0}, {10, 0}, {10, 10}, {0, 10}}};
    struct {
        const char* why;
        Clipper2Lib::Paths64 subject;
        Clipper2Lib::Paths64 clip;
        std::uint64_t crossings;
    } const cases[] = {
        {"a square", square, {}, 0},
        {"a bow tie crosses itself once", {{{0, 0}, {10, 10}, {10, 0}, {0, 10}}}, {}, 1},
        {"shifted squares: two on horizontal edges", square, {{{5, 5}, {15, 5}, {15, 15}, {5, 15}}}, 2},
        {"triangles sharing a vertex only touch", {{{0, 0}, {10, 0}, {5, 5}}}, {{{5, 5}, {10, 10}, {0, 10}}}, 0},
        {"7-point star", star(7), {}, 14},
        {"101-point star", star(101), {}, 101 * 98 / 2},
        {"3 upright by 4 lying bars, all on levels", bars(3, true), bars(4, false), 4 * 3 * 4},
        {"bow ties apart in x are swept apart",
         {{{0, 0}, {10, 10}, {10, 0}, {0, 10}}},
         {{{20, 3}, {30, 13}, {30, 3}, {20, 13}}},
         2},
        {"a bow tie touching a square's side at x = 10",
         {{{0, 0}, {10, 10}, {10, 0}, {0, 10}}},
         {{{10, 2}, {20, 2}, {20, 8}, {10, 8}}},
         1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(predicted_crossings(c.subject, c.clip.empty() ? nullptr : &c.clip), c.crossings) << c.why;
    EXPECT_GT(predicted_crossings(star(1001), nullptr, 1000), 1000u) << "stops past the limit";
    EXPECT_LT(predicted_crossings(star(1001), nullptr, 1000), 1001u * 998 / 2) << "stops past the limit";
}

}  // namespace
}  // namespace pavrix_svg_core
