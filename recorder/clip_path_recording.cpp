#include "recorder/clip_path_recording.h"

#include "graphics/canvas.h"
#include "recorder/paint_emission.h"
#include "svg/dom/geometry_element.h"
#include "svg/dom/graphics_elements.h"
#include "svg/dom/use_element.h"

namespace pavrix_svg {

using pavrix_svg_core::PaintCommandKind;

namespace {

const SVGGeometryElement* asGeometry(const SVGElement* element) noexcept {
    return element && element->isGeometryElement() ? static_cast<const SVGGeometryElement*>(element) : nullptr;
}

// The first child of a use element's content when it is a shape.
const SVGGeometryElement* useContentShape(const SVGElement& use) noexcept {
    return asGeometry(use.firstElementChild());
}

bool isClipCandidate(const SVGGeometryElement& shape) noexcept {
    return !shape.path.isEmpty() && isDisplayed(shape) && isVisible(shape);
}

void recordClipShape(const SVGGeometryElement& shape, SVGRenderState& parent) {
    SVGRenderState state(&shape, parent, shape.localTransform(), RenderMode::Clipping);
    state.canvas->setColor(kClipColor);
    emitPaintCommand(state, PaintCommandKind::clip_begin, shape.path, shape.clipRule, nullptr, &shape);
    state.canvas->clipPath(shape.path, static_cast<FillRule>(shape.clipRule), state.transform);
}

}  // namespace

void applyClipPath(const SVGClipPathElement& clip, SVGRenderState& state) {
    SVGRenderState clipState(&clip, state, clip.localTransform(), RenderMode::Clipping);
    if (clip.clipPathUnits().value() == Units::ObjectBoundingBox) {
        reportRenderReason(clipState, "unsupported_clip_path_units", &clip);
        return;
    }
    if (!recordSimpleClip(clip, clipState)) {
        clipState.canvas->clipRect(Rect::Empty, FillRule::NonZero, clipState.transform);
    }
}

const SVGElement* firstSimpleClipChild(const SVGClipPathElement& clip) noexcept {
    for (const auto& node : clip.children()) {
        if (!node->isElement())
            continue;
        const auto& child = static_cast<const SVGElement&>(*node);
        if (!isDisplayed(child))
            continue;
        if (const SVGGeometryElement* shape = asGeometry(&child)) {
            if (shape->path.isEmpty() || !isVisible(*shape))
                continue;
            return shape;
        }
        if (child.id() == ElementID::Use) {
            const SVGGeometryElement* shape = useContentShape(child);
            if (shape && isClipCandidate(*shape))
                return &child;
        }
    }
    return nullptr;
}

const ClipSummary& clipSummary(const SVGClipPathElement& clip, RenderPassTally& tally) {
    const auto [entry, added] = tally.clipSummaries.try_emplace(&clip);
    if (added)
        entry->second = ClipSummary{isComplexClip(clip), firstSimpleClipChild(clip)};
    return entry->second;
}

bool recordSimpleClip(const SVGClipPathElement& clip, SVGRenderState& clipState) {
    const SVGElement* child = clipSummary(clip, *clipState.tally).simpleChild;
    if (!child)
        return false;
    if (child->id() == ElementID::Use) {
        SVGRenderState useState(child, clipState, child->localTransform(), RenderMode::Clipping);
        recordClipShape(*useContentShape(*child), useState);
    } else {
        recordClipShape(static_cast<const SVGGeometryElement&>(*child), clipState);
    }
    return true;
}

bool isComplexClip(const SVGClipPathElement& clip) {
    if (clip.clipper)
        return true;
    const SVGGeometryElement* candidate = nullptr;
    for (const auto& node : clip.children()) {
        if (!node->isElement())
            continue;
        const auto& child = static_cast<const SVGElement&>(*node);
        if (!isDisplayed(child))
            continue;
        if (child.id() == ElementID::Text || child.id() == ElementID::TSpan)
            return true;
        const SVGGeometryElement* shape = nullptr;
        if (child.id() == ElementID::Use) {
            if (child.clipper)
                return true;
            shape = useContentShape(child);
        } else {
            shape = asGeometry(&child);
        }
        if (!shape || !isClipCandidate(*shape))
            continue;
        if (shape->clipper || candidate)
            return true;
        candidate = shape;
    }
    return false;
}

}  // namespace pavrix_svg
