// The analysis entry without geometry: the stroke policy, failures while recording and the mapping
// of kernel exceptions to status and reason.

#include "kernel/analysis_entry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "kernel/common/kernel_errors.h"

namespace {

using namespace pavrix_svg_core;

PaintCommand command_of(PaintCommandKind kind, std::vector<double> dashes = {}) {
    PaintCommand command;
    command.kind = kind;
    command.stroke.dash_array = std::move(dashes);
    return command;
}

TEST(FailureMapping, FreshResultKeepsCountAndRecordingTimeOnly) {
    struct {
        const char* name;
        std::exception_ptr failure;
        const char* status;
        const char* reason;
    } const cases[] = {
        {"input_precision", std::make_exception_ptr(InputPrecisionError("nonfinite_path_point")), "unsupported",
         "unsupported_input_precision"},
        {"stroke_precision", std::make_exception_ptr(StrokeInputPrecisionError("miter_denominator")), "unsupported",
         "unsupported_input_precision"},
        {"complexity", std::make_exception_ptr(ComplexityLimitError("counter_overflow")), "unsupported",
         "unsupported_complexity"},
        {"range", std::make_exception_ptr(std::range_error("numeric_range_error")), "invalid", "numeric_range_error"},
        {"allocation", std::make_exception_ptr(std::bad_alloc()), "invalid", "allocation_failed"},
        {"runtime", std::make_exception_ptr(std::runtime_error("native_result_census_failed")), "invalid",
         "native_geometry_error"},
        {"length", std::make_exception_ptr(std::length_error("result_size_overflow")), "invalid",
         "native_geometry_error"},
        {"logic", std::make_exception_ptr(std::logic_error("missing_complexity_budget")), "invalid",
         "native_geometry_error"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto result = result_for_failure(c.failure, 7, 0.25);
        EXPECT_EQ(result->status, c.status);
        EXPECT_EQ(result->reason_code, c.reason);
        EXPECT_EQ(result->input_paint_count, 7u);
        EXPECT_EQ(result->recorder_seconds, 0.25);
        EXPECT_EQ(result->kernel_seconds, 0.0);
        EXPECT_FALSE(result->image_vectorizer_origin);
        EXPECT_EQ(result.use_count(), 1);
        EXPECT_NO_THROW((void)result->shared_from_this());  // shared ownership, so views can share it
    }
}

TEST(ZeroLengthDash, FloatZeroOnStrokesOnly) {
    struct {
        const char* name;
        PaintCommandKind kind;
        std::vector<double> dashes;
        bool zero;
    } const cases[] = {{"zero", PaintCommandKind::stroke, {0.0, 2.0}, true},
                       {"negative_zero", PaintCommandKind::stroke, {2.0, -0.0}, true},
                       {"underflows_in_float", PaintCommandKind::stroke, {1e-50, 2.0}, true},
                       {"smallest_float_denormal", PaintCommandKind::stroke, {1.5e-45, 2.0}, false},
                       {"solid", PaintCommandKind::stroke, {}, false},
                       {"fill_is_not_dashed", PaintCommandKind::fill, {0.0}, false}};
    for (const auto& c : cases) {
        EXPECT_EQ(has_zero_length_dash({command_of(c.kind, c.dashes)}), c.zero) << c.name;
    }
}

TEST(StrokePolicy, RemovingStrokesKeepsTheOrderOfTheRest) {
    std::vector<PaintCommand> commands{command_of(PaintCommandKind::group_begin), command_of(PaintCommandKind::stroke),
                                       command_of(PaintCommandKind::fill), command_of(PaintCommandKind::stroke),
                                       command_of(PaintCommandKind::group_end)};
    commands[2].source_index = 5;
    remove_stroke_commands(commands);
    ASSERT_EQ(commands.size(), 3u);
    EXPECT_EQ(commands[0].kind, PaintCommandKind::group_begin);
    EXPECT_EQ(commands[1].source_index, 5);
    EXPECT_EQ(commands[2].kind, PaintCommandKind::group_end);
    EXPECT_EQ(count_paint_commands(commands), 1u);
}

TEST(AnalyzeRecording, MemoryExhaustedWhileRecordingIsAResult) {
    const auto result = analyze_recording([]() -> RecorderResult { throw std::bad_alloc(); }, 100, 0.1, true, {});
    EXPECT_EQ(result->status, "invalid");
    EXPECT_EQ(result->reason_code, "allocation_failed");
    EXPECT_EQ(result->input_paint_count, 0u);
    EXPECT_GE(result->recorder_seconds, 0.0);
}

TEST(AnalyzeRecording, KernelExceptionBecomesFreshResult) {
    auto record = [] {
        RecorderResult recording;
        recording.status = "supported";
        recording.reason_code.clear();
        recording.viewport = {0.0f, 0.0f, std::numeric_limits<float>::infinity(), 50.0f};
        recording.commands = {command_of(PaintCommandKind::fill)};
        recording.image_vectorizer_origin = true;
        return recording;
    };
    const auto result = analyze_recording(record, 100, 0.1, true, {});
    EXPECT_EQ(result->status, "unsupported");
    EXPECT_EQ(result->reason_code, "unsupported_input_precision");
    EXPECT_EQ(result->input_paint_count, 1u);
    EXPECT_EQ(result->kernel_seconds, 0.0);
    EXPECT_FALSE(result->image_vectorizer_origin);
}

}  // namespace
