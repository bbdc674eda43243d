#pragma once

// Paint command records: the contract between the paint recorder, the print
// geometry kernel and the Python layer. Plain values, copied and moved
// member-wise; nothing here has behaviour beyond construction and defaults.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace pavrix_svg_core {

inline constexpr std::uint32_t kPaintSchemaVersion = 4;

// Every enumeration is one unsigned byte. Fields use the enum types, whose
// fixed underlying type lets them hold any byte, so an out-of-table value
// survives a round trip and reads as "unknown" (or "nonzero") in Python.
enum class PaintCommandKind : std::uint8_t {
    fill = 0,
    stroke = 1,
    clip_begin = 2,
    clip_end = 3,
    group_begin = 4,
    group_end = 5,
};

enum class PathVerb : std::uint8_t {
    move_to = 0,   // 1 point
    line_to = 1,   // 1 point
    cubic_to = 2,  // 3 points: control 1, control 2, end
    close = 3,     // 0 points
};

enum class LineCap : std::uint8_t { butt = 0, round = 1, square = 2 };

enum class LineJoin : std::uint8_t { miter = 0, round = 1, bevel = 2 };

// Only 1 means even-odd; every other byte is treated as nonzero.
enum class PaintFillRule : std::uint8_t { nonzero = 0, evenodd = 1 };

// Number of points a verb consumes; 0 for out-of-table bytes.
constexpr std::uint32_t pointsPerVerb(PathVerb verb) noexcept {
    switch (verb) {
    case PathVerb::move_to:
    case PathVerb::line_to:
        return 1;
    case PathVerb::cubic_to:
        return 3;
    case PathVerb::close:
        return 0;
    }
    return 0;
}

// A point in the user space of the painting element (before the matrix).
struct PaintPoint {
    double x = 0.0;
    double y = 0.0;

    friend bool operator==(const PaintPoint&, const PaintPoint&) = default;
};

struct PaintStrokeStyle {
    double width = 1.0;
    double miter_limit = 4.0;
    double dash_offset = 0.0;
    LineCap line_cap = LineCap::butt;
    LineJoin line_join = LineJoin::miter;
    std::vector<double> dash_array;  // empty = solid

    friend bool operator==(const PaintStrokeStyle&, const PaintStrokeStyle&) = default;
};

// a, b, c, d, e, f: x' = a*x + c*y + e, y' = b*x + d*y + f.
using PaintMatrix = std::array<double, 6>;
inline constexpr PaintMatrix kIdentityPaintMatrix{1.0, 0.0, 0.0, 1.0, 0.0, 0.0};

struct PaintCommand {
    PaintCommandKind kind = PaintCommandKind::fill;
    std::vector<PathVerb> path_verbs;
    std::vector<PaintPoint> path_points;
    PaintMatrix matrix = kIdentityPaintMatrix;
    std::array<std::uint8_t, 4> rgba{0, 0, 0, 0};
    PaintFillRule fill_rule = PaintFillRule::nonzero;
    PaintStrokeStyle stroke;
    bool has_partial_alpha = false;
    double paint_opacity = 1.0;
    bool non_scaling_stroke = false;
    double group_opacity = 1.0;
    std::int32_t source_index = -1;
    std::uint32_t relative_path_operation_count = 0;
    std::uint32_t transform_operation_count = 0;
    double path_input_precision_error = 0.0;
    double path_input_precision_error_x = 0.0;
    double path_input_precision_error_y = 0.0;
    double path_lowering_precision_error = 0.0;
    bool path_coordinates_exact = false;
    bool transform_coordinates_exact = false;
    double source_fill_area_upper_bound = 0.0;
    bool source_has_lowered_curve = false;
    bool stroke_direction_input_ambiguous = false;
    bool isolated_stroke_direction_input_ambiguous = false;
    double transform_linear_precision_error = 0.0;
    double transform_translation_precision_error = 0.0;
    std::vector<std::uint8_t> source_subpath_area_potential;  // one per move_to
    std::string source_kind;

    friend bool operator==(const PaintCommand&, const PaintCommand&) = default;
};

// x, y, w, h
using PaintBox = std::array<float, 4>;

// The recorder's working record, filled by the render pass.
struct PaintRecording {
    std::uint32_t schema_version = kPaintSchemaVersion;
    PaintBox bounds{0.0f, 0.0f, 0.0f, 0.0f};
    bool image_vectorizer_origin = false;
    std::vector<PaintCommand> commands;
    std::vector<std::string> reasons;  // first-seen order
    std::uint64_t verb_count = 0;
    std::uint64_t point_count = 0;
    std::uint64_t dash_count = 0;
    bool over_budget = false;  // a counter would have overflowed; nothing more is recorded
};

struct RecorderResult {
    std::string status = "invalid";
    std::string reason_code = "invalid_svg";
    std::uint32_t schema_version = kPaintSchemaVersion;
    PaintBox bounds{0.0f, 0.0f, 0.0f, 0.0f};
    PaintBox viewport{0.0f, 0.0f, 0.0f, 0.0f};
    bool image_vectorizer_origin = false;
    bool has_non_scaling_stroke = false;
    std::vector<PaintCommand> commands;  // empty unless status is "supported"
};

RecorderResult make_invalid_recorder_result();
RecorderResult make_complexity_result();

// Structural invariants of a recorded command: points match the verbs
// (1, 1, 3, 0), one area-potential entry per move_to, no path for
// clip_end and group commands, and only in-table verbs.
bool paintCommandIsWellFormed(const PaintCommand& command) noexcept;

}  // namespace pavrix_svg_core
