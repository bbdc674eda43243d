#include "svg/dom/marker_layout.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <span>
#include <utility>
#include <vector>

#include "graphics/path.h"
#include "svg/dom/geometry_element.h"
#include "svg/dom/layout_state.h"
#include "svg/dom/length_resolution.h"
#include "svg/dom/marker_element.h"
#include "svg/dom/svg_svg_element.h"

namespace pavrix_svg {

namespace {

using Direction = std::optional<Point>;

Point difference(const Point& from, const Point& to) noexcept {
    return {to.x - from.x, to.y - from.y};
}

bool samePoint(const Point& a, const Point& b) noexcept {
    return a.x == b.x && a.y == b.y;
}

float directionDegrees(const Point& direction) noexcept {
    return std::atan2(direction.y, direction.x) * 180.0f / 3.1415927f;
}

// One path element seen as a vertex of the path: the point where it ends and, for a drawn
// segment, the path's direction where the segment starts and where it ends.
struct PathStep {
    Point end;
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
void setSegmentDirections(PathStep& step, const Point& from, std::span<const Point> points) {
    const Point& end = points.back();
    for (const Point& point : points) {
        if (!samePoint(point, from)) {
            step.startDirection = difference(from, point);
            break;
        }
    }
    Point previous = from;
    for (std::size_t i = points.size() - 1; i-- > 0;) {
        if (!samePoint(points[i], end)) {
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

// The path's elements as steps, and its subpaths.
void readPath(const Path& path, std::vector<PathStep>& steps, std::vector<Subpath>& subpaths) {
    Point current;
    Point subpathStart;
    bool subpathOpen = false;
    std::array<Point, 3> points{};
    for (PathIterator it(path); !it.isDone(); it.next()) {
        PathStep step;
        const PathCommand command = it.currentSegment(points);
        if (command == PathCommand::move_to || !subpathOpen) {
            subpaths.push_back({steps.size(), steps.size(), false});
            subpathOpen = true;
        }
        step.subpath = subpaths.size() - 1;
        switch (command) {
        case PathCommand::move_to:
            step.isMove = true;
            step.end = subpathStart = points[0];
            subpaths.back().firstDrawn = steps.size() + 1;
            break;
        case PathCommand::line_to:
            step.end = points[0];
            setSegmentDirections(step, current, std::span<const Point>(points.data(), 1));
            break;
        case PathCommand::cubic_to:
            step.end = points[2];
            setSegmentDirections(step, current, points);
            break;
        case PathCommand::close:
            step.isClose = true;
            step.end = subpathStart;
            setSegmentDirections(step, current, std::span<const Point>(&subpathStart, 1));
            subpaths.back().closed = true;
            subpathOpen = false;
            break;
        }
        current = step.end;
        steps.push_back(step);
        subpaths.back().endDrawn = steps.size();
    }
    for (const Subpath& subpath : subpaths)
        giveZeroLengthSegmentsDirections(steps, subpath);
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
float vertexAngle(const Direction& incoming, const Direction& outgoing) noexcept {
    if (!incoming || !outgoing)
        return incoming ? directionDegrees(*incoming) : outgoing ? directionDegrees(*outgoing) : 0.0f;
    float in = directionDegrees(*incoming);
    const float out = directionDegrees(*outgoing);
    if (std::fabs(in - out) > 180.0f)
        in += 360.0f;
    return (in + out) / 2.0f;
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
    readPath(element.path, steps, subpaths);
    const std::size_t last = steps.size() - 1;
    for (std::size_t i = 0; i <= last; ++i) {
        // A lone move is a last vertex only.
        const bool first = i == 0 && i != last;
        const SVGMarkerElement* marker = first ? startMarker : i == last ? endMarker : midMarker;
        if (marker == nullptr)
            continue;
        const auto [incoming, outgoing] = vertexDirections(steps, subpaths, i);
        float angle = vertexAngle(incoming, outgoing);
        if (first && marker->orient().orientType() == OrientType::AutoStartReverse)
            angle -= 180.0f;
        element.markerPositions.push_back({marker, steps[i].end, angle});
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
