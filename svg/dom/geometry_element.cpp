#include "svg/dom/geometry_element.h"

#include <algorithm>

#include "svg/dom/layout_state.h"
#include "svg/dom/marker_layout.h"
#include "svg/dom/render_hooks.h"

namespace pavrix_svg {

SVGGeometryElement::SVGGeometryElement(Document& document, ElementID id) : SVGGraphicsElement(document, id) {}

void SVGGeometryElement::layoutElement(const SVGLayoutState& state) {
    // The base layout copies this element's font size, which em and ex stroke lengths resolve
    // against, and the partial-alpha flags the paints take; it runs first so they see this
    // element's values, not the ones of a previous layout (or the defaults).
    SVGElement::layoutElement(state);
    fillRule = state.fillRule;
    clipRule = state.clipRule;
    fillPaint = resolvePaint(*this, state.fill, state.fillOpacity, fillPartialAlpha);
    strokePaint = resolvePaint(*this, state.stroke, state.strokeOpacity, strokePartialAlpha);
    strokeData = resolveStrokeData(*this, state);
    path.reset();
    markerPositions.clear();
    markersFromPathData = false;
    markerVerticesAreFloats = false;
    fillBox = updateShape(path);
    computeMarkerPositions(*this, state);
}

Rect SVGGeometryElement::strokeBoundingBox() const {
    Rect box = fillBox;
    // An invalid fill box (a line drawn backwards) stays invalid: growing it could make a
    // wrong box look valid.
    if (isRenderable(strokePaint) && box.isValid()) {
        const float half = strokeData.width / 2.0f;
        const float capExtent = strokeData.lineCap == 2 ? half * 1.4142135f : half;
        const float joinExtent = strokeData.lineJoin == 0 ? half * strokeData.miterLimit : half;
        const float extent = std::max(capExtent, joinExtent);
        box = Rect(box.x - extent, box.y - extent, box.w + 2.0f * extent, box.h + 2.0f * extent);
    }
    for (const MarkerPosition& position : markerPositions) {
        if (position.marker != nullptr)
            box = box.united(markerBoundingBox(*position.marker, position.point, position.angle, strokeData.width));
    }
    return box;
}

void SVGGeometryElement::render(const SVGRenderState& parentState) {
    if (const RenderHooks* hooks = renderHooks(); hooks != nullptr && hooks->renderGeometry != nullptr)
        hooks->renderGeometry(*this, parentState);
}

}  // namespace pavrix_svg
