#pragma once

// The two analysis entries: physical parameter check, recording, stroke policy, the kernel run, and the
// mapping of every failure to a status and reason code in a fresh result.

#include <cstdint>
#include <exception>
#include <filesystem>
#include <functional>
#include <memory>
#include <string_view>
#include <vector>

#include "kernel/result/native_result.h"
#include "kernel/commands/replay_params.h"
#include "recorder/paint_command.h"

namespace pavrix_svg_core {

// Both run with the interpreter lock released and never touch Python objects. The replay environment
// is read by the caller (once per analysis) and passed down as values.
std::shared_ptr<NativeResult> analyze_svg_file(const std::filesystem::path& path, double target_width_mm,
                                               double tolerance_mm, bool allow_strokes,
                                               const ReplayEnvironment& environment = {});
std::shared_ptr<NativeResult> analyze_svg_text(std::string_view svg, double target_width_mm, double tolerance_mm,
                                               bool allow_strokes, const ReplayEnvironment& environment = {});

// The shared body of both entries, with the recorder passed in.
std::shared_ptr<NativeResult> analyze_recording(const std::function<RecorderResult()>& record, double target_width_mm,
                                                double tolerance_mm, bool allow_strokes,
                                                const ReplayEnvironment& environment);

// Number of fill and stroke commands.
std::uint64_t count_paint_commands(const std::vector<PaintCommand>& commands) noexcept;

// True when some stroke's dash value is zero in single precision (0, -0, underflow to a float zero).
bool has_zero_length_dash(const std::vector<PaintCommand>& commands) noexcept;

// Drops every stroke command, keeping the order of the rest.
void remove_stroke_commands(std::vector<PaintCommand>& commands);

// A fresh shared result for a failure that escaped the kernel: the exception's class decides status and
// reason; the count and recording time are kept, every other field stays at its default.
std::shared_ptr<NativeResult> result_for_failure(const std::exception_ptr& failure, std::uint64_t input_paint_count,
                                                 double recorder_seconds);

}  // namespace pavrix_svg_core
