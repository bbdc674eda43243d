#include "svg/dom/length_resolution.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "svg/dom/svg_element.h"
#include "svg/dom/svg_svg_element.h"

namespace pavrix_svg {

namespace {

using Align = SVGPreserveAspectRatio::AlignType;

bool isXMid(Align a) noexcept {
    return a == Align::xMidYMin || a == Align::xMidYMid || a == Align::xMidYMax;
}
bool isXMax(Align a) noexcept {
    return a == Align::xMaxYMin || a == Align::xMaxYMid || a == Align::xMaxYMax;
}
bool isYMid(Align a) noexcept {
    return a == Align::xMinYMid || a == Align::xMidYMid || a == Align::xMaxYMid;
}
bool isYMax(Align a) noexcept {
    return a == Align::xMinYMax || a == Align::xMidYMax || a == Align::xMaxYMax;
}

float resolveAgainst(const SVGElement& element, const Length& length, LengthDirection direction,
                     const ViewportSize& viewport) noexcept {
    switch (length.unit) {
    case LengthUnit::Ex:
        return element.fontSize * length.value * 0.5f;
    case LengthUnit::Em:
        return element.fontSize * length.value;
    case LengthUnit::Percent:
        switch (direction) {
        case LengthDirection::Horizontal:
            return viewport.width * length.value / 100.0f;
        case LengthDirection::Vertical:
            return viewport.height * length.value / 100.0f;
        case LengthDirection::Diagonal:
            return std::sqrt(viewport.width * viewport.width + viewport.height * viewport.height) / 1.4142135f *
                   length.value / 100.0f;
        }
        return 0.0f;
    case LengthUnit::None:
    case LengthUnit::Absolute:
        break;
    }
    return length.value;
}

const SVGSVGElement* nearestSvgAncestor(const SVGElement& element) noexcept {
    for (const SVGElement* ancestor = element.parent(); ancestor != nullptr; ancestor = ancestor->parent()) {
        if (ancestor->id() == ElementID::Svg)
            return static_cast<const SVGSVGElement*>(ancestor);
    }
    return nullptr;
}

bool hasViewBoxSize(const SVGSVGElement& svg) noexcept {
    const Rect& box = svg.viewBox().value();
    return box.w >= 0.0f && box.h >= 0.0f;
}

}  // namespace

float LengthContext::valueForLength(const Length& length, LengthDirection direction) const noexcept {
    return resolveLength(*this, length, direction);
}

float resolveLength(const LengthContext& context, const Length& length, LengthDirection direction) noexcept {
    if (length.unit == LengthUnit::Percent && context.units() == Units::ObjectBoundingBox)
        return length.value / 100.0f;
    if (length.unit != LengthUnit::Percent)
        return resolveAgainst(context.element(), length, direction, ViewportSize{});
    return resolveAgainst(context.element(), length, direction, viewportSize(context.element()));
}

ViewportSize viewportSize(const SVGElement& element) noexcept {
    // Nested svg elements without a viewBox take their size from the next one up. Walk the chain
    // once and resolve it top-down: resolving width and height separately per level would
    // double the work at every level. Chains are short in practice, so only deep ones allocate.
    constexpr std::size_t kInlineLevels = 8;
    std::array<const SVGSVGElement*, kInlineLevels> inlineChain{};
    std::vector<const SVGSVGElement*> deeperChain;
    std::size_t levels = 0;
    ViewportSize base{300.0f, 150.0f};
    const SVGElement* current = &element;
    while (true) {
        if (current->parent() == nullptr) {
            if (current->id() == ElementID::Svg && hasViewBoxSize(*static_cast<const SVGSVGElement*>(current))) {
                const Rect& box = static_cast<const SVGSVGElement*>(current)->viewBox().value();
                base = ViewportSize{box.w, box.h};
            }
            break;
        }
        const SVGSVGElement* svg = nearestSvgAncestor(*current);
        if (svg == nullptr)
            break;
        if (hasViewBoxSize(*svg)) {
            base = ViewportSize{svg->viewBox().value().w, svg->viewBox().value().h};
            break;
        }
        if (levels < kInlineLevels)
            inlineChain[levels] = svg;
        else
            deeperChain.push_back(svg);
        ++levels;
        current = svg;
    }
    while (levels > 0) {
        --levels;
        const SVGSVGElement& svg = levels < kInlineLevels ? *inlineChain[levels] : *deeperChain[levels - kInlineLevels];
        base = ViewportSize{resolveAgainst(svg, svg.width().length(), LengthDirection::Horizontal, base),
                            resolveAgainst(svg, svg.height().length(), LengthDirection::Vertical, base)};
    }
    return base;
}

namespace {

struct ViewBoxFit {
    float scaleX;
    float scaleY;
    float translateX;
    float translateY;
};

ViewBoxFit fitViewBox(const SVGPreserveAspectRatio& ratio, const Rect& viewBox, float width, float height) noexcept {
    const float sx = width / viewBox.w;
    const float sy = height / viewBox.h;
    if (ratio.alignType() == Align::None)
        return {sx, sy, -viewBox.x * sx, -viewBox.y * sy};
    const float scale =
        ratio.meetOrSlice() == SVGPreserveAspectRatio::MeetOrSlice::Slice ? std::max(sx, sy) : std::min(sx, sy);
    float tx = -viewBox.x * scale;
    float ty = -viewBox.y * scale;
    const float dx = width - viewBox.w * scale;
    const float dy = height - viewBox.h * scale;
    const Align align = ratio.alignType();
    if (isXMid(align))
        tx += dx / 2.0f;
    else if (isXMax(align))
        tx += dx;
    if (isYMid(align))
        ty += dy / 2.0f;
    else if (isYMax(align))
        ty += dy;
    return {scale, scale, tx, ty};
}

}  // namespace

Transform viewBoxTransform(const SVGPreserveAspectRatio& ratio, const Rect& viewBox, float width,
                           float height) noexcept {
    const ViewBoxFit fit = fitViewBox(ratio, viewBox, width, height);
    return Transform(fit.scaleX, 0.0f, 0.0f, fit.scaleY, fit.translateX, fit.translateY);
}

Rect viewBoxClipRect(const SVGPreserveAspectRatio& ratio, const Rect& viewBox, float width, float height) noexcept {
    const ViewBoxFit fit = fitViewBox(ratio, viewBox, width, height);
    if (ratio.alignType() == Align::None)
        return Rect(viewBox.x, viewBox.y, width / fit.scaleX, height / fit.scaleY);
    return Rect(-fit.translateX / fit.scaleX, -fit.translateY / fit.scaleY, width / fit.scaleX, height / fit.scaleY);
}

void fitToViewport(const SVGPreserveAspectRatio& ratio, Rect& destination, Rect& source) noexcept {
    const Align align = ratio.alignType();
    if (align == Align::None)
        return;
    const float viewRatio = source.h / source.w;
    const float fittedHeight = viewRatio * destination.w;
    const float fittedWidth = destination.h / viewRatio;
    if (ratio.meetOrSlice() == SVGPreserveAspectRatio::MeetOrSlice::Meet) {
        if (destination.h > fittedHeight) {
            const float diff = destination.h - fittedHeight;
            destination.h = fittedHeight;
            if (isYMid(align))
                destination.y += diff / 2.0f;
            else if (isYMax(align))
                destination.y += diff;
        }
        if (destination.w > fittedWidth) {
            const float diff = destination.w - fittedWidth;
            destination.w = fittedWidth;
            if (isXMid(align))
                destination.x += diff / 2.0f;
            else if (isXMax(align))
                destination.x += diff;
        }
        return;
    }
    if (destination.h < fittedHeight) {
        const float height = (source.w / destination.w) * destination.h;
        const float diff = source.h - height;
        source.h = height;
        if (isYMid(align))
            source.y += diff / 2.0f;
        else if (isYMax(align))
            source.y += diff;
    }
    if (destination.w < fittedWidth) {
        const float width = (source.h / destination.h) * destination.w;
        const float diff = source.w - width;
        source.w = width;
        if (isXMid(align))
            source.x += diff / 2.0f;
        else if (isXMax(align))
            source.x += diff;
    }
}

}  // namespace pavrix_svg
