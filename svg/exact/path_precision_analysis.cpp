#include "svg/exact/path_data_audit.h"

#include "svg/lexical/dual_number_reader.h"
#include "svg/exact/float_rounding_envelope.h"
#include "svg/lexical/path_command_syntax.h"

#include "graphics/number_reader.h"
#include "graphics/path_data_parser.h"
#include "graphics/vector_path.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>

namespace pavrix_svg {

namespace {

using pavrix_graphics::FloatPoint;
using pavrix_graphics::PathCommand;
using pavrix_graphics::PathElement;
using pavrix_graphics::VectorPath;

constexpr double kInfinity = std::numeric_limits<double>::infinity();
constexpr float kFloatRadiansPerDegree = 0.017453292f;
constexpr double kPi = 3.141592653589793;
constexpr double kTwoPow52 = 2.220446049250313e-16;  // 2^-52
// hypot(x, y) lies between max(|x|, |y|) and |x| + |y|; these factors (2^-40 each way) and the
// slack for subnormal values widen both bounds far beyond the rounding of hypot and of the bounds.
constexpr double kHypotAbove = 1.0 + 9.094947017729282e-13;
constexpr double kHypotBelow = 1.0 - 9.094947017729282e-13;
constexpr double kHypotSlack = 0x1p-1000;

struct PathDeleter {
    void operator()(VectorPath* path) const noexcept { pavrix_graphics::path_destroy(path); }
};

FloatPoint currentPoint(const VectorPath& path) noexcept {
    FloatPoint point;
    pavrix_graphics::path_get_current_point(&path, &point.x, &point.y);
    return point;
}

// Points appended from `mark` on, per command (headers skipped).
template <typename Visit>
void forEachNewElement(const VectorPath& path, std::int32_t mark, Visit visit) {
    const PathElement* data = path.elements.data;
    std::int32_t i = mark;
    while (i < path.elements.size) {
        const std::int32_t length = data[i].header.length;
        visit(data[i].header.command, &data[i + 1].point, length - 1);
        i += length;
    }
}

}  // namespace

void PathPrecisionAudit::coordinate(Vec single, Vec exact) noexcept {
    maxX_ = std::max(maxX_, std::fabs(single.x - exact.x));
    maxY_ = std::max(maxY_, std::fabs(single.y - exact.y));
}

// Compares one float direction with its exact counterpart; false when the exact one is zero.
bool PathPrecisionAudit::judge(Vec single, Vec exact) noexcept {
    if (exact.x == 0.0 && exact.y == 0.0)
        return false;
    // Equal vectors have no error, and the float one is as far from zero as the exact one.
    if (single.x == exact.x && single.y == exact.y)
        return true;
    // Bounds of the two lengths, loose enough for any rounding of hypot: when the error cannot
    // raise the maximum and the float vector is clearly longer than it, neither length is needed.
    const double errorBound =
        (std::fabs(single.x - exact.x) + std::fabs(single.y - exact.y)) * kHypotAbove + kHypotSlack;
    if (errorBound <= segmentMax_ && std::max(std::fabs(single.x), std::fabs(single.y)) * kHypotBelow > errorBound)
        return true;
    const double err = std::hypot(single.x - exact.x, single.y - exact.y);
    segmentMax_ = std::max(segmentMax_, err);
    if (std::hypot(single.x, single.y) <= err)
        ambiguous_ = true;
    return true;
}

// Direction at one end of a curve: towards the first of the candidates that differs from the
// end in exact arithmetic, as a stroker would pick its tangent.
bool PathPrecisionAudit::judgeTangent(Vec fromSingle, Vec fromExact, const Vec* candSingle, const Vec* candExact,
                                      int count) noexcept {
    for (int k = 0; k < count; ++k) {
        if (candExact[k].x != fromExact.x || candExact[k].y != fromExact.y)
            return judge({candSingle[k].x - fromSingle.x, candSingle[k].y - fromSingle.y},
                         {candExact[k].x - fromExact.x, candExact[k].y - fromExact.y});
    }
    return false;
}

void PathPrecisionAudit::countSegment(bool counted) noexcept {
    if (counted && segments_ < 2)
        ++segments_;
}

void PathPrecisionAudit::finishSubpath() noexcept {
    if (ambiguous_) {
        if (segments_ < 2)
            result_.isolatedStrokeDirectionAmbiguous = 1;
        else
            result_.strokeDirectionAmbiguous = 1;
    }
    ambiguous_ = false;
    segments_ = 0;
}

void PathPrecisionAudit::arcBound(double bound) noexcept {
    arcBound_ = std::max(arcBound_, bound);
}

void PathPrecisionAudit::command(char command, const pavrix_graphics::PathDataState& before,
                                 const pavrix_graphics::PathDataState& after, const VectorPath& path, std::int32_t mark,
                                 FloatPoint start, const float* v, const double* w) {
    const bool relative = command >= 'a' && command <= 'z';
    const double ox = relative ? cx_ : 0.0;
    const double oy = relative ? cy_ : 0.0;
    const Vec startSingle{start.x, start.y};
    const Vec startExact{cx_, cy_};
    const auto endSingle = [&path] {
        const FloatPoint end = currentPoint(path);
        return Vec{end.x, end.y};
    };

    switch (command) {
    case 'M':
    case 'm':
        finishSubpath();
        cx_ = sx_ = w[0] + ox;
        cy_ = sy_ = w[1] + oy;
        coordinate(endSingle(), {cx_, cy_});
        break;
    case 'L':
    case 'l':
    case 'H':
    case 'h':
    case 'V':
    case 'v': {
        const char kind = static_cast<char>(command | 0x20);
        if (kind == 'l') {
            cx_ = w[0] + ox;
            cy_ = w[1] + oy;
        } else if (kind == 'h') {
            cx_ = w[0] + ox;
        } else {
            cy_ = w[0] + oy;
        }
        const Vec end = endSingle();
        const Vec endExact{cx_, cy_};
        coordinate(end, endExact);
        countSegment(judge({end.x - startSingle.x, end.y - startSingle.y},
                           {endExact.x - startExact.x, endExact.y - startExact.y}));
        break;
    }
    case 'C':
    case 'c':
    case 'S':
    case 's': {
        const bool smooth = (command | 0x20) == 's';
        const float fox = relative ? before.cx : 0.0f;
        const float foy = relative ? before.cy : 0.0f;
        Vec first;
        Vec firstExact;
        int at = 0;
        if (smooth) {
            first = {before.cx, before.cy};
            firstExact = {cx_, cy_};
            const char previous = before.previous;
            if (previous == 'C' || previous == 'c' || previous == 'S' || previous == 's') {
                first = {2.0f * before.cx - before.kx, 2.0f * before.cy - before.ky};
                firstExact = {2.0 * cx_ - kx_, 2.0 * cy_ - ky_};
            }
        } else {
            first = {relative ? v[0] + fox : v[0], relative ? v[1] + foy : v[1]};
            firstExact = {w[0] + ox, w[1] + oy};
            at = 2;
        }
        kx_ = w[at] + ox;
        ky_ = w[at + 1] + oy;
        cx_ = w[at + 2] + ox;
        cy_ = w[at + 3] + oy;
        const Vec single[3] = {first, {after.kx, after.ky}, {after.cx, after.cy}};
        const Vec exact[3] = {firstExact, {kx_, ky_}, {cx_, cy_}};
        for (int k = 0; k < 3; ++k)
            coordinate(single[k], exact[k]);
        const Vec endCandSingle[3] = {single[1], single[0], startSingle};
        const Vec endCandExact[3] = {exact[1], exact[0], startExact};
        const bool atStart = judgeTangent(startSingle, startExact, single, exact, 3);
        const bool atEnd = judgeTangent(single[2], exact[2], endCandSingle, endCandExact, 3);
        countSegment(atStart || atEnd);
        break;
    }
    case 'Q':
    case 'q':
    case 'T':
    case 't': {
        int at = 0;
        if ((command | 0x20) == 't') {
            const char previous = before.previous;
            if (previous == 'Q' || previous == 'q' || previous == 'T' || previous == 't') {
                kx_ = 2.0 * cx_ - kx_;
                ky_ = 2.0 * cy_ - ky_;
            } else {
                kx_ = cx_;
                ky_ = cy_;
            }
        } else {
            kx_ = w[0] + ox;
            ky_ = w[1] + oy;
            at = 2;
        }
        cx_ = w[at] + ox;
        cy_ = w[at + 1] + oy;
        result_.hasLoweredCurve = 1;
        // The cubic the float path holds against its exact counterpart.
        const Vec q{kx_, ky_};
        const Vec endExact{cx_, cy_};
        const Vec exactCubic[3] = {
            {startExact.x * (1.0 / 3.0) + q.x * (2.0 / 3.0), startExact.y * (1.0 / 3.0) + q.y * (2.0 / 3.0)},
            {endExact.x * (1.0 / 3.0) + q.x * (2.0 / 3.0), endExact.y * (1.0 / 3.0) + q.y * (2.0 / 3.0)},
            endExact};
        int k = 0;
        forEachNewElement(path, mark, [&](PathCommand verb, const FloatPoint* points, int count) {
            if (verb != PathCommand::cubic_to)
                return;
            for (int i = 0; i < count && k < 3; ++i, ++k)
                coordinate({points[i].x, points[i].y}, exactCubic[k]);
        });
        const Vec qSingle{after.kx, after.ky};
        const Vec end = endSingle();
        const Vec startCandSingle[2] = {qSingle, end};
        const Vec startCandExact[2] = {q, endExact};
        const Vec endCandSingle[2] = {qSingle, startSingle};
        const Vec endCandExact[2] = {q, startExact};
        const bool atStart = judgeTangent(startSingle, startExact, startCandSingle, startCandExact, 2);
        const bool atEnd = judgeTangent(end, endExact, endCandSingle, endCandExact, 2);
        countSegment(atStart || atEnd);
        break;
    }
    case 'A':
    case 'a':
        cx_ = w[5] + ox;
        cy_ = w[6] + oy;
        arc(path, mark, startSingle, startExact, v, w);
        break;
    case 'Z':
    case 'z': {
        const Vec closeSingle{path.start_point.x, path.start_point.y};
        const Vec closeExact{sx_, sy_};
        coordinate(closeSingle, closeExact);
        countSegment(judge({closeSingle.x - startSingle.x, closeSingle.y - startSingle.y},
                           {closeExact.x - startExact.x, closeExact.y - startExact.y}));
        finishSubpath();
        cx_ = sx_;
        cy_ = sy_;
        break;
    }
    default:
        break;
    }
}

void PathPrecisionAudit::arc(const VectorPath& path, std::int32_t mark, Vec startSingle, Vec startExact, const float* v,
                             const double* w) {
    const float radians = v[2] * kFloatRadiansPerDegree;
    result_.hasLoweredCurve = 1;
    const FloatPoint endPoint = currentPoint(path);
    const Vec endSingle{endPoint.x, endPoint.y};
    const Vec endExact{cx_, cy_};
    coordinate(endSingle, endExact);

    const double chord = std::hypot(endExact.x - startExact.x, endExact.y - startExact.y);
    const double rxf = std::fabs(static_cast<double>(v[0]));
    const double ryf = std::fabs(static_cast<double>(v[1]));
    const double r = std::max(rxf, ryf);
    bool floatLine = false;
    forEachNewElement(path, mark, [&floatLine](PathCommand verb, const FloatPoint*, int) {
        floatLine = floatLine || verb == PathCommand::line_to;
    });
    if (floatLine) {
        // The converter drew a straight line (zero radius, or no usable float ellipse): its
        // direction is judged like a line's, and it cannot stand for a real arc.
        countSegment(judge({endSingle.x - startSingle.x, endSingle.y - startSingle.y},
                           {endExact.x - startExact.x, endExact.y - startExact.y}));
        if (w[0] != 0.0 && w[1] != 0.0 && chord > 0.0)
            arcBound(kInfinity);
    } else if (chord > 0.0) {
        countSegment(true);
    } else {
        // A float arc whose exact end meets its start: the exact path draws nothing.
        arcBound(kInfinity);
    }
    if (chord > 0.0 && r > 0.0) {
        const double floatChord = std::hypot(endSingle.x - startSingle.x, endSingle.y - startSingle.y);
        if (floatChord == 0.0) {
            arcBound(kInfinity);
        } else {
            const double e = std::hypot(startSingle.x - startExact.x, startSingle.y - startExact.y) +
                             std::hypot(endSingle.x - endExact.x, endSingle.y - endExact.y);
            arcBound(e * r / chord);
            const double smaller = std::min(rxf, ryf);
            if (smaller > 0.0)
                arcBound(e * r / smaller);
        }
    }
    // Rounding of the radii and of the angle conversion alone. Negative radii act as their
    // absolute values in the arc converter, so they are bounded the same way.
    if (rxf > 0.0 && ryf > 0.0) {
        const double radius = std::max({rxf, ryf, std::fabs(w[0]), std::fabs(w[1])});
        const double h = radians;
        if (!std::isfinite(rxf) || !std::isfinite(ryf) || !std::isfinite(h)) {
            arcBound(kInfinity);
        } else {
            const double envelope = std::max(float_rounding_envelope(ryf), float_rounding_envelope(rxf));
            arcBound(16.0 * envelope +
                     (16.0 * float_rounding_envelope(h) + std::fabs(h - w[2] * kPi / 180.0) + 0.000001) * radius +
                     16.0 * kTwoPow52 * radius);
        }
    }
}

PathPrecision PathPrecisionAudit::finish() {
    finishSubpath();
    result_.errorX = std::max(arcBound_, maxX_);
    result_.errorY = std::max(arcBound_, maxY_);
    result_.error = std::max({segmentMax_, maxX_, maxY_, result_.errorX, result_.errorY});
    return result_;
}

PathPrecision analyzePathDataPrecision(std::string_view text) {
    PathPrecision unbounded;
    unbounded.error = unbounded.errorX = unbounded.errorY = kInfinity;

    // The float side replayed on a path of its own, cut back before each command to one move_to
    // at the current point, which keeps memory bounded.
    std::unique_ptr<VectorPath, PathDeleter> owned(pavrix_graphics::path_create());
    VectorPath* path = owned.get();
    if (!path || path->path_invalid)
        return unbounded;

    PathPrecisionAudit audit;
    pavrix_graphics::PathDataState state;
    const char* cursor = text.data();
    const char* const end = cursor + text.size();
    float v[7];
    double w[7];
    const auto readNumbers = [&](int from, int count) {
        for (int i = from; i < from + count; ++i) {
            if (!readDualNumber(cursor, end, v[i], w[i]))
                return false;
            pavrix_graphics::skip_separator(cursor, end);
        }
        return true;
    };

    for (;;) {
        if (!pavrix_graphics::skip_white_space(cursor, end))
            break;
        char command = state.previous;
        if (isPathCommandLetter(*cursor)) {
            command = *cursor++;
            pavrix_graphics::skip_white_space(cursor, end);
        }
        // A number before any command, or a number or letter repeating a close, is a syntax error.
        if (command == 0 || ((command == 'Z' || command == 'z') && (state.previous == 'Z' || state.previous == 'z')))
            return unbounded;
        const int arity = pavrix_graphics::path_command_arity(command);
        if (arity < 0)
            return unbounded;
        if (arity == 7) {
            bool largeArc = false;
            bool sweep = false;
            if (!readNumbers(0, 3) || !pavrix_graphics::parse_arc_flag(cursor, end, largeArc) ||
                !pavrix_graphics::parse_arc_flag(cursor, end, sweep) || !readNumbers(5, 2))
                return unbounded;
            v[3] = largeArc ? 1.0f : 0.0f;
            v[4] = sweep ? 1.0f : 0.0f;
            w[3] = v[3];
            w[4] = v[4];
        } else if (!readNumbers(0, arity)) {
            return unbounded;
        }

        if (path->elements.size > 64) {
            float x = 0.0f;
            float y = 0.0f;
            pavrix_graphics::path_get_current_point(path, &x, &y);
            const FloatPoint start = path->start_point;
            pavrix_graphics::path_reset(path);
            pavrix_graphics::path_move_to(path, x, y);
            path->start_point = start;
        }
        const std::int32_t mark = path->elements.size;
        const FloatPoint start = currentPoint(*path);
        const pavrix_graphics::PathDataState before = state;
        if (!pavrix_graphics::append_path_command(path, state, command, v))
            return unbounded;
        audit.command(command, before, state, *path, mark, start, v, w);
    }
    return audit.finish();
}

}  // namespace pavrix_svg
