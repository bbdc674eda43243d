#include "svg/dom/marker_layout.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <span>
#include <utility>
#include <vector>

#include "graphics/path.h"
#include "svg/dom/element_id.h"
#include "svg/exact/endpoint_arc.h"
#include "svg/exact/exact_path_walk.h"
#include "svg/exact/path_data_reading.h"
#include "svg/lexical/path_command_syntax.h"
#include "svg/dom/geometry_element.h"
#include "svg/dom/layout_state.h"
#include "svg/dom/length_resolution.h"
#include "svg/dom/marker_element.h"
#include "svg/dom/svg_svg_element.h"

namespace pavrix_svg {

namespace {

using Direction = std::optional<ExactPoint>;

ExactPoint difference(const ExactPoint& from, const ExactPoint& to) noexcept {
    return {to.x - from.x, to.y - from.y};
}

ExactPoint widened(const Point& point) noexcept {
    return {point.x, point.y};
}

// Computed in double and rounded once, so that a direction read from the path data in double
// keeps its angle to the last bit of the float.
double directionDegrees(const ExactPoint& direction) noexcept {
    return std::atan2(direction.y, direction.x) * 180.0 / 3.141592653589793;
}

// One path element seen as a vertex of the path: the point where it ends and, for a drawn
// segment, the path's direction where the segment starts and where it ends.
struct PathStep {
    ExactPoint end;
    Direction startDirection;
    Direction endDirection;
    std::size_t subpath = 0;
    bool isMove = false;
    bool isClose = false;
};

// The drawn segments [firstDrawn, endDrawn) of one subpath and whether a close ends it. A close
// followed by a drawn segment starts the next subpath at the same point, without a move.
struct Subpath {
    std::size_t firstDrawn = 0;
    std::size_t endDrawn = 0;
    bool closed = false;
};

// At its start a segment heads towards its first control point that differs from the start
// point; at its end it comes from the last one that differs from the end point. A segment whose
// points all coincide has no direction of its own.
void setSegmentDirections(PathStep& step, const ExactPoint& from, std::span<const ExactPoint> points) {
    const ExactPoint& end = points.back();
    for (const ExactPoint& point : points) {
        if (point != from) {
            step.startDirection = difference(from, point);
            break;
        }
    }
    ExactPoint previous = from;
    for (std::size_t i = points.size() - 1; i-- > 0;) {
        if (points[i] != end) {
            previous = points[i];
            break;
        }
    }
    if (step.startDirection)
        step.endDirection = difference(previous, end);
}

// A zero-length segment takes the direction at the end of the nearest segment before it in its
// subpath that has one, or else the direction at the start of the nearest one after it.
void giveZeroLengthSegmentsDirections(std::vector<PathStep>& steps, const Subpath& subpath) {
    std::size_t first = subpath.firstDrawn;
    while (first < subpath.endDrawn && !steps[first].startDirection)
        ++first;
    if (first == subpath.endDrawn)
        return;  // no segment of this subpath has a length
    for (std::size_t i = subpath.firstDrawn; i < first; ++i)
        steps[i].startDirection = steps[i].endDirection = steps[first].startDirection;
    Direction before = steps[first].endDirection;
    for (std::size_t i = first + 1; i < subpath.endDrawn; ++i) {
        if (steps[i].startDirection)
            before = steps[i].endDirection;
        else
            steps[i].startDirection = steps[i].endDirection = before;
    }
}

// Collects a path's elements as steps and its subpaths.
class PathStepReader {
public:
    PathStepReader(std::vector<PathStep>& steps, std::vector<Subpath>& subpaths) : steps_(steps), subpaths_(subpaths) {}

    void move(const ExactPoint& point) {
        PathStep& step = open(true);
        step.isMove = true;
        step.end = subpathStart_ = point;
        subpaths_.back().firstDrawn = steps_.size();
        finish();
    }

    // A drawn segment through `points` (control points, then the end point).
    void segment(std::span<const ExactPoint> points) {
        setSegmentDirections(open(false), current_, points);
        steps_.back().end = points.back();
        finish();
    }

    // A drawn segment whose directions are known already (an arc's tangents).
    void segment(const ExactPoint& end, const ExactPoint& startDirection, const ExactPoint& endDirection) {
        PathStep& step = open(false);
        step.end = end;
        step.startDirection = startDirection;
        step.endDirection = endDirection;
        finish();
    }

    void close() {
        PathStep& step = open(false);
        step.isClose = true;
        step.end = subpathStart_;
        setSegmentDirections(step, current_, std::span<const ExactPoint>(&subpathStart_, 1));
        subpaths_.back().closed = true;
        subpathOpen_ = false;
        finish();
    }

    void finishPath() {
        for (const Subpath& subpath : subpaths_)
            giveZeroLengthSegmentsDirections(steps_, subpath);
    }

private:
    PathStep& open(bool isMove) {
        if (isMove || !subpathOpen_) {
            subpaths_.push_back({steps_.size(), steps_.size(), false});
            subpathOpen_ = true;
        }
        PathStep& step = steps_.emplace_back();
        step.subpath = subpaths_.size() - 1;
        return step;
    }

