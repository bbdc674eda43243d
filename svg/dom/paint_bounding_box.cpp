#include "svg/dom/box_nesting.h"
#include "svg/dom/graphics_elements.h"
#include "svg/dom/length_resolution.h"
#include "svg/dom/mask_element.h"
#include "svg/dom/svg_element.h"

namespace pavrix_svg {

namespace {

// {b.x + x·b.w, b.y + y·b.h, w·b.w, h·b.h}: a box in bounding-box units placed on b.
Rect mapOntoBox(const Rect& box, const Rect& b) noexcept {
    return Rect(b.x + box.x * b.w, b.y + box.y * b.h, box.w * b.w, box.h * b.h);
}

}  // namespace

Rect SVGElement::paintBoundingBox() const {
    if (paintBoundingBoxCache.isValid())
        return paintBoundingBoxCache;
    paintBoundingBoxCache = strokeBoundingBox();
    if (clipper == nullptr && masker == nullptr)
        return paintBoundingBoxCache;
    // Chains of clip-path and mask references nest one box computation per link.
    const BoxNestingScope nesting(*this);
    if (nesting.refused())
        return paintBoundingBoxCache;
    if (clipper != nullptr && clipper->id() == ElementID::ClipPath) {
        const auto& clip = static_cast<const SVGClipPathElement&>(*clipper);
        Rect clipBox = clip.paintBoundingBox();
        if (clip.clipPathUnits().value() == Units::ObjectBoundingBox)
            clipBox = mapOntoBox(clipBox, fillBoundingBox());
        clipBox = clip.transform().value().mapRect(clipBox);
        paintBoundingBoxCache = paintBoundingBoxCache.intersected(clipBox);
    }
    if (masker != nullptr && masker->id() == ElementID::Mask) {
        const auto& mask = static_cast<const SVGMaskElement&>(*masker);
        const Rect fillBox = fillBoundingBox();
        Rect maskBox = mask.paintBoundingBox();
        if (mask.maskContentUnits().value() == Units::ObjectBoundingBox)
            maskBox = mapOntoBox(maskBox, fillBox);
        const LengthContext context(mask, mask.maskUnits().value());
        Rect maskRect(context.valueForLength(mask.x()), context.valueForLength(mask.y()),
                      context.valueForLength(mask.width()), context.valueForLength(mask.height()));
        if (mask.maskUnits().value() == Units::ObjectBoundingBox)
            maskRect = mapOntoBox(maskRect, fillBox);
        paintBoundingBoxCache = paintBoundingBoxCache.intersected(maskBox.intersected(maskRect));
    }
    return paintBoundingBoxCache;
}

}  // namespace pavrix_svg
