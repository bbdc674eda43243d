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

struct Vec {
    double x = 0.0;
    double y = 0.0;
};

Vec widen(FloatPoint p) noexcept {
    return {p.x, p.y};
}
Vec sub(Vec a, Vec b) noexcept {
    return {a.x - b.x, a.y - b.y};
}
bool isZero(Vec v) noexcept {
    return v.x == 0.0 && v.y == 0.0;
}
bool same(Vec a, Vec b) noexcept {
    return a.x == b.x && a.y == b.y;
}
double length(Vec v) noexcept {
    return std::hypot(v.x, v.y);
}

struct PathDeleter {
    void operator()(VectorPath* path) const noexcept { pavrix_graphics::path_destroy(path); }
};

// The float side of the replay: the graphics path functions called exactly as parse_path_data
// calls them, so that arcs and quadratics come out bit for bit. The path is cut back after each
// command to one move_to at the current point, which keeps memory bounded.
class FloatReplay {
public:
    FloatReplay() : path_(pavrix_graphics::path_create()) {}

    VectorPath* path() const noexcept { return path_.get(); }
    bool usable() const noexcept { return path_ && !path_->path_invalid; }

    Vec currentPoint() const noexcept {
        float x = 0.0f;
        float y = 0.0f;
        pavrix_graphics::path_get_current_point(path_.get(), &x, &y);
        return {x, y};
    }

    Vec startPoint() const noexcept { return widen(path_->start_point); }

    void beginCommand() noexcept {
        if (path_->elements.size > 64) {
            float x = 0.0f;
            float y = 0.0f;
            pavrix_graphics::path_get_current_point(path_.get(), &x, &y);
            const FloatPoint start = path_->start_point;
            pavrix_graphics::path_reset(path_.get());
            pavrix_graphics::path_move_to(path_.get(), x, y);
            path_->start_point = start;
        }
        mark_ = path_->elements.size;
    }

    // Points appended since beginCommand, in order (headers skipped).
    template <typename Visit>
    void forEachNewElement(Visit visit) const {
        const PathElement* data = path_->elements.data;
        std::int32_t i = mark_;
        while (i < path_->elements.size) {
            const std::int32_t length = data[i].header.length;
            visit(data[i].header.command, &data[i + 1].point, length - 1);
            i += length;
        }
    }

private:
    std::unique_ptr<VectorPath, PathDeleter> path_;
    std::int32_t mark_ = 0;
};

class PrecisionAnalysis {
public:
    PathPrecision run(std::string_view text);

private:
    bool readNumbers(const char*& cursor, const char* end, float* single, double* exact, int count) noexcept;

    void coordinate(Vec single, Vec exact) noexcept {
        maxX_ = std::max(maxX_, std::fabs(single.x - exact.x));
        maxY_ = std::max(maxY_, std::fabs(single.y - exact.y));
    }

    // Compares one float direction with its exact counterpart; false when the exact one is zero.
    bool judge(Vec single, Vec exact) noexcept {
        if (isZero(exact))
            return false;
        const double err = length(sub(single, exact));
        segmentMax_ = std::max(segmentMax_, err);
        if (length(single) <= err)
            ambiguous_ = true;
        return true;
    }

    // Direction at one end of a curve: towards the first of the candidates that differs from the
    // end in exact arithmetic, as a stroker would pick its tangent.
    bool judgeTangent(Vec fromSingle, Vec fromExact, const Vec* candSingle, const Vec* candExact, int count) noexcept {
        for (int k = 0; k < count; ++k) {
            if (!same(candExact[k], fromExact))
                return judge(sub(candSingle[k], fromSingle), sub(candExact[k], fromExact));
        }
        return false;
    }

    void countSegment(bool counted) noexcept {
        if (counted && segments_ < 2)
            ++segments_;
    }

    void finishSubpath() noexcept {
        if (ambiguous_) {
            if (segments_ < 2)
                result_.isolatedStrokeDirectionAmbiguous = 1;
            else
                result_.strokeDirectionAmbiguous = 1;
        }
        ambiguous_ = false;
        segments_ = 0;
    }

