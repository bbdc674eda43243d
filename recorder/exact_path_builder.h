#pragma once

// Double-precision path building from source text: path data, point lists,
// elliptical arcs lowered to cubics with an error bound, ellipses and rounded
// rectangles. Every builder appends to a PaintCommand's verbs and points.

#include <string_view>

#include "recorder/paint_command.h"

namespace pavrix_svg_core {

struct ExactArcParameters {
    double rx = 0.0;
    double ry = 0.0;
    double rotation = 0.0;   // degrees
    double large_arc = 0.0;  // must be exactly 0 or 1
    double sweep = 0.0;      // must be exactly 0 or 1
    double x = 0.0;
    double y = 0.0;
};

void pushPaintPoint(PaintCommand& command, double x, double y);
void appendExactMoveTo(PaintCommand& command, double x, double y);
void appendExactLineTo(PaintCommand& command, double x, double y);

// Moves the verbs and points of a path built on the side onto the end of
// `command`'s path (usually empty, so the storage simply moves).
void appendBuiltPath(PaintCommand& command, PaintCommand&& built);

// Appends the arc from `current` as cubics (or a line when degenerate), writes
// the arc's end point to `end` and raises `errorBound` to a bound on the
// distance between the cubics and the true arc. False on bad flags or a
// non-finite mapping; the command may then hold a partial path.
bool appendExactArc(PaintCommand& command, PaintPoint current, const ExactArcParameters& arc, bool relative,
                    PaintPoint& end, double& errorBound);

bool appendExactEllipse(PaintCommand& command, double cx, double cy, double rx, double ry, double& errorBound);

bool appendExactRoundRect(PaintCommand& command, double x, double y, double w, double h, double rx, double ry,
                          bool rxGiven, bool ryGiven, bool& lowered, double& errorBound);

// SVG path data read in double. On success the verbs and points are appended
// to `command`; on failure `command` is left untouched.
bool parsePathDataExact(std::string_view text, PaintCommand& command, bool& lowered, double& errorBound);

// A points list (polyline/polygon); `closed` appends a close. On failure
// `command` is left untouched.
bool parsePointsExact(std::string_view text, bool closed, PaintCommand& command);

// |x| + 4 * the larger distance to the neighbouring floats.
double floatUpperBound(float x);

}  // namespace pavrix_svg_core
