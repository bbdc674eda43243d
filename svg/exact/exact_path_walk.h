#pragma once

// Path data read in double one command at a time as absolute segments: the walk that the exact
// path builder and the marker placement share, so both see the same points.

#include <cstdint>

namespace pavrix_svg {

struct ExactPoint {
    double x = 0.0;
    double y = 0.0;

    friend bool operator==(const ExactPoint&, const ExactPoint&) = default;
};

enum class ExactSegmentKind : std::uint8_t { Move, Line, Cubic, Quadratic, Arc, Close };

// One command as an absolute segment from `start` (the current point before it) to `end`.
struct ExactSegment {
    ExactSegmentKind kind = ExactSegmentKind::Move;
    ExactPoint start;
    ExactPoint end;        // a close ends at the subpath's start
    ExactPoint control1;   // cubic: first control point; quadratic: its one control point
    ExactPoint control2;   // cubic: second control point (S reflections resolved)
    double radiusX = 0.0;  // arc: radii and rotation (degrees) as written
    double radiusY = 0.0;
    double rotation = 0.0;
    bool largeArc = false;
    bool sweep = false;
};

class ExactPathWalk {
public:
    // Reads one command: its letter (a move's further pairs as lines), the previous command's
    // letter and its numbers (an arc's flags as numbers). False on an unknown letter, arc flags
    // other than 0 and 1, or a point that is not finite.
    bool step(char op, char previous, const double* args) noexcept;
    // The segment of the last command read; only the fields of its kind are current.
    const ExactSegment& segment() const noexcept { return segment_; }

private:
    ExactPoint current_;
    ExactPoint subpathStart_;
    ExactPoint lastCubicControl_;
    ExactPoint lastQuadControl_;
    // Kept between steps: filling a fresh one would clear every field once per command of every
    // path recorded.
    ExactSegment segment_;
};

}  // namespace pavrix_svg
