#pragma once

// The work counters of one analysis, checked size arithmetic, and the one way the kernel runs
// a Clipper2 boolean operation.

#include <array>
#include <cstdint>

#include <clipper2/clipper.h>

#include "kernel/common/kernel_errors.h"

namespace pavrix_svg_core {

// Eight unsigned 64-bit counters, in this order. Plain (not atomic): a budget is used by one
// thread at a time; replay workers fill their own and the ordered pass merges them.
struct ComplexityBudget {
    std::uint64_t lowered_points = 0;         // flattening, quantization, dashing, cap polygons
    std::uint64_t lowered_rings = 0;          // rings or pieces produced by lowering
    std::uint64_t clipper_input_points = 0;   // subject plus clip points handed to a boolean
    std::uint64_t exported_coordinates = 0;   // coordinate rows written into collections
    std::uint64_t clipper_output_points = 0;  // points in boolean results
    std::uint64_t clipper_output_paths = 0;   // paths in boolean results
    std::uint64_t bounds_index_visits = 0;    // leaf candidates tested by the bounds index
    std::uint64_t simplification_steps = 0;   // points examined by stroke simplification
};

enum class BudgetCounter : unsigned {
    lowered_points = 0,
    lowered_rings,
    clipper_input_points,
    exported_coordinates,
    clipper_output_points,
    clipper_output_paths,
    bounds_index_visits,
    simplification_steps,
};
inline constexpr unsigned kBudgetCounterCount = 8;

// Caps per counter and analysis. Real artwork stays two orders of magnitude below them (a 20 MB
// icon sheet lowers to about 2e6 points); they exist so that hostile input (dashes far below the
// grid, deep curve splitting) ends as "unsupported_complexity" before memory runs out. Point
// counters hold 16-byte grid points, so 2^28 points are 4 GiB; work-only counters (index visits,
// simplification steps) cost time, not memory, and get more room.
inline constexpr std::array<std::uint64_t, kBudgetCounterCount> kBudgetCaps{
    std::uint64_t{1} << 28,  // lowered_points
    std::uint64_t{1} << 26,  // lowered_rings
    std::uint64_t{1} << 30,  // clipper_input_points
    std::uint64_t{1} << 28,  // exported_coordinates
    std::uint64_t{1} << 30,  // clipper_output_points
    std::uint64_t{1} << 26,  // clipper_output_paths
    std::uint64_t{1} << 34,  // bounds_index_visits
    std::uint64_t{1} << 32,  // simplification_steps
};

std::uint64_t& budget_counter(ComplexityBudget& budget, BudgetCounter counter) noexcept;
std::uint64_t budget_counter(const ComplexityBudget& budget, BudgetCounter counter) noexcept;

// counter += n. Throws ComplexityLimitError "counter_overflow" when the sum passes 2^64 - 1 or
// the counter's cap; the counter is then left unchanged.
void charge_budget(ComplexityBudget& budget, BudgetCounter counter, std::uint64_t n);

// Throws exactly as charge_budget would, without charging: for predicted counts (dash pieces,
// cap polygons, 2^depth subdivisions) checked before anything is allocated.
void require_budget_room(const ComplexityBudget& budget, BudgetCounter counter, std::uint64_t n);

void charge_lowered_points(ComplexityBudget& budget, std::uint64_t n);
void charge_lowered_ring(ComplexityBudget& budget);
void charge_clipper_input(ComplexityBudget& budget, const Clipper2Lib::Paths64& subject,
                          const Clipper2Lib::Paths64* clip = nullptr);
void charge_clipper_output(ComplexityBudget& budget, const Clipper2Lib::Paths64& result);

// Adds the eight counters of `other` in counter order, each checked; an overflow at counter k
// leaves counters 0 to k - 1 added.
void merge_budget(ComplexityBudget& budget, const ComplexityBudget& other);

// ComplexityLimitError "size_sum_overflow" / "size_product_overflow".
std::uint64_t checked_size_sum(std::uint64_t a, std::uint64_t b);
std::uint64_t checked_size_product(std::uint64_t a, std::uint64_t b);
std::uint64_t total_point_count(const Clipper2Lib::Paths64& paths);

// Work of Clipper2's sweep over these closed paths, predicted before it runs: the sweep visits
// every active edge at every scanbeam (distinct vertex y), so the sum over edges of the
// scanbeams each one spans. Ordinary artwork stays near the point count; rings whose edges
// stack across the whole height (10^5 radial spikes, dense stars) grow it quadratically.
std::uint64_t predicted_sweep_work(const Clipper2Lib::Paths64& subject, const Clipper2Lib::Paths64* clip = nullptr);

// Per sweep: about five seconds on a current core. A 20 MB icon sheet needs at most 3e6.
inline constexpr std::uint64_t kSweepWorkCap = std::uint64_t{1} << 27;

// The largest point count whose square stays within kSweepWorkCap: no input this small can
// reach the cap, since every edge spans fewer scanbeams than there are points.
inline constexpr std::uint64_t kSmallSweepPoints = 11585;
static_assert(kSmallSweepPoints * kSmallSweepPoints <= kSweepWorkCap);

// Crossings allowed per boolean: kCrossingCap plus kCrossingsPerPoint for each input point.
// Every crossing costs the sweep an intersection and the later stages two vertices and their
// faces, about 16 us in all: a star with 10^6 crossings took 16 s. Real artwork crosses in
// proportion to its size (a raw stroke outline about once per inner join): the most found is
// 48,364 crossings in 42,884 points (traced art with 1-px outlines), 38,033 in 245,085 points
// (64 traced colour layers), 445 in a 20 MB icon sheet; the allowance is 6.3 times the first
// and 3.5 times anything crossing a point's worth on average, while a self-crossing star or a
// polygon retracing itself passes it with a few thousand points.
inline constexpr std::uint64_t kCrossingCap = std::uint64_t{1} << 17;
inline constexpr std::uint64_t kCrossingsPerPoint = 4;

// The largest edge count whose pairs stay within kCrossingCap: no input this small can reach it.
inline constexpr std::uint64_t kSmallCrossingEdges = 512;
static_assert(kSmallCrossingEdges * (kSmallCrossingEdges - 1) / 2 <= kCrossingCap);
static_assert((kSmallCrossingEdges + 1) * kSmallCrossingEdges / 2 > kCrossingCap);

// The crossings allowed to a boolean of `points` input points.
std::uint64_t crossing_allowance(std::uint64_t points);

// Before a sweep: ComplexityLimitError "sweep_work_limit" when predicted_sweep_work passes
// kSweepWorkCap (inputs of at most kSmallSweepPoints points are not measured), then
// "boolean_crossing_limit" when predicted_crossings passes crossing_allowance (inputs of at most
// kSmallCrossingEdges points are not measured).
void require_sweep_room(const Clipper2Lib::Paths64& subject, const Clipper2Lib::Paths64* clip = nullptr);

// Clipper64 (never the Z variant) over closed paths; std::runtime_error
// "clipper_boolean_failed" when the engine reports failure, and require_sweep_room's error
// before it runs. Charges nothing: callers charge the input before and the output after.
Clipper2Lib::Paths64 clipper_boolean(Clipper2Lib::ClipType clip_type, Clipper2Lib::FillRule fill_rule,
                                     const Clipper2Lib::Paths64& subject, const Clipper2Lib::Paths64* clip = nullptr);

}  // namespace pavrix_svg_core
