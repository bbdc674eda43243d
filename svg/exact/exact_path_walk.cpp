#include "svg/exact/exact_path_walk.h"

#include <cmath>

namespace pavrix_svg {

namespace {

ExactPoint reflected(const ExactPoint& control, const ExactPoint& about) noexcept {
    return {2.0 * about.x - control.x, 2.0 * about.y - control.y};
}

bool isFlag(double value) noexcept {
    return value == 0.0 || value == 1.0;
}

}  // namespace

bool ExactPathWalk::step(char op, char previous, const double* args) noexcept {
    ExactSegment& segment = segment_;
    const bool relative = op >= 'a' && op <= 'z';
    const double ox = relative ? current_.x : 0.0;
    const double oy = relative ? current_.y : 0.0;
    segment.start = current_;

    switch (op) {
    case 'M':
    case 'm':
        segment.kind = ExactSegmentKind::Move;
        segment.end = {args[0] + ox, args[1] + oy};
        subpathStart_ = segment.end;
        break;
    case 'L':
    case 'l':
        segment.kind = ExactSegmentKind::Line;
        segment.end = {args[0] + ox, args[1] + oy};
        break;
    case 'H':
    case 'h':
        segment.kind = ExactSegmentKind::Line;
        segment.end = {args[0] + ox, current_.y};
        break;
    case 'V':
    case 'v':
        segment.kind = ExactSegmentKind::Line;
        segment.end = {current_.x, args[0] + oy};
        break;
    case 'C':
    case 'c':
        segment.kind = ExactSegmentKind::Cubic;
        segment.control1 = {args[0] + ox, args[1] + oy};
        segment.control2 = {args[2] + ox, args[3] + oy};
        segment.end = {args[4] + ox, args[5] + oy};
        lastCubicControl_ = segment.control2;
        break;
    case 'S':
    case 's': {
        const bool follows = previous == 'C' || previous == 'c' || previous == 'S' || previous == 's';
        segment.kind = ExactSegmentKind::Cubic;
        segment.control1 = follows ? reflected(lastCubicControl_, current_) : current_;
        segment.control2 = {args[0] + ox, args[1] + oy};
        segment.end = {args[2] + ox, args[3] + oy};
        lastCubicControl_ = segment.control2;
        break;
    }
    case 'Q':
    case 'q':
        segment.kind = ExactSegmentKind::Quadratic;
        segment.control1 = {args[0] + ox, args[1] + oy};
        segment.end = {args[2] + ox, args[3] + oy};
        lastQuadControl_ = segment.control1;
        break;
    case 'T':
    case 't': {
        const bool follows = previous == 'Q' || previous == 'q' || previous == 'T' || previous == 't';
        segment.kind = ExactSegmentKind::Quadratic;
        segment.control1 = follows ? reflected(lastQuadControl_, current_) : current_;
        segment.end = {args[0] + ox, args[1] + oy};
        lastQuadControl_ = segment.control1;
        break;
    }
    case 'A':
    case 'a':
        if (!isFlag(args[3]) || !isFlag(args[4]))
            return false;
        segment.kind = ExactSegmentKind::Arc;
        segment.radiusX = args[0];
        segment.radiusY = args[1];
        segment.rotation = args[2];
        segment.largeArc = args[3] == 1.0;
        segment.sweep = args[4] == 1.0;
        segment.end = {args[5] + ox, args[6] + oy};
        break;
    case 'Z':
    case 'z':
        segment.kind = ExactSegmentKind::Close;
        segment.end = subpathStart_;
        break;
    default:
        return false;
    }
    current_ = segment.end;
    return std::isfinite(current_.x) && std::isfinite(current_.y);
}

}  // namespace pavrix_svg
