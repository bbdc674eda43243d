#include "kernel/common/complexity_budget.h"

#include <cmath>
#include <limits>
#include <string>

#include <gtest/gtest.h>

#include "tests/kernel/common/crossing_test_support.h"

namespace pavrix_svg_core {
namespace {

constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();

std::uint64_t cap_of(BudgetCounter counter) {
    return kBudgetCaps[static_cast<unsigned>(counter)];
}

std::string limit_reason(auto&& action) {
    try {
        action();
    } catch (const ComplexityLimitError& error) {
        return error.what();
    }
    return "";
}

struct ChargeCase {
    const char* why;
    BudgetCounter counter;
    std::uint64_t start;
    std::uint64_t n;
    bool fits;
};

class Charge : public ::testing::TestWithParam<ChargeCase> {};

TEST_P(Charge, ChargesUpToTheCapAndKeepsTheValueOnOverflow) {
    const auto& c = GetParam();
    ComplexityBudget budget;
    budget_counter(budget, c.counter) = c.start;
    EXPECT_EQ(limit_reason([&] { require_budget_room(budget, c.counter, c.n); }), c.fits ? "" : "counter_overflow");
    EXPECT_EQ(budget_counter(budget, c.counter), c.start) << "room checks charge nothing";
    EXPECT_EQ(limit_reason([&] { charge_budget(budget, c.counter, c.n); }), c.fits ? "" : "counter_overflow");
    EXPECT_EQ(budget_counter(budget, c.counter), c.fits ? c.start + c.n : c.start) << c.why;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Charge,
    ::testing::Values(
        ChargeCase{"exactly the cap", BudgetCounter::lowered_points, 0, cap_of(BudgetCounter::lowered_points), true},
        ChargeCase{"one past the cap", BudgetCounter::lowered_rings, cap_of(BudgetCounter::lowered_rings), 1, false},
        ChargeCase{"sum wraps past 2^64", BudgetCounter::bounds_index_visits, 5, kMax, false},
        ChargeCase{"zero at the cap", BudgetCounter::simplification_steps, cap_of(BudgetCounter::simplification_steps),
                   0, true},
        ChargeCase{"last counter is its own", BudgetCounter::simplification_steps, 0, 1, true}));

TEST(ComplexityBudget, CountersMapToTheirOwnFields) {
    ComplexityBudget budget;
    for (unsigned i = 0; i < kBudgetCounterCount; ++i)
        charge_budget(budget, static_cast<BudgetCounter>(i), i + 1);
    EXPECT_EQ(budget.lowered_points, 1u);
    EXPECT_EQ(budget.clipper_output_paths, 6u);
    EXPECT_EQ(budget.bounds_index_visits, 7u);
    EXPECT_EQ(budget.simplification_steps, 8u);
}

TEST(ComplexityBudget, MergeAddsInCounterOrderUntilTheFirstOverflow) {
    ComplexityBudget budget, other;
    for (unsigned i = 0; i < kBudgetCounterCount; ++i)
        budget_counter(other, static_cast<BudgetCounter>(i)) = 10;
    budget.clipper_output_points = cap_of(BudgetCounter::clipper_output_points);  // counter 4 overflows
    EXPECT_EQ(limit_reason([&] { merge_budget(budget, other); }), "counter_overflow");
    EXPECT_EQ(budget.lowered_points, 10u);
    EXPECT_EQ(budget.exported_coordinates, 10u);
    EXPECT_EQ(budget.clipper_output_points, cap_of(BudgetCounter::clipper_output_points));
    EXPECT_EQ(budget.clipper_output_paths, 0u);
}

TEST(ComplexityBudget, CheckedSizesNameTheirOverflow) {
    EXPECT_EQ(checked_size_sum(kMax - 1, 1), kMax);
    EXPECT_EQ(limit_reason([] { checked_size_sum(kMax, 1); }), "size_sum_overflow");
    EXPECT_EQ(checked_size_product(0, kMax), 0u);
    EXPECT_EQ(limit_reason([] { checked_size_product(std::uint64_t{1} << 32, std::uint64_t{1} << 32); }),
              "size_product_overflow");
}

TEST(ComplexityBudget, ClipperChargesCountPointsAndPaths) {
    const Clipper2Lib::Paths64 square{{{0, 0}, {10, 0}, {10, 10}, {0, 10}}};
    const Clipper2Lib::Paths64 shifted{{{5, 5}, {15, 5}, {15, 15}, {5, 15}}, {}};
    ComplexityBudget budget;
    charge_clipper_input(budget, square, &shifted);
    EXPECT_EQ(budget.clipper_input_points, 8u);
    const Clipper2Lib::Paths64 united =
        clipper_boolean(Clipper2Lib::ClipType::Union, Clipper2Lib::FillRule::NonZero, square, &shifted);
    charge_clipper_output(budget, united);
    ASSERT_EQ(united.size(), 1u);
    EXPECT_EQ(budget.clipper_output_paths, 1u);
    EXPECT_EQ(budget.clipper_output_points, united[0].size());
    EXPECT_EQ(std::abs(Clipper2Lib::Area(united[0])), 175.0);
}

// A ring around a circle of `points` vertices; every second one `spike` further out.
Clipper2Lib::Paths64 spiked_ring(int points, double spike) {
    Clipper2Lib::Path64 ring;
    for (int i = 0; i < points; ++i) {
        const double angle = 2.0 * 3.141592653589793 * i / points;
        const double radius = 1e6 + (i % 2) * spike;
        ring.push_back({std::llround(radius * std::cos(angle)), std::llround(radius * std::sin(angle))});
    }
    return {ring};
}

TEST(ComplexityBudget, SweepWorkCountsTheScanbeamsEachEdgeSpans) {
    // Scanbeams at y = 0, 10, 20, 30: three short sides span one each, the long one three.
    const Clipper2Lib::Paths64 fan{{{0, 0}, {0, 10}, {0, 20}, {0, 30}, {10, 0}}};
    EXPECT_EQ(predicted_sweep_work(fan), 6u);
    // The clip's points are scanbeams of the subject too (adding y = 5 and 15).
    const Clipper2Lib::Paths64 between{{{0, 5}, {1, 5}, {1, 15}}};
    EXPECT_EQ(predicted_sweep_work(fan, &between), 14u);
    // Never below the point count.
    const Clipper2Lib::Paths64 flat{{{0, 0}, {10, 0}, {20, 0}}};
    EXPECT_EQ(predicted_sweep_work(flat), 3u);
}

// The smallest odd star with more crossings than it is allowed.
int star_vertices_over_allowance() {
    int n = 5;
    while (std::uint64_t(n) * (n - 3) / 2 <= crossing_allowance(n))
        n += 2;
    return n;
}

// Upright and lying bars, n of each: 4 n^2 crossings among 8 n points, all on scanbeam levels.
Clipper2Lib::Paths64 lattice(int n) {
    Clipper2Lib::Paths64 both = bars(n, true), lying = bars(n, false);
    both.insert(both.end(), lying.begin(), lying.end());
    return both;
}

int lattice_over_allowance() {
    int n = 1;
    while (4 * std::uint64_t(n) * n <= crossing_allowance(8 * n))
        ++n;
    return n;
}

TEST(ComplexityBudget, SweepRoomRefusesStackedEdgesAndCrossings) {
    const int over = star_vertices_over_allowance();
    const int lattice_over = lattice_over_allowance();
    struct {
        const char* why;
        Clipper2Lib::Paths64 paths;
        const char* reason;
    } const cases[] = {
        {"a large legitimate ring", spiked_ring(100000, 0.0), ""},
        {"spikes: each edge spans thousands of scanbeams", spiked_ring(100000, 5e5), "sweep_work_limit"},
        {"a star just past its crossing allowance", star(over), "boolean_crossing_limit"},
        {"a star just below it", star(over - 2), ""},
        {"a lattice just past its allowance", lattice(lattice_over), "boolean_crossing_limit"},
        {"a lattice just below it", lattice(lattice_over - 1), ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(limit_reason([&] { require_sweep_room(c.paths); }), c.reason) << c.why;
        if (*c.reason != 0) {
            EXPECT_EQ(limit_reason([&] {
                          clipper_boolean(Clipper2Lib::ClipType::Union, Clipper2Lib::FillRule::NonZero, c.paths);
                      }),
                      c.reason)
                << c.why;
        }
    }
}

}  // namespace
}  // namespace pavrix_svg_core
