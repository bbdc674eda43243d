#include "kernel/common/complexity_budget.h"

#include <algorithm>
#include <array>
#include <limits>
#include <stdexcept>
#include <vector>

#include "kernel/common/boolean_crossings.h"

namespace pavrix_svg_core {
namespace {

constexpr std::uint64_t kMaxU64 = std::numeric_limits<std::uint64_t>::max();

std::uint64_t counter_sum(std::uint64_t value, std::uint64_t n, BudgetCounter counter) {
    const std::uint64_t cap = kBudgetCaps[static_cast<unsigned>(counter)];
    if (n > kMaxU64 - value || value + n > cap)
        throw ComplexityLimitError("counter_overflow");
    return value + n;
}

}  // namespace

std::uint64_t& budget_counter(ComplexityBudget& budget, BudgetCounter counter) noexcept {
    switch (counter) {
    case BudgetCounter::lowered_points:
        return budget.lowered_points;
    case BudgetCounter::lowered_rings:
        return budget.lowered_rings;
    case BudgetCounter::clipper_input_points:
        return budget.clipper_input_points;
    case BudgetCounter::exported_coordinates:
        return budget.exported_coordinates;
    case BudgetCounter::clipper_output_points:
        return budget.clipper_output_points;
    case BudgetCounter::clipper_output_paths:
        return budget.clipper_output_paths;
    case BudgetCounter::bounds_index_visits:
        return budget.bounds_index_visits;
    case BudgetCounter::simplification_steps:
        break;
    }
    return budget.simplification_steps;
}

std::uint64_t budget_counter(const ComplexityBudget& budget, BudgetCounter counter) noexcept {
    return budget_counter(const_cast<ComplexityBudget&>(budget), counter);
}

void charge_budget(ComplexityBudget& budget, BudgetCounter counter, std::uint64_t n) {
    std::uint64_t& value = budget_counter(budget, counter);
    value = counter_sum(value, n, counter);
}

void require_budget_room(const ComplexityBudget& budget, BudgetCounter counter, std::uint64_t n) {
    (void)counter_sum(budget_counter(budget, counter), n, counter);
}

void charge_lowered_points(ComplexityBudget& budget, std::uint64_t n) {
    charge_budget(budget, BudgetCounter::lowered_points, n);
}

void charge_lowered_ring(ComplexityBudget& budget) {
    charge_budget(budget, BudgetCounter::lowered_rings, 1);
}

void charge_clipper_input(ComplexityBudget& budget, const Clipper2Lib::Paths64& subject,
                          const Clipper2Lib::Paths64* clip) {
    std::uint64_t points = total_point_count(subject);
    if (clip != nullptr)
        points = checked_size_sum(points, total_point_count(*clip));
    charge_budget(budget, BudgetCounter::clipper_input_points, points);
}

void charge_clipper_output(ComplexityBudget& budget, const Clipper2Lib::Paths64& result) {
    charge_budget(budget, BudgetCounter::clipper_output_points, total_point_count(result));
    charge_budget(budget, BudgetCounter::clipper_output_paths, result.size());
}

void merge_budget(ComplexityBudget& budget, const ComplexityBudget& other) {
    for (unsigned i = 0; i < kBudgetCounterCount; ++i) {
        const auto counter = static_cast<BudgetCounter>(i);
        charge_budget(budget, counter, budget_counter(other, counter));
    }
}

std::uint64_t checked_size_sum(std::uint64_t a, std::uint64_t b) {
    if (b > kMaxU64 - a)
        throw ComplexityLimitError("size_sum_overflow");
    return a + b;
}

std::uint64_t checked_size_product(std::uint64_t a, std::uint64_t b) {
    if (a != 0 && b > kMaxU64 / a)
        throw ComplexityLimitError("size_product_overflow");
    return a * b;
}

std::uint64_t total_point_count(const Clipper2Lib::Paths64& paths) {
    std::uint64_t total = 0;
    for (const auto& path : paths)
        total = checked_size_sum(total, path.size());
    return total;
}

namespace {

std::uint64_t operand_point_count(const Clipper2Lib::Paths64& subject, const Clipper2Lib::Paths64* clip) {
    return checked_size_sum(total_point_count(subject), clip != nullptr ? total_point_count(*clip) : 0);
}

std::uint64_t sweep_work(const Clipper2Lib::Paths64& subject, const Clipper2Lib::Paths64* clip, std::uint64_t points) {
    const std::array<const Clipper2Lib::Paths64*, 2> operands{&subject, clip};
    std::vector<std::int64_t> scanbeams;
    scanbeams.reserve(points);
    for (const Clipper2Lib::Paths64* paths : operands) {
        if (paths == nullptr)
            continue;
        for (const auto& path : *paths)
            for (const auto& point : path)
                scanbeams.push_back(point.y);
    }
    std::sort(scanbeams.begin(), scanbeams.end());
    scanbeams.erase(std::unique(scanbeams.begin(), scanbeams.end()), scanbeams.end());
    const auto beam = [&](std::int64_t y) {
        return static_cast<std::uint64_t>(std::lower_bound(scanbeams.begin(), scanbeams.end(), y) - scanbeams.begin());
    };
    std::uint64_t work = 0;
    for (const Clipper2Lib::Paths64* paths : operands) {
        if (paths == nullptr)
            continue;
        for (const auto& path : *paths) {
            if (path.size() < 2)
                continue;
            std::uint64_t from = beam(path.back().y);
            for (const auto& point : path) {
                const std::uint64_t to = beam(point.y);
                work += from < to ? to - from : from - to;
                from = to;
            }
        }
    }
    // Never below the point count, so that flat inputs are not free either.
    return std::max(work, points);
}

}  // namespace

std::uint64_t predicted_sweep_work(const Clipper2Lib::Paths64& subject, const Clipper2Lib::Paths64* clip) {
    return sweep_work(subject, clip, operand_point_count(subject, clip));
}

void require_sweep_room(const Clipper2Lib::Paths64& subject, const Clipper2Lib::Paths64* clip) {
    const std::uint64_t points = operand_point_count(subject, clip);
    if (points > kSmallSweepPoints && sweep_work(subject, clip, points) > kSweepWorkCap)
        throw ComplexityLimitError("sweep_work_limit");
    // Counting every crossing costs about as much as the sweep itself, so it only confirms what a
    // sample of edge pairs suggests; a refusal always rests on the count.
    if (points <= kSmallCrossingEdges)
        return;
    const std::uint64_t allowance = crossing_allowance(points);
    if (crossings_may_pass(subject, clip, allowance) && predicted_crossings(subject, clip, allowance) > allowance)
        throw ComplexityLimitError("boolean_crossing_limit");
}

std::uint64_t crossing_allowance(std::uint64_t points) {
    return checked_size_sum(kCrossingCap, checked_size_product(kCrossingsPerPoint, points));
}

Clipper2Lib::Paths64 clipper_boolean(Clipper2Lib::ClipType clip_type, Clipper2Lib::FillRule fill_rule,
                                     const Clipper2Lib::Paths64& subject, const Clipper2Lib::Paths64* clip) {
    // A guard only: it is the callers who charge.
    require_sweep_room(subject, clip);
    Clipper2Lib::Clipper64 engine;
    engine.AddSubject(subject);
    if (clip != nullptr)
        engine.AddClip(*clip);
    Clipper2Lib::Paths64 solution;
    if (!engine.Execute(clip_type, fill_rule, solution))
        throw std::runtime_error("clipper_boolean_failed");
    return solution;
}

}  // namespace pavrix_svg_core
