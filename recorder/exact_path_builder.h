#pragma once

// Double-precision path building from source text: path data, point lists,
// elliptical arcs lowered to cubics with an error bound, ellipses and rounded
// rectangles. Every builder appends to a PaintCommand's verbs and points.

#include <string_view>

#include "recorder/paint_command.h"
#include "svg/exact/exact_path_walk.h"
#include "svg/exact/path_data_reading.h"

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

// Path data built in double one command at a time: the letter (a move's further pairs as lines),
// the previous command and the command's numbers (an arc's flags as numbers).
class ExactPathBuilder {
public:
    ExactPathBuilder(std::size_t expectedPoints, double errorBound);
    ExactPathBuilder(std::size_t expectedVerbs, std::size_t expectedPoints, double errorBound);
    // False once the path cannot be built (bad arc flags, a non-finite point, an unknown letter).
    bool command(char op, char previous, const double* args);
    // On success appends the verbs and points to `command`; false, `command` untouched, when no
    // verb was built or a point is not finite.
    bool finish(PaintCommand& command, bool& lowered, double& errorBound);

private:
    PaintCommand built_;
    bool lowered_ = false;
    double bound_ = 0.0;
    pavrix_svg::ExactPathWalk walk_;
};

// parsePathDataExact on the numbers of path data already read (operands.available).
bool buildExactPath(const pavrix_svg::ExactPathOperands& operands, PaintCommand& command, bool& lowered,
                    double& errorBound);

// SVG path data read in double. On success the verbs and points are appended
// to `command`; on failure `command` is left untouched.
bool parsePathDataExact(std::string_view text, PaintCommand& command, bool& lowered, double& errorBound);

// A points list (polyline/polygon); `closed` appends a close. On failure
// `command` is left untouched.
bool parsePointsExact(std::string_view text, bool closed, PaintCommand& command);

// |x| + 4 * the larger distance to the neighbouring floats.
double floatUpperBound(float x);

}  // namespace pavrix_svg_core