    void arcBound(double bound) noexcept { arcBound_ = std::max(arcBound_, bound); }

    PathPrecision result_;
    double maxX_ = 0.0;
    double maxY_ = 0.0;
    double segmentMax_ = 0.0;
    double arcBound_ = 0.0;
    int segments_ = 0;
    bool ambiguous_ = false;
};

bool PrecisionAnalysis::readNumbers(const char*& cursor, const char* end, float* single, double* exact,
                                    int count) noexcept {
    for (int i = 0; i < count; ++i) {
        if (!readDualNumber(cursor, end, single[i], exact[i]))
            return false;
        pavrix_graphics::skip_separator(cursor, end);
    }
    return true;
}

PathPrecision PrecisionAnalysis::run(std::string_view text) {
    PathPrecision unbounded;
    unbounded.error = unbounded.errorX = unbounded.errorY = kInfinity;

    FloatReplay replay;
    if (!replay.usable())
        return unbounded;
    VectorPath* path = replay.path();

    const char* cursor = text.data();
    const char* const end = cursor + text.size();
    // Float parser state, exactly as parse_path_data keeps it, and its exact twin.
    float cx = 0.0f, cy = 0.0f, sx = 0.0f, sy = 0.0f, kx = 0.0f, ky = 0.0f;
    double ecx = 0.0, ecy = 0.0, esx = 0.0, esy = 0.0, ekx = 0.0, eky = 0.0;
    char previous = 0;
    float v[7];
    double w[7];

    for (;;) {
        if (!pavrix_graphics::skip_white_space(cursor, end))
            break;
        char command = previous;
        if (isPathCommandLetter(*cursor)) {
            command = *cursor++;
            pavrix_graphics::skip_white_space(cursor, end);
        }
        // A number before any command, or a number or letter repeating a close, is a syntax error.
        if (command == 0 || ((command == 'Z' || command == 'z') && (previous == 'Z' || previous == 'z')))
            return unbounded;

        const bool relative = command >= 'a' && command <= 'z';
        // Absolute coordinates are taken as read, as the float parser does (adding 0 would turn
        // -0 into +0).
        const float ox = cx;
        const float oy = cy;
        const auto atX = [relative, ox](float value) { return relative ? value + ox : value; };
        const auto atY = [relative, oy](float value) { return relative ? value + oy : value; };
        const double eox = relative ? ecx : 0.0;
        const double eoy = relative ? ecy : 0.0;
        char nextPrevious = command;
        replay.beginCommand();
        const Vec startSingle = replay.currentPoint();
        const Vec startExact{ecx, ecy};

        switch (command) {
        case 'M':
        case 'm': {
            if (!readNumbers(cursor, end, v, w, 2))
                return unbounded;
            finishSubpath();
            cx = sx = atX(v[0]);
            cy = sy = atY(v[1]);
            ecx = esx = w[0] + eox;
            ecy = esy = w[1] + eoy;
            pavrix_graphics::path_move_to(path, cx, cy);
            coordinate(replay.currentPoint(), {ecx, ecy});
            nextPrevious = command == 'M' ? 'L' : 'l';
            break;
        }
        case 'L':
        case 'l':
        case 'H':
        case 'h':
        case 'V':
        case 'v': {
            const char kind = static_cast<char>(command | 0x20);
            if (!readNumbers(cursor, end, v, w, kind == 'l' ? 2 : 1))
                return unbounded;
            if (kind == 'l') {
                cx = atX(v[0]);
                cy = atY(v[1]);
                ecx = w[0] + eox;
                ecy = w[1] + eoy;
            } else if (kind == 'h') {
                cx = atX(v[0]);
                ecx = w[0] + eox;
            } else {
                cy = atY(v[0]);
                ecy = w[0] + eoy;
            }
            pavrix_graphics::path_line_to(path, cx, cy);
            const Vec endSingle = replay.currentPoint();
            const Vec endExact{ecx, ecy};
            coordinate(endSingle, endExact);
            countSegment(judge(sub(endSingle, startSingle), sub(endExact, startExact)));
            break;
        }
        case 'C':
        case 'c':
        case 'S':
        case 's': {
            const bool smooth = (command | 0x20) == 's';
            if (!readNumbers(cursor, end, v, w, smooth ? 4 : 6))
                return unbounded;
            float x1 = 0.0f, y1 = 0.0f;
            double ex1 = 0.0, ey1 = 0.0;
            int at = 0;
            if (smooth) {
                x1 = cx;
                y1 = cy;
                ex1 = ecx;
                ey1 = ecy;
                if (previous == 'C' || previous == 'c' || previous == 'S' || previous == 's') {
                    x1 = 2.0f * cx - kx;
                    y1 = 2.0f * cy - ky;
                    ex1 = 2.0 * ecx - ekx;
                    ey1 = 2.0 * ecy - eky;
                }
            } else {
                x1 = atX(v[0]);
                y1 = atY(v[1]);
                ex1 = w[0] + eox;
                ey1 = w[1] + eoy;
                at = 2;
            }
            kx = atX(v[at]);
            ky = atY(v[at + 1]);
            ekx = w[at] + eox;
            eky = w[at + 1] + eoy;
            cx = atX(v[at + 2]);
            cy = atY(v[at + 3]);
            ecx = w[at + 2] + eox;
            ecy = w[at + 3] + eoy;
            pavrix_graphics::path_cubic_to(path, x1, y1, kx, ky, cx, cy);
            const Vec single[3] = {{x1, y1}, {kx, ky}, {cx, cy}};
            const Vec exact[3] = {{ex1, ey1}, {ekx, eky}, {ecx, ecy}};
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
            const bool smooth = (command | 0x20) == 't';
            if (!readNumbers(cursor, end, v, w, smooth ? 2 : 4))
                return unbounded;
            int at = 0;
            if (smooth) {
                if (previous == 'Q' || previous == 'q' || previous == 'T' || previous == 't') {
                    kx = 2.0f * cx - kx;
                    ky = 2.0f * cy - ky;
                    ekx = 2.0 * ecx - ekx;
                    eky = 2.0 * ecy - eky;
                } else {
                    kx = cx;
                    ky = cy;
                    ekx = ecx;
                    eky = ecy;
                }
            } else {
                kx = atX(v[0]);
                ky = atY(v[1]);
                ekx = w[0] + eox;
                eky = w[1] + eoy;
                at = 2;
            }
            cx = atX(v[at]);
            cy = atY(v[at + 1]);
            ecx = w[at] + eox;
            ecy = w[at + 1] + eoy;
            pavrix_graphics::path_quad_to(path, kx, ky, cx, cy);
            result_.hasLoweredCurve = 1;
            // The cubic the float path holds against its exact counterpart.
            const Vec q{ekx, eky};
            const Vec endExact{ecx, ecy};
            const Vec exactCubic[3] = {
                {startExact.x * (1.0 / 3.0) + q.x * (2.0 / 3.0), startExact.y * (1.0 / 3.0) + q.y * (2.0 / 3.0)},
                {endExact.x * (1.0 / 3.0) + q.x * (2.0 / 3.0), endExact.y * (1.0 / 3.0) + q.y * (2.0 / 3.0)},
                endExact};
            int k = 0;
            replay.forEachNewElement([&](PathCommand verb, const FloatPoint* points, int count) {
                if (verb != PathCommand::cubic_to)
                    return;
                for (int i = 0; i < count && k < 3; ++i, ++k)
                    coordinate(widen(points[i]), exactCubic[k]);
            });
            const Vec qSingle{kx, ky};
            const Vec endSingle = replay.currentPoint();
            const Vec startCandSingle[2] = {qSingle, endSingle};
            const Vec startCandExact[2] = {q, endExact};
            const Vec endCandSingle[2] = {qSingle, startSingle};
            const Vec endCandExact[2] = {q, startExact};
            const bool atStart = judgeTangent(startSingle, startExact, startCandSingle, startCandExact, 2);
            const bool atEnd = judgeTangent(endSingle, endExact, endCandSingle, endCandExact, 2);
            countSegment(atStart || atEnd);
            break;
        }
        case 'A':
        case 'a': {
            bool largeArc = false;
            bool sweep = false;
            if (!readNumbers(cursor, end, v, w, 3) || !pavrix_graphics::parse_arc_flag(cursor, end, largeArc) ||
                !pavrix_graphics::parse_arc_flag(cursor, end, sweep) || !readNumbers(cursor, end, v + 3, w + 3, 2))
                return unbounded;
            cx = atX(v[3]);
            cy = atY(v[4]);
            ecx = w[3] + eox;
            ecy = w[4] + eoy;
            const float radians = v[2] * kFloatRadiansPerDegree;
            pavrix_graphics::path_arc_to(path, v[0], v[1], radians, largeArc, sweep, cx, cy);
            result_.hasLoweredCurve = 1;
            const Vec endSingle = replay.currentPoint();
            const Vec endExact{ecx, ecy};
            coordinate(endSingle, endExact);

            const double chord = length(sub(endExact, startExact));
            const double rxf = std::fabs(static_cast<double>(v[0]));
            const double ryf = std::fabs(static_cast<double>(v[1]));
            const double r = std::max(rxf, ryf);
            bool floatLine = false;
            replay.forEachNewElement([&floatLine](PathCommand verb, const FloatPoint*, int) {
                floatLine = floatLine || verb == PathCommand::line_to;
            });
            if (floatLine) {
                // The converter drew a straight line (zero radius, or no usable float ellipse):
                // its direction is judged like a line's, and it cannot stand for a real arc.
                countSegment(judge(sub(endSingle, startSingle), sub(endExact, startExact)));
                if (w[0] != 0.0 && w[1] != 0.0 && chord > 0.0)
                    arcBound(kInfinity);
            } else if (chord > 0.0) {
                countSegment(true);
            } else {
                // A float arc whose exact end meets its start: the exact path draws nothing.
                arcBound(kInfinity);
            }
            if (chord > 0.0) {
                if (r > 0.0) {
                    const double floatChord = length(sub(endSingle, startSingle));
                    if (floatChord == 0.0) {
                        arcBound(kInfinity);
                    } else {
                        const double e = length(sub(startSingle, startExact)) + length(sub(endSingle, endExact));
                        arcBound(e * r / chord);
                        const double smaller = std::min(rxf, ryf);
                        if (smaller > 0.0)
                            arcBound(e * r / smaller);
                    }
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
                             (16.0 * float_rounding_envelope(h) + std::fabs(h - w[2] * kPi / 180.0) + 0.000001) *
                                 radius +
                             16.0 * kTwoPow52 * radius);
                }
            }
            break;
        }
        case 'Z':
        case 'z': {
            pavrix_graphics::path_close(path);
            const Vec closeSingle = replay.startPoint();
            const Vec closeExact{esx, esy};
            coordinate(closeSingle, closeExact);
            countSegment(judge(sub(closeSingle, startSingle), sub(closeExact, startExact)));
            finishSubpath();
            cx = sx;
            cy = sy;
            ecx = esx;
            ecy = esy;
            break;
        }
        default:
            return unbounded;
        }
        if (path->path_invalid)
            return unbounded;
        previous = nextPrevious;
    }
    finishSubpath();

    result_.errorX = std::max(arcBound_, maxX_);
    result_.errorY = std::max(arcBound_, maxY_);
    result_.error = std::max({segmentMax_, maxX_, maxY_, result_.errorX, result_.errorY});
    return result_;
}

}  // namespace

PathPrecision analyzePathDataPrecision(std::string_view text) {
    PrecisionAnalysis analysis;
    return analysis.run(text);
}

}  // namespace pavrix_svg
