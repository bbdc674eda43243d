#include "kernel/analysis_entry.h"

#include <algorithm>
#include <chrono>
#include <new>
#include <stdexcept>
#include <utility>

#include "kernel/commands/input_precision.h"
#include "kernel/kernel_driver.h"
#include "kernel/common/kernel_errors.h"
#include "recorder/record_entry.h"

namespace pavrix_svg_core {

namespace {

std::int64_t clock_nanoseconds() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

double seconds_between(std::int64_t start, std::int64_t end) {
    return static_cast<double>(end - start) / 1e9;
}

std::shared_ptr<NativeResult> fresh_result(const char* status, const char* reason, std::uint64_t input_paint_count,
                                           double recorder_seconds) {
    std::shared_ptr<NativeResult> result = make_native_result();
    result->status = status;
    result->reason_code = reason;
    result->input_paint_count = input_paint_count;
    result->recorder_seconds = recorder_seconds;
    return result;
}

}  // namespace

std::uint64_t count_paint_commands(const std::vector<PaintCommand>& commands) noexcept {
    return static_cast<std::uint64_t>(std::count_if(commands.begin(), commands.end(), [](const PaintCommand& c) {
        return c.kind == PaintCommandKind::fill || c.kind == PaintCommandKind::stroke;
    }));
}

bool has_zero_length_dash(const std::vector<PaintCommand>& commands) noexcept {
    for (const PaintCommand& command : commands) {
        if (command.kind != PaintCommandKind::stroke) {
            continue;
        }
        for (const double value : command.stroke.dash_array) {
            // The dasher works on what the float layer would see; a value that underflows is a zero.
            if (static_cast<float>(value) == 0.0f) {
                return true;
            }
        }
    }
    return false;
}

void remove_stroke_commands(std::vector<PaintCommand>& commands) {
    std::erase_if(commands, [](const PaintCommand& command) { return command.kind == PaintCommandKind::stroke; });
}

std::shared_ptr<NativeResult> result_for_failure(const std::exception_ptr& failure, std::uint64_t input_paint_count,
                                                 double recorder_seconds) {
    // The order matters: the precision and complexity classes derive from std::runtime_error.
    try {
        std::rethrow_exception(failure);
    } catch (const InputPrecisionError&) {
        return fresh_result("unsupported", "unsupported_input_precision", input_paint_count, recorder_seconds);
    } catch (const StrokeInputPrecisionError&) {
        return fresh_result("unsupported", "unsupported_input_precision", input_paint_count, recorder_seconds);
    } catch (const ComplexityLimitError&) {
        return fresh_result("unsupported", "unsupported_complexity", input_paint_count, recorder_seconds);
    } catch (const std::range_error&) {
        return fresh_result("invalid", "numeric_range_error", input_paint_count, recorder_seconds);
    } catch (const std::bad_alloc&) {
        return fresh_result("invalid", "allocation_failed", input_paint_count, recorder_seconds);
    } catch (const std::exception&) {
        return fresh_result("invalid", "native_geometry_error", input_paint_count, recorder_seconds);
    }
}

std::shared_ptr<NativeResult> analyze_recording(const std::function<RecorderResult()>& record, double target_width_mm,
                                                double tolerance_mm, bool allow_strokes,
                                                const ReplayEnvironment& environment) {
    if (!is_positive_finite(target_width_mm) || !is_positive_finite(tolerance_mm)) {
        std::shared_ptr<NativeResult> result = make_native_result();
        result->reason_code = "invalid_physical_parameters";
        return result;
    }
    const std::int64_t record_start = clock_nanoseconds();
    RecorderResult recording;
    try {
        recording = record();
    } catch (const std::bad_alloc&) {
        // Memory ran out while recording: a result like the kernel's own, not a Python MemoryError.
        return fresh_result("invalid", "allocation_failed", 0, seconds_between(record_start, clock_nanoseconds()));
    }
    const std::int64_t record_end = clock_nanoseconds();
    const double recorder_seconds = seconds_between(record_start, record_end);

    std::uint64_t input_paint_count = count_paint_commands(recording.commands);
    if (recording.status == "supported") {
        if (allow_strokes) {
            if (has_zero_length_dash(recording.commands)) {
                return fresh_result("unsupported", "unsupported_zero_length_dash", input_paint_count, recorder_seconds);
            }
        } else {
            remove_stroke_commands(recording.commands);
            input_paint_count = count_paint_commands(recording.commands);
        }
    }

    std::shared_ptr<NativeResult> result;
    try {
        result = run_print_geometry_kernel(std::move(recording), target_width_mm, tolerance_mm, environment);
    } catch (const std::exception&) {
        return result_for_failure(std::current_exception(), input_paint_count, recorder_seconds);
    }
    result->recorder_seconds = recorder_seconds;
    result->kernel_seconds = seconds_between(record_end, clock_nanoseconds());
    return result;
}

std::shared_ptr<NativeResult> analyze_svg_file(const std::filesystem::path& path, double target_width_mm,
                                               double tolerance_mm, bool allow_strokes,
                                               const ReplayEnvironment& environment) {
    return analyze_recording([&path] { return record_svg_file(path); }, target_width_mm, tolerance_mm, allow_strokes,
                             environment);
}

std::shared_ptr<NativeResult> analyze_svg_text(std::string_view svg, double target_width_mm, double tolerance_mm,
                                               bool allow_strokes, const ReplayEnvironment& environment) {
    return analyze_recording([svg] { return record_svg_text(svg); }, target_width_mm, tolerance_mm, allow_strokes,
                             environment);
}

}  // namespace pavrix_svg_core
