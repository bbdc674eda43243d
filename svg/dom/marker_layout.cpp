#include "svg/dom/marker_layout.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "graphics/path.h"
#include "svg/dom/geometry_element.h"
#include "svg/dom/layout_state.h"
#include "svg/dom/length_resolution.h"
#include "svg/dom/marker_element.h"
#include "svg/dom/svg_svg_element.h"

namespace pavrix_svg {

namespace {

float directionDegrees(const Point& from, const Point& to) noexcept {
    return std::atan2(to.y - from.y, to.x - from.x) * 180.0f / 3.1415927f;
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

    Point current;
    Point previous;
    Point subpathStart;
    std::array<Point, 3> points{};
    std::array<Point, 3> nextPoints{};
    bool first = true;
    for (PathIterator it(element.path); !it.isDone();) {
        switch (it.currentSegment(points)) {
        case PathCommand::move_to:
            previous = current;
            current = points[0];
            subpathStart = points[0];
            break;
        case PathCommand::line_to:
            previous = current;
            current = points[0];
            break;
        case PathCommand::cubic_to:
            previous = points[1];
            current = points[2];
            break;
        case PathCommand::close:
            previous = current;
            current = subpathStart;
            break;
        }
        PathIterator next = it;
        next.next();
        const bool hasNext = !next.isDone();
        if (hasNext)
            next.currentSegment(nextPoints);

        if (first) {
            if (startMarker != nullptr && hasNext) {
                float angle = directionDegrees(current, nextPoints[0]);
                if (startMarker->orient().orientType() == OrientType::AutoStartReverse)
                    angle -= 180.0f;
                element.markerPositions.push_back({startMarker, current, angle});
            }
        } else if (hasNext && midMarker != nullptr) {
            float incoming = directionDegrees(previous, current);
            const float outgoing = directionDegrees(current, nextPoints[0]);
            if (std::fabs(incoming - outgoing) > 180.0f)
                incoming += 360.0f;
            element.markerPositions.push_back({midMarker, current, (incoming + outgoing) / 2.0f});
        }
        if (!hasNext && endMarker != nullptr)
            element.markerPositions.push_back({endMarker, current, directionDegrees(previous, current)});

        first = false;
        it = next;
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