    void finish() {
        current_ = steps_.back().end;
        subpaths_.back().endDrawn = steps_.size();
    }

    std::vector<PathStep>& steps_;
    std::vector<Subpath>& subpaths_;
    ExactPoint current_;
    ExactPoint subpathStart_;
    bool subpathOpen_ = false;
};

// The float path's elements as steps.
void readPath(const Path& path, PathStepReader& reader) {
    std::array<Point, 3> points{};
    for (PathIterator it(path); !it.isDone(); it.next()) {
        switch (it.currentSegment(points)) {
        case PathCommand::move_to:
            reader.move(widened(points[0]));
            break;
        case PathCommand::line_to: {
            const ExactPoint end = widened(points[0]);
            reader.segment(std::span<const ExactPoint>(&end, 1));
            break;
        }
        case PathCommand::cubic_to: {
            const std::array<ExactPoint, 3> cubic{widened(points[0]), widened(points[1]), widened(points[2])};
            reader.segment(cubic);
            break;
        }
        case PathCommand::close:
            reader.close();
            break;
        }
    }
    reader.finishPath();
}

bool isFinite(const ExactPoint& point) noexcept {
    return std::isfinite(point.x) && std::isfinite(point.y);
}

bool isFloat(const ExactPoint& point) noexcept {
    return static_cast<double>(static_cast<float>(point.x)) == point.x &&
           static_cast<double>(static_cast<float>(point.y)) == point.y;
}

// The path data's commands as steps, read in double: an arc is one segment with its true
// tangents at both ends rather than the cubics that draw it. An arc with a zero radius is a line;
// one that ends where it starts is left out, as if it were not written. False when the data
// cannot be read; `verticesAreFloats` tells whether every vertex is a float.
bool readPathData(const ExactPathOperands& operands, PathStepReader& reader, bool& verticesAreFloats) {
    ExactPathWalk walk;
    const ExactSegment& segment = walk.segment();
    const double* args = operands.numbers.data();
    const double* const argsEnd = args + operands.numbers.size();
    char previous = 0;
    verticesAreFloats = true;
    for (const char op : operands.commands) {
        const int count = pathArgumentCount(op);
        if (count < 0 || argsEnd - args < count || !walk.step(op, previous, args))
            return false;
        args += count;
        previous = op;
        verticesAreFloats = verticesAreFloats && isFloat(segment.end);
        switch (segment.kind) {
        case ExactSegmentKind::Move:
            reader.move(segment.end);
            break;
        case ExactSegmentKind::Line:
            reader.segment(std::span<const ExactPoint>(&segment.end, 1));
            break;
        case ExactSegmentKind::Cubic: {
            if (!isFinite(segment.control1) || !isFinite(segment.control2))
                return false;
            const std::array<ExactPoint, 3> cubic{segment.control1, segment.control2, segment.end};
            reader.segment(cubic);
            break;
        }
        case ExactSegmentKind::Quadratic: {
            if (!isFinite(segment.control1))
                return false;
            const std::array<ExactPoint, 2> quadratic{segment.control1, segment.end};
            reader.segment(quadratic);
            break;
        }
        case ExactSegmentKind::Arc: {
            if (segment.end == segment.start)
                break;
            if (segment.radiusX == 0.0 || segment.radiusY == 0.0) {
                reader.segment(std::span<const ExactPoint>(&segment.end, 1));
                break;
            }
            EndpointArc arc;
            if (!centreEndpointArc(segment.start, segment.end, segment.radiusX, segment.radiusY, segment.rotation,
                                   segment.largeArc, segment.sweep, arc))
                return false;
            reader.segment(segment.end, arcStartDirection(arc), arcEndDirection(arc));
            break;
        }
        case ExactSegmentKind::Close:
            reader.close();
            break;
        }
    }
    reader.finishPath();
    return true;
}

// The directions in which the path arrives at and leaves the vertex where step i ends. An open
// subpath is not entered at its first vertex nor left at its last; a closed one is entered at
// its first vertex along its close and left at its last along its first segment.
std::pair<Direction, Direction> vertexDirections(const std::vector<PathStep>& steps,
                                                 const std::vector<Subpath>& subpaths, std::size_t i) {
    const PathStep& step = steps[i];
    const Subpath& subpath = subpaths[step.subpath];
    if (step.isMove) {
        const bool hasDrawn = subpath.firstDrawn < subpath.endDrawn;
        const Direction incoming = subpath.closed ? steps[subpath.endDrawn - 1].endDirection : Direction{};
        return {incoming, hasDrawn ? steps[subpath.firstDrawn].startDirection : Direction{}};
    }
    Direction outgoing;
    if (i + 1 < steps.size() && !steps[i + 1].isMove)
        outgoing = steps[i + 1].startDirection;
    else if (step.isClose)
        outgoing = steps[subpath.firstDrawn].startDirection;
    return {step.endDirection, outgoing};
}

// Along the one direction there is, or along the bisector of the two; 0 without either.
double vertexAngle(const Direction& incoming, const Direction& outgoing) noexcept {
    if (!incoming || !outgoing)
        return incoming ? directionDegrees(*incoming) : outgoing ? directionDegrees(*outgoing) : 0.0;
    double in = directionDegrees(*incoming);
    const double out = directionDegrees(*outgoing);
    if (std::fabs(in - out) > 180.0)
        in += 360.0;
    return (in + out) / 2.0;
}

SVGMarkerElement* findMarker(const SVGRootElement* root, std::string_view id) noexcept {
    if (root == nullptr || id.empty())
        return nullptr;
    return resolveMarker(*root, id);
}

// Markers whose content box is being measured on this thread. A marker whose content places the
// same marker again would otherwise recurse through the paint-box cache without end. (Longer
// chains of different markers are bounded with every other box recursion, by BoxNestingScope.)
thread_local std::vector<const SVGMarkerElement*> activeMarkers;

class ActiveMarkerEntry {
public:
    explicit ActiveMarkerEntry(const SVGMarkerElement& marker) { activeMarkers.push_back(&marker); }
    ~ActiveMarkerEntry() { activeMarkers.pop_back(); }
    ActiveMarkerEntry(const ActiveMarkerEntry&) = delete;
    ActiveMarkerEntry& operator=(const ActiveMarkerEntry&) = delete;
};

}  // namespace

void computeMarkerPositions(SVGGeometryElement& element, const SVGLayoutState& state) {
    const SVGRootElement* root = element.rootElement();
    const SVGMarkerElement* startMarker = findMarker(root, state.markerStartId);
    const SVGMarkerElement* midMarker = findMarker(root, state.markerMidId);
    const SVGMarkerElement* endMarker = findMarker(root, state.markerEndId);
    if ((startMarker == nullptr && midMarker == nullptr && endMarker == nullptr) || element.path.isEmpty())
        return;

    std::vector<PathStep> steps;
    std::vector<Subpath> subpaths;
    // The float path draws arcs and quadratic curves as cubics whose joins are no vertices of the
    // path and whose ends lie off the written ones by the float rounding: those paths are read
    // from their data instead.
    bool readFromData = false;
    if (element.id() == ElementID::Path && element.pathHasLoweredCurve != 0 && element.exactPathOperands) {
        element.markersFromPathData = true;
        PathStepReader reader(steps, subpaths);
        bool verticesAreFloats = false;
        readFromData = readPathData(*element.exactPathOperands, reader, verticesAreFloats);
        element.markerVerticesAreFloats = readFromData && verticesAreFloats;
    }
    // Data that cannot be read in double still places the markers, for the box; the recorder
    // refuses to draw them.
    if (!readFromData) {
        steps.clear();
        subpaths.clear();
        PathStepReader reader(steps, subpaths);
        readPath(element.path, reader);
    }
    if (steps.empty())
        return;
    const std::size_t last = steps.size() - 1;
    for (std::size_t i = 0; i <= last; ++i) {
        // A lone move is a last vertex only.
        const bool first = i == 0 && i != last;
        const SVGMarkerElement* marker = first ? startMarker : i == last ? endMarker : midMarker;
        if (marker == nullptr)
            continue;
        const auto [incoming, outgoing] = vertexDirections(steps, subpaths, i);
        double angle = vertexAngle(incoming, outgoing);
        if (first && marker->orient().orientType() == OrientType::AutoStartReverse)
            angle -= 180.0;
        const Point point(static_cast<float>(steps[i].end.x), static_cast<float>(steps[i].end.y));
        element.markerPositions.push_back({marker, point, static_cast<float>(angle)});
    }
}

Transform markerTransform(const SVGMarkerElement& marker, const Point& point, float angle, float strokeWidth) {
    if (marker.orient().orientType() == OrientType::Angle)
        angle = marker.orient().value();
    const LengthContext context(marker);
    const float width = context.valueForLength(marker.markerWidth());
    const float height = context.valueForLength(marker.markerHeight());
    const Rect& viewBox = marker.viewBox().value();
    Transform view;
    if (viewBox.w > 0.0f && viewBox.h > 0.0f && width > 0.0f && height > 0.0f)
        view = viewBoxTransform(marker.preserveAspectRatio(), viewBox, width, height);
    const Point reference = view.mapPoint(context.valueForLength(marker.refX()), context.valueForLength(marker.refY()));

    Transform transform = Transform::translated(point.x, point.y);
    transform.rotate(angle);
    if (marker.markerUnits().value() == MarkerUnits::StrokeWidth)
        transform.scale(strokeWidth, strokeWidth);
    transform.translate(-reference.x, -reference.y);
    transform.multiply(view);
    return transform;
}

Rect markerBoundingBox(const SVGMarkerElement& marker, const Point& point, float angle, float strokeWidth) {
    if (std::find(activeMarkers.begin(), activeMarkers.end(), &marker) != activeMarkers.end())
        return Rect::Invalid;
    Rect content;
    {
        const ActiveMarkerEntry entry(marker);
        content = marker.paintBoundingBox();
    }
    return markerTransform(marker, point, angle, strokeWidth).mapRect(content);
}

}  // namespace pavrix_svg
