#pragma once

// Estimates of how far a command's device-space geometry can lie from the geometry the author
// meant: rounding envelopes, the matrix norm, point errors carried through the transform and
// the stroke's amplification of them.

#include <cstdint>

#include "recorder/paint_command.h"

namespace pavrix_svg_core {

// Two errors in device (source) units, both >= 0; +inf when unknown, never NaN.
struct ErrorPair {
    double x = 0.0;
    double y = 0.0;
};

// Finite and > 0.
bool is_positive_finite(double value) noexcept;

// The larger of two error bounds. A NaN (say 0 * inf) must never make an error look small, as
// std::max would by dropping it, so it counts as +inf.
double error_max(double a, double b) noexcept;

// The larger distance from v (taken as a float) to its float neighbours, computed in double;
// +inf when v is not finite.
double float_rounding_envelope(double value) noexcept;
// The larger distance from v to its double neighbours; +inf when v is not finite.
double double_rounding_envelope(double value) noexcept;

// Spectral norm of the matrix's linear part, without overflow for large finite entries.
// +inf when an entry is not finite; std::range_error "numeric_range_error" when the entries are
// finite but the norm is not.
double matrix_spectral_norm(const PaintMatrix& matrix);

// The per-command half of transformed_point_error, computed once so that callers walking many
// points pay only for the point-dependent terms.
struct PointErrorModel {
    double base_x = 0.0;  // recorded point error
    double base_y = 0.0;
    bool add_point_envelope = false;  // float envelope of the coordinates themselves
    double abs_a = 0.0, abs_b = 0.0, abs_c = 0.0, abs_d = 0.0;
    double ea = 0.0, eb = 0.0, ec = 0.0, ed = 0.0, ee = 0.0, ef = 0.0;  // matrix entry errors

    ErrorPair error_at(const PaintPoint& point) const noexcept;
    // The recorded error of the point itself before the transform (bx, by).
    ErrorPair source_error_at(const PaintPoint& point) const noexcept;
};
PointErrorModel make_point_error_model(const PaintCommand& command, bool with_float_envelopes) noexcept;

ErrorPair transformed_point_error(const PaintPoint& point, const PaintCommand& command,
                                  bool with_float_envelopes) noexcept;
// Componentwise maximum of the point errors over subpaths that enclose area.
ErrorPair path_point_error(const PaintCommand& command, bool with_float_envelopes) noexcept;
// Factor (>= 1) by which a stroke outline moves when its centre line moves. Throws
// InputPrecisionError "stroke_direction_precision" / "stroke_miter_precision".
double stroke_amplification(const PaintCommand& command);
// Bound on how far dash boundaries can move; +inf when the pattern length is lost in rounding.
double dash_precision_error(const PaintCommand& command) noexcept;

struct SubpathLengthAndError {
    double length = 0.0;  // largest subpath length (control polygon for cubics)
    double error = 0.0;   // largest summed point error of a subpath
};
SubpathLengthAndError subpath_length_and_error(const PaintCommand& command) noexcept;

// The command's device-space error pair. Throws InputPrecisionError for strokes whose
// direction or miter cannot be resolved.
ErrorPair analyze_command_precision(const PaintCommand& command, bool with_float_envelopes);

}  // namespace pavrix_svg_core
