#include "recorder/exact_path_builder.h"

#include "svg/exact/endpoint_arc.h"

#include "svg/lexical/decimal_to_double.h"
#include "svg/lexical/path_command_syntax.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <utility>
#include <vector>

namespace pavrix_svg_core {
namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kArcSegmentAngle = 0.39269908169872414;  // pi / 8
constexpr double kRadiusErrorFactor = 1e-6;
constexpr double kCoordinateErrorFactor = 64.0 * 0x1p-52;

constexpr bool isWsp(char c) noexcept {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

constexpr bool isDigit(char c) noexcept {
    return c >= '0' && c <= '9';
}

constexpr bool isAsciiLetter(char c) noexcept {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

struct TextCursor {
    const char* pos;
    const char* end;

    bool atEnd() const noexcept { return pos == end; }

    void skipSeparators() noexcept {
        while (pos != end && (isWsp(*pos) || *pos == ',')) {
            ++pos;
        }
    }
};

// One number of path data or a points list: optional sign, digits and/or a
// fraction with at least one digit, optional exponent ("e"/"E" not followed
// by "x" or "m"). The value is the correctly rounded double of the literal.
// Separators after the number are skipped.
bool readExactNumber(TextCursor& cursor, double& out) {
    const char* p = cursor.pos;
    const char* const end = cursor.end;
    bool negative = false;
    if (p != end && (*p == '+' || *p == '-')) {
        negative = *p == '-';
        ++p;
    }
    const char* const digits = p;
    bool sawDigit = false;
    while (p != end && isDigit(*p)) {
        ++p;
        sawDigit = true;
    }
    if (p != end && *p == '.') {
        ++p;
        if (p == end || !isDigit(*p)) {
            return false;
        }
        while (p != end && isDigit(*p)) {
            ++p;
        }
        sawDigit = true;
    }
    if (!sawDigit) {
        return false;
    }
    const char* const mantissaEnd = p;
    std::int64_t exponent = 0;
    if (p != end && (*p == 'e' || *p == 'E') && !(p + 1 != end && (p[1] == 'x' || p[1] == 'm'))) {
        ++p;
        bool negativeExponent = false;
        if (p != end && (*p == '+' || *p == '-')) {
            negativeExponent = *p == '-';
            ++p;
        }
        if (p == end || !isDigit(*p)) {
            return false;
        }
        while (p != end && isDigit(*p)) {
            // Saturate: beyond this the value is 0 or infinite anyway.
            if (exponent < 100000000) {
                exponent = exponent * 10 + (*p - '0');
            }
            ++p;
        }
        if (negativeExponent) {
            exponent = -exponent;
        }
    }
    double value = 0.0;
    if (!pavrix_svg::decimalToDouble(digits, mantissaEnd, p, exponent, value)) {
        return false;
    }
    out = negative ? -value : value;
    cursor.pos = p;
    cursor.skipSeparators();
    return true;
}

bool allFinite(const PaintPoint& a, const PaintPoint& b, const PaintPoint& c) noexcept {
    return std::isfinite(a.x) && std::isfinite(a.y) && std::isfinite(b.x) && std::isfinite(b.y) && std::isfinite(c.x) &&
           std::isfinite(c.y);
}

void appendCubic(PaintCommand& command, PaintPoint c1, PaintPoint c2, PaintPoint end) {
    command.path_verbs.push_back(PathVerb::cubic_to);
    command.path_points.push_back(c1);
    command.path_points.push_back(c2);
    command.path_points.push_back(end);
}

// Room for `more` elements, growing geometrically so that repeated calls stay linear overall.
template <typename Element>
void reserveMore(std::vector<Element>& elements, std::size_t more) {
    const std::size_t needed = elements.size() + more;
    if (needed > elements.capacity()) {
        elements.reserve(std::max(needed, 2 * elements.capacity()));
    }
}

void appendClose(PaintCommand& command) {
    command.path_verbs.push_back(PathVerb::close);
}

}  // namespace

void appendBuiltPath(PaintCommand& command, PaintCommand&& built) {
    if (command.path_verbs.empty() && command.path_points.empty()) {
        command.path_verbs = std::move(built.path_verbs);
        command.path_points = std::move(built.path_points);
        return;
    }
    command.path_verbs.insert(command.path_verbs.end(), built.path_verbs.begin(), built.path_verbs.end());
    command.path_points.insert(command.path_points.end(), built.path_points.begin(), built.path_points.end());
}

void pushPaintPoint(PaintCommand& command, double x, double y) {
    command.path_points.push_back(PaintPoint{x, y});
}

void appendExactMoveTo(PaintCommand& command, double x, double y) {
    command.path_verbs.push_back(PathVerb::move_to);
    pushPaintPoint(command, x, y);
}

void appendExactLineTo(PaintCommand& command, double x, double y) {
    command.path_verbs.push_back(PathVerb::line_to);
    pushPaintPoint(command, x, y);
}

namespace {

// An elliptical arc about a known centre: origin + R(phi) * diag(rx, ry) *
// (unitCentre + (cos theta, sin theta)), theta from theta0 over dTheta, split
// into segments of at most pi / 8. The last end point is `end` exactly.
struct CentredArc {
    double originX = 0.0;
    double originY = 0.0;
    double unitCentreX = 0.0;
    double unitCentreY = 0.0;
    double rx = 0.0;
    double ry = 0.0;
    double cosPhi = 1.0;
    double sinPhi = 0.0;
    double theta0 = 0.0;
    double dTheta = 0.0;
};

bool appendCentredArc(PaintCommand& command, const CentredArc& arc, PaintPoint end) {
    // (ux, uy) is a point of the unit-circle space, centre included.
    const auto toUser = [&arc](double ux, double uy) {
        const double px = ux * arc.rx;
        const double py = uy * arc.ry;
        return PaintPoint{px * arc.cosPhi - py * arc.sinPhi + arc.originX,
                          px * arc.sinPhi + py * arc.cosPhi + arc.originY};
    };
    const double cx = arc.unitCentreX;
    const double cy = arc.unitCentreY;
    const double segmentsReal = std::ceil(std::fabs(arc.dTheta) / kArcSegmentAngle);
    if (!(segmentsReal <= 64.0)) {  // |dTheta| is at most 2 pi; anything else is not finite
        return false;
    }
    const int segments = segmentsReal < 1.0 ? 1 : static_cast<int>(segmentsReal);
    // An ellipse is two arcs of eight cubics and a close; growing one cubic at a time would
    // reallocate each vector five times per shape.
    reserveMore(command.path_verbs, static_cast<std::size_t>(segments) + 1);
    reserveMore(command.path_points, 3 * static_cast<std::size_t>(segments));
    // Each segment starts at the angle the previous one ended at, so its
    // cosine and sine carry over.
    double thetaA = arc.theta0;
    double cosA = std::cos(thetaA);
    double sinA = std::sin(thetaA);
    for (int i = 0; i < segments; ++i) {
        const double thetaB = arc.theta0 + (i + 1) * arc.dTheta / segments;
        const double t = 4.0 / 3.0 * std::tan((thetaB - thetaA) / 4.0);
        const double cosB = std::cos(thetaB);
        const double sinB = std::sin(thetaB);
        const PaintPoint p1 = toUser(cx + cosA - t * sinA, cy + sinA + t * cosA);
        const PaintPoint p2 = toUser(cx + cosB + t * sinB, cy + sinB - t * cosB);
        const PaintPoint p3 = i + 1 == segments ? end : toUser(cx + cosB, cy + sinB);
        if (!allFinite(p1, p2, p3)) {
            return false;
        }
        appendCubic(command, p1, p2, p3);
        thetaA = thetaB;
        cosA = cosB;
        sinA = sinB;
    }
    return true;
}

double coordinateExtent(double x0, double y0, double x1, double y1) {
    return std::max({1.0, std::fabs(x0), std::fabs(y0), std::fabs(x1), std::fabs(y1)});
}

// Bound for the approximation by cubics (below 1.4e-7 of the radius at pi / 8
// per segment) plus the rounding of the computation.
double loweringBound(double rx, double ry, double extent) {
    return std::max(rx, ry) * kRadiusErrorFactor + extent * kCoordinateErrorFactor;
}

// The centre of an endpoint arc is ill-conditioned: near a half arc it moves
// by the square root of an endpoint perturbation, and for a short chord its
// direction turns by the perturbation over the chord. Endpoints carry up to
// `endpointError` of rounding (text to double, relative additions), so the
// arc drawn can be this far from the one the document describes.
double endpointConditioningBound(double rx, double ry, double unitHalfChord, double unitCentreDistance,
                                 double endpointError) {
    const double eta = endpointError / std::min(rx, ry);
    const double dq = 2.0 * eta * std::max(1.0, unitHalfChord) + eta * eta + 8.0 * 0x1p-53;
    double dt = std::sqrt(dq);
    if (unitCentreDistance > 0.0) {
        dt = std::min(dt, dq / unitCentreDistance);
    }
    // asin(x) <= (pi / 2) x on [0, 1]; a perturbation beyond the half chord may turn it anywhere.
    const double turn = eta < unitHalfChord ? 1.6 * eta / unitHalfChord : kPi;
    return 2.6 * std::max(rx, ry) * (dt + turn + 2.0 * eta);
}

}  // namespace

bool appendExactArc(PaintCommand& command, PaintPoint current, const ExactArcParameters& arc, bool relative,
                    PaintPoint& end, double& errorBound) {
    if ((arc.large_arc != 0.0 && arc.large_arc != 1.0) || (arc.sweep != 0.0 && arc.sweep != 1.0)) {
        return false;
    }
    const double x0 = current.x;
    const double y0 = current.y;
    const double x1 = relative ? arc.x + x0 : arc.x;
    const double y1 = relative ? arc.y + y0 : arc.y;
    end = PaintPoint{x1, y1};

    if (arc.rx == 0.0 || arc.ry == 0.0 || (x1 == x0 && y1 == y0)) {
        appendExactLineTo(command, x1, y1);
        return true;
    }
    pavrix_svg::EndpointArc form;
    if (!pavrix_svg::centreEndpointArc({x0, y0}, {x1, y1}, arc.rx, arc.ry, arc.rotation, arc.large_arc == 1.0,
                                       arc.sweep == 1.0, form)) {
        return false;
    }
    const double rx = form.radiusX;
    const double ry = form.radiusY;

    const double extent = coordinateExtent(x0, y0, x1, y1);
    const double halfChord = std::sqrt(form.chordSquared) / 2.0;
    const double bound = loweringBound(rx, ry, extent) +
                         endpointConditioningBound(rx, ry, halfChord, std::fabs(form.centreOffset) * 2.0 * halfChord,
                                                   2.0 * extent * 0x1p-52);
    if (!std::isfinite(bound)) {
        return false;
    }
    errorBound = std::max(errorBound, bound);

    CentredArc centred;
    centred.originX = (x0 + x1) / 2.0;
    centred.originY = (y0 + y1) / 2.0;
    centred.unitCentreX = form.centreXi;
    centred.unitCentreY = form.centreEta;
    centred.rx = rx;
    centred.ry = ry;
    centred.cosPhi = form.cosPhi;
    centred.sinPhi = form.sinPhi;
    centred.theta0 = form.theta0;
    centred.dTheta = form.dTheta;
    return appendCentredArc(command, centred, end);
}

// Ellipses and rounded corners know their centres, so their arcs are built
// about them directly: going through the endpoints would make a half arc's
// centre depend on the square root of the endpoints' rounding.
bool appendExactEllipse(PaintCommand& command, double cx, double cy, double rx, double ry, double& errorBound) {
    if (!(rx > 0.0) || !(ry > 0.0)) {
        return false;
    }
    const PaintPoint right{cx + rx, cy};
    const PaintPoint left{cx - rx, cy};
    if (!allFinite(right, left, left)) {
        return false;
    }
    errorBound = std::max(errorBound, loweringBound(rx, ry, coordinateExtent(right.x, right.y, left.x, left.y)));
    appendExactMoveTo(command, right.x, right.y);
    CentredArc arc;
    arc.originX = cx;
    arc.originY = cy;
    arc.rx = rx;
    arc.ry = ry;
    arc.dTheta = kPi;
    if (!appendCentredArc(command, arc, left)) {
        return false;
    }
    arc.theta0 = kPi;
    if (!appendCentredArc(command, arc, right)) {
        return false;
    }
    appendClose(command);
    return true;
}

bool appendExactRoundRect(PaintCommand& command, double x, double y, double w, double h, double rx, double ry,
                          bool rxGiven, bool ryGiven, bool& lowered, double& errorBound) {
    if (!rxGiven) {
        rx = ryGiven ? ry : 0.0;
    }
    if (!ryGiven) {
        ry = rxGiven ? rx : 0.0;
    }
    rx = std::min(w / 2.0, rx);
    ry = std::min(h / 2.0, ry);
    if (rx > 0.0 && ry > 0.0) {
        lowered = true;
        const double right = x + w;
        const double bottom = y + h;
        CentredArc arc;
        arc.rx = rx;
        arc.ry = ry;
        arc.dTheta = kPi / 2.0;
        // Each corner: the straight edge leading to it, then a quarter arc
        // about the corner's centre, clockwise on screen (sweep 1).
        const auto corner = [&](PaintPoint lineEnd, double centreX, double centreY, double theta0, PaintPoint arcEnd) {
            appendExactLineTo(command, lineEnd.x, lineEnd.y);
            errorBound =
                std::max(errorBound, loweringBound(rx, ry, coordinateExtent(lineEnd.x, lineEnd.y, arcEnd.x, arcEnd.y)));
            arc.originX = centreX;
            arc.originY = centreY;
            arc.theta0 = theta0;
            return appendCentredArc(command, arc, arcEnd);
        };
        appendExactMoveTo(command, x + rx, y);
        if (!corner({right - rx, y}, right - rx, y + ry, -kPi / 2.0, {right, y + ry}) ||
            !corner({right, bottom - ry}, right - rx, bottom - ry, 0.0, {right - rx, bottom}) ||
            !corner({x + rx, bottom}, x + rx, bottom - ry, kPi / 2.0, {x, bottom - ry}) ||
            !corner({x, y + ry}, x + rx, y + ry, kPi, {x + rx, y})) {
            return false;
        }
        appendClose(command);
        return true;
    }
    appendExactMoveTo(command, x, y);
    appendExactLineTo(command, x + w, y);
    appendExactLineTo(command, x + w, y + h);
    appendExactLineTo(command, x, y + h);
    appendClose(command);
    return true;
}

ExactPathBuilder::ExactPathBuilder(std::size_t expectedPoints, double errorBound)
    : ExactPathBuilder(expectedPoints / 2, expectedPoints, errorBound) {}

ExactPathBuilder::ExactPathBuilder(std::size_t expectedVerbs, std::size_t expectedPoints, double errorBound)
    : bound_(errorBound) {
    built_.path_points.reserve(expectedPoints);
    built_.path_verbs.reserve(expectedVerbs);
}

bool ExactPathBuilder::command(char op, char previous, const double* args) {
    if (!walk_.step(op, previous, args)) {
        return false;
    }
    const pavrix_svg::ExactSegment& segment = walk_.segment();
    const auto point = [](const pavrix_svg::ExactPoint& p) { return PaintPoint{p.x, p.y}; };
    switch (segment.kind) {
    case pavrix_svg::ExactSegmentKind::Move:
        appendExactMoveTo(built_, segment.end.x, segment.end.y);
        break;
    case pavrix_svg::ExactSegmentKind::Line:
        appendExactLineTo(built_, segment.end.x, segment.end.y);
        break;
    case pavrix_svg::ExactSegmentKind::Cubic:
        appendCubic(built_, point(segment.control1), point(segment.control2), point(segment.end));
        break;
    case pavrix_svg::ExactSegmentKind::Quadratic: {
        const pavrix_svg::ExactPoint& q = segment.control1;
        const pavrix_svg::ExactPoint& p0 = segment.start;
        const pavrix_svg::ExactPoint& p1 = segment.end;
        appendCubic(built_, {(2.0 * q.x + p0.x) / 3.0, (2.0 * q.y + p0.y) / 3.0},
                    {(2.0 * q.x + p1.x) / 3.0, (2.0 * q.y + p1.y) / 3.0}, point(p1));
        break;
    }
    case pavrix_svg::ExactSegmentKind::Arc: {
        PaintPoint end;
        const ExactArcParameters arc{
            segment.radiusX,           segment.radiusY, segment.rotation, segment.largeArc ? 1.0 : 0.0,
            segment.sweep ? 1.0 : 0.0, segment.end.x,   segment.end.y};
        if (!appendExactArc(built_, point(segment.start), arc, false, end, bound_)) {
            return false;
        }
        lowered_ = true;
        break;
    }
    case pavrix_svg::ExactSegmentKind::Close:
        appendClose(built_);
        break;
    }
    return true;
}

bool ExactPathBuilder::finish(PaintCommand& command, bool& lowered, double& errorBound) {
    for (const PaintPoint& point : built_.path_points) {
        if (!std::isfinite(point.x) || !std::isfinite(point.y)) {
            return false;
        }
    }
    if (built_.path_verbs.empty()) {
        return false;
    }
    appendBuiltPath(command, std::move(built_));
    lowered = lowered || lowered_;
    errorBound = bound_;
    return true;
}

bool parsePathDataExact(std::string_view text, PaintCommand& command, bool& lowered, double& errorBound) {
    TextCursor cursor{text.data(), text.data() + text.size()};
    cursor.skipSeparators();
    if (cursor.atEnd()) {
        return false;
    }

    // Artwork spends about ten bytes of text per point; starting there saves most regrowth.
    constexpr std::size_t kTextBytesPerPoint = 8;
    ExactPathBuilder builder(text.size() / kTextBytesPerPoint, errorBound);
    char previous = 0;
    double args[7] = {};

    while (!cursor.atEnd()) {
        char op = 0;
        if (isAsciiLetter(*cursor.pos)) {
            op = *cursor.pos++;
            cursor.skipSeparators();
        } else if (previous == 0 || previous == 'Z' || previous == 'z') {
            return false;
        } else {
            op = previous == 'M' ? 'L' : previous == 'm' ? 'l' : previous;
        }
        // A path starts with a move, as the float parser requires.
        if (previous == 0 && op != 'M' && op != 'm') {
            return false;
        }
        const int count = pavrix_svg::pathArgumentCount(op);
        if (count < 0) {
            return false;
        }
        for (int i = 0; i < count; ++i) {
            if (cursor.atEnd() || !readExactNumber(cursor, args[i])) {
                return false;
            }
        }
        if (!builder.command(op, previous, args)) {
            return false;
        }
        previous = op;
    }
    return builder.finish(command, lowered, errorBound);
}

bool buildExactPath(const pavrix_svg::ExactPathOperands& operands, PaintCommand& command, bool& lowered,
                    double& errorBound) {
    // The verbs and points the letters make, an arc counted as a quarter turn: sizing both vectors
    // from them spares their regrowth on nearly every path.
    std::size_t verbs = 0;
    std::size_t points = 0;
    for (const char op : operands.commands) {
        switch (op | 0x20) {
        case 'z':
            verbs += 1;
            break;
        case 'c':
        case 's':
        case 'q':
        case 't':
            verbs += 1;
            points += 3;
            break;
        case 'a':
            verbs += 4;
            points += 12;
            break;
        default:
            verbs += 1;
            points += 1;
        }
    }
    ExactPathBuilder builder(verbs, points, errorBound);
    const double* args = operands.numbers.data();
    char previous = 0;
    for (const char op : operands.commands) {
        if (!builder.command(op, previous, args)) {
            return false;
        }
        args += pavrix_svg::pathArgumentCount(op);
        previous = op;
    }
    return builder.finish(command, lowered, errorBound);
}

bool parsePointsExact(std::string_view text, bool closed, PaintCommand& command) {
    TextCursor cursor{text.data(), text.data() + text.size()};
    cursor.skipSeparators();
    if (cursor.atEnd()) {
        return false;
    }
    PaintCommand built;
    while (!cursor.atEnd()) {
        double x = 0.0;
        double y = 0.0;
        if (!readExactNumber(cursor, x) || cursor.atEnd() || !readExactNumber(cursor, y)) {
            return false;
        }
        if (built.path_verbs.empty()) {
            appendExactMoveTo(built, x, y);
        } else {
            appendExactLineTo(built, x, y);
        }
    }
    if (closed) {
        appendClose(built);
    }
    appendBuiltPath(command, std::move(built));
    return true;
}

double floatUpperBound(float x) {
    if (std::isinf(x)) {
        return std::numeric_limits<double>::infinity();  // no float lies beyond it
    }
    const float above = std::nextafter(x, std::numeric_limits<float>::infinity());
    const float below = std::nextafter(x, -std::numeric_limits<float>::infinity());
    const double value = static_cast<double>(x);
    const double gap =
        std::max(std::fabs(static_cast<double>(above) - value), std::fabs(value - static_cast<double>(below)));
    return std::fabs(value) + 4.0 * gap;
}

}  // namespace pavrix_svg_core
