#include "kernel/lowering/lowering_error_records.h"
#include "kernel/lowering/fill_lowering.h"
#include "kernel/lowering/stroke_outline.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <stdexcept>
#include <utility>

namespace pavrix_svg_core {
namespace {

struct RecordCase {
    const char* why;
    std::vector<PaintPoint> points;
    std::vector<double> errors;
    std::vector<double> expected;  // input error of each record, in edge order
};

TEST(RecordApproximationErrors, Table) {
    // clang-format off
    const RecordCase cases[] = {
        {"triangle: each edge carries its end point's error", {{0, 0}, {4, 0}, {4, 3}}, {1, 2, 3}, {2, 3, 1}},
        {"repeats merge by maximum", {{0, 0}, {4, 0}, {4, 0}, {4, 3}}, {0, 1, 5, 0}, {5, 0, 0}},
        {"leading repeat", {{0, 0}, {0, 0}, {4, 0}, {4, 3}}, {1, 9, 2, 3}, {2, 3, 9}},
        {"closing repeat moves to the first point", {{0, 0}, {4, 0}, {4, 3}, {0, 0}}, {0, 1, 2, 7}, {1, 2, 7}},
        {"two distinct points", {{0, 0}, {1, 1}, {0, 0}}, {0, 0, 0}, {}},
        {"one point", {{2, 2}, {2, 2}, {2, 2}}, {0, 0, 0}, {}}};
    // clang-format on
    for (const RecordCase& c : cases) {
        std::vector<PrecisionRecord> list;
        record_approximation_errors(c.points, kIdentityPaintMatrix, ErrorPair{}, c.errors, &list);
        std::vector<double> errors;
        for (const PrecisionRecord& record : list)
            errors.push_back(record.input_error);
        EXPECT_EQ(errors, c.expected) << c.why;
    }
}

TEST(RecordApproximationErrorsEnvelope, ActsAcrossEachEdgeInSourceUnits) {
    std::vector<PrecisionRecord> list;
    record_approximation_errors({{0, 0}, {4, 0}, {4, 3}}, {2, 0, 0, 2, 1, 0}, ErrorPair{0.5, 0.25}, {0, 0, 0}, &list);
    ASSERT_EQ(list.size(), 3u);
    // Horizontal edge: the y envelope only; vertical: x only; the diagonal mixes them.
    EXPECT_DOUBLE_EQ(list[0].input_error, 0.25);
    EXPECT_DOUBLE_EQ(list[1].input_error, 0.5);
    EXPECT_DOUBLE_EQ(list[2].input_error, (8 * 0.25 + 6 * 0.5) / 10);
    EXPECT_EQ(list[0].box.xmax, 9.0);
    EXPECT_THROW(record_approximation_errors({{0, 0}, {1, 0}, {0, 1}}, kIdentityPaintMatrix, {}, {0.0}, &list),
                 std::logic_error);
}

// One list spans a whole replay: command after command must keep geometric growth, or the
// replay turns quadratic in its record count.
PreparedNormalization prepare_into(std::vector<PrecisionRecord>& list, PaintCommandKind kind, int i) {
    ComplexityBudget budget;
    ReplayParams params;
    params.scale = 1.0;
    params.grid_quantum = 1e-3;
    params.flattening_error = 0.01;
    params.budget = &budget;
    params.precision_records = &list;
    const double x = 10.0 * i;  // a small square
    PaintCommand command;
    command.kind = kind;
    command.rgba = {0, 0, 0, 255};
    command.path_verbs = {PathVerb::move_to, PathVerb::line_to, PathVerb::line_to, PathVerb::line_to, PathVerb::close};
    command.path_points = {{x, 0}, {x + 4, 0}, {x + 4, 4}, {x, 4}};
    command.source_subpath_area_potential = {1};
    command.stroke.width = 0.5;
    return kind == PaintCommandKind::stroke ? prepare_stroke(command, params) : prepare_fill(command, params);
}

TEST(PrecisionRecordGrowth, ReallocatesLogarithmically) {
    using Append = std::function<void(std::vector<PrecisionRecord>&, int)>;
    const std::pair<const char*, Append> cases[] = {
        {"ring after ring",
         [](std::vector<PrecisionRecord>& list, int) {
             record_approximation_errors({{0, 0}, {4, 0}, {4, 3}}, kIdentityPaintMatrix, ErrorPair{}, {0, 0, 0}, &list);
         }},
        {"reserve after reserve",
         [](std::vector<PrecisionRecord>& list, int) {
             reserve_precision_records(list, 3);
             list.resize(list.size() + 3);
         }},
        {"fill after fill",
         [](std::vector<PrecisionRecord>& list, int i) { prepare_into(list, PaintCommandKind::fill, i); }},
        {"stroke after stroke",
         [](std::vector<PrecisionRecord>& list, int i) { prepare_into(list, PaintCommandKind::stroke, i); }}};
    for (const auto& [why, append] : cases) {
        SCOPED_TRACE(why);
        std::vector<PrecisionRecord> list;
        std::size_t reallocations = 0;
        constexpr int kAppends = 4000;
        for (int i = 0; i < kAppends; ++i) {
            const std::size_t capacity = list.capacity();
            append(list, i);
            reallocations += list.capacity() != capacity ? 1 : 0;
        }
        EXPECT_GE(list.size(), static_cast<std::size_t>(kAppends));
        EXPECT_LE(reallocations, 24u);
    }
}

TEST(CommandLoweringErrorBound, HalfAGridDiagonalPlusTheLargestNewRecord) {
    std::vector<PrecisionRecord> list(3);
    list[0].input_error = 100.0;  // an earlier command's
    list[1].input_error = 2.0;
    list[2].input_error = 3.0;
    ReplayParams params;
    params.scale = 2.0;
    params.grid_quantum = 0.5;
    params.precision_records = &list;
    const double half_diagonal = 0.25 / std::sqrt(2.0);
    EXPECT_DOUBLE_EQ(command_lowering_error_bound(params, 1), half_diagonal + 3.0);
    EXPECT_DOUBLE_EQ(command_lowering_error_bound(params, 3), half_diagonal);
    list[2].input_error = NAN;
    EXPECT_EQ(command_lowering_error_bound(params, 1), INFINITY) << "an unknown error is unbounded, not zero";
}

}  // namespace
}  // namespace pavrix_svg_core
