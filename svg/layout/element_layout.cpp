#include "svg/layout/element_layout.h"

#include "svg/dom/layout_state.h"
#include "svg/dom/length_resolution.h"
#include "svg/dom/mask_element.h"
#include "svg/dom/paint.h"
#include "svg/dom/svg_element.h"
#include "svg/dom/svg_svg_element.h"

namespace pavrix_svg {

namespace {

SVGElement* findReferenced(const SVGElement& element, std::string_view id, ElementID kind) noexcept {
    if (id.empty())
        return nullptr;
    const SVGRootElement* root = element.rootElement();
    if (root == nullptr)
        return nullptr;
    SVGElement* target = getElementById(*root, id);
    return target != nullptr && target->id() == kind ? target : nullptr;
}

}  // namespace

void SVGElement::layoutElement(const SVGLayoutState& state) {
    paintBoundingBoxCache = Rect::Invalid;
    clipper = findReferenced(*this, state.clipPathId, ElementID::ClipPath);
    masker = findReferenced(*this, state.maskId, ElementID::Mask);
    opacity = state.opacity;
    opacityExact = state.opacityExact;
    fillPartialAlpha = partialAlphaFlag(state.fillAlphaClass, state.fillOpacityAlphaClass);
    strokePartialAlpha = partialAlphaFlag(state.strokeAlphaClass, state.strokeOpacityAlphaClass);
    fillOpacityExact = state.fillOpacityExact * state.fillAlphaExact;
    strokeOpacityExact = state.strokeOpacityExact * state.strokeAlphaExact;
    fontSize = state.fontSize;
    display = state.display;
    overflow = state.overflow;
    visibility = state.visibility;
    pointerEvents = state.pointerEvents;
    vectorEffect = state.vectorEffect;
}

// Recurses once per nesting level; the reader and the use expansion bound the depth.
void SVGElement::layout(const SVGLayoutState& parentState) {
    const SVGLayoutState state(parentState, this);
    layoutElement(state);
    for (SVGElement* child = firstElementChild(); child != nullptr; child = child->nextElementSibling())
        child->layout(state);
}

void SVGMaskElement::layoutElement(const SVGLayoutState& state) {
    SVGElement::layoutElement(state);
    maskType = state.maskType;
}

// The document size derived here is what the viewport read reports. It differs from the frame
// the render pass draws when width or height is a percentage or missing: here a percentage
// counts as 0 and falls back to the viewBox or the content box, while rendering resolves the
// percentage against the viewport (the viewBox, else 300 x 150). Both readings are kept on
// purpose; the viewport read and the recorded commands are separate contracts.
void SVGRootElement::layout(const SVGLayoutState& parentState) {
    SVGElement::layout(parentState);

    const LengthContext context(*this);
    float w = width().unit() == LengthUnit::Percent ? 0.0f : context.valueForLength(width());
    float h = height().unit() == LengthUnit::Percent ? 0.0f : context.valueForLength(height());
    const Rect& box = viewBox().value();
    if (box.w > 0.0f && box.h > 0.0f) {
        const float ratio = box.w / box.h;
        if (w == 0.0f && h != 0.0f)
            w = h * ratio;
        else if (h == 0.0f && w != 0.0f)
            h = w / ratio;
    }
    if ((w == 0.0f || h == 0.0f) && box.w >= 0.0f && box.h >= 0.0f) {
        w = box.w;
        h = box.h;
    }
    if (w == 0.0f || h == 0.0f) {
        const Rect content = paintBoundingBox();
        if (w == 0.0f)
            w = content.x + content.w;
        if (h == 0.0f)
            h = content.y + content.h;
    }
    computedWidth = w;
    computedHeight = h;
}

void layoutIfNeeded(SVGRootElement& root) {
    if (root.computedWidth != -1.0f)
        return;
    const SVGLayoutState rootParent = initLayoutState();
    root.layout(rootParent);
}

}  // namespace pavrix_svg
