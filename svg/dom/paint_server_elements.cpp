#include "svg/dom/paint_server_elements.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <unordered_set>

#include "graphics/canvas.h"
#include "svg/dom/layout_state.h"
#include "svg/dom/length_resolution.h"

namespace pavrix_svg {

namespace {

std::atomic<const PaintServerHooks*> paintServerHooks{nullptr};

bool isGradient(const SVGElement& element) noexcept {
    return element.id() == ElementID::LinearGradient || element.id() == ElementID::RadialGradient;
}

bool hasChildOfKind(const SVGElement& element, ElementID kind) noexcept {
    for (const SVGElement* child = element.firstElementChild(); child != nullptr; child = child->nextElementSibling()) {
        if (child->id() == kind)
            return true;
    }
    return false;
}

// Walks the href chain from `server`, calling visit on each element once; the chain follows
// only targets accepted by `follows` and stops at the first repeated element.
template <typename Element, typename Follows, typename Visit>
void walkHrefChain(const Element& server, Follows follows, Visit visit) {
    std::unordered_set<const SVGElement*> visited;
    const Element* current = &server;
    while (current != nullptr) {
        visited.insert(current);
        visit(*current);
        const SVGElement* target = resolveLocalReference(current->href(), current->document());
        if (target == nullptr || !follows(*target) || visited.count(target) != 0)
            break;
        current = static_cast<const Element*>(target);
    }
}

template <typename Provider>
void provide(const Provider*& slot, const Provider& candidate, PropertyID id) noexcept {
    if (slot == nullptr && hasAttribute(candidate, id))
        slot = &candidate;
}

template <typename Provider>
void fallBack(const Provider*& slot, const Provider& server) noexcept {
    if (slot == nullptr)
        slot = &server;
}

void collectCommon(GradientAttributes& attributes, const SVGGradientElement& element) {
    provide(attributes.gradientTransform, element, PropertyID::GradientTransform);
    provide(attributes.gradientUnits, element, PropertyID::GradientUnits);
    provide(attributes.spreadMethod, element, PropertyID::SpreadMethod);
    if (attributes.stops == nullptr && hasChildOfKind(element, ElementID::Stop))
        attributes.stops = &element;
}

void fallBackCommon(GradientAttributes& attributes, const SVGGradientElement& server) {
    fallBack(attributes.gradientTransform, server);
    fallBack(attributes.gradientUnits, server);
    fallBack(attributes.spreadMethod, server);
    if (attributes.stops == nullptr)
        attributes.stops = &server;
}

// The matrix of a gradient: its transform, mapped onto the fill box for objectBoundingBox units.
Transform gradientMatrix(const GradientAttributes& attributes, Units units, const Rect& fillBox) {
    Transform matrix = attributes.gradientTransform->gradientTransform().value();
    if (units == Units::ObjectBoundingBox)
        matrix.postMultiply(Transform(fillBox.w, 0.0f, 0.0f, fillBox.h, fillBox.x, fillBox.y));
    return matrix;
}

void paintLastStop(const GradientStops& stops, Canvas& canvas) {
    const GradientStop& last = stops.back();
    canvas.setColorRgba(last.red, last.green, last.blue, last.alpha);
}

// The render state's canvas, painted element box and transform; no canvas without hooks.
PaintTarget paintTargetOf(const SVGRenderState& state) {
    const PaintServerHooks* hooks = paintServerHooks.load(std::memory_order_acquire);
    if (hooks == nullptr || hooks->target == nullptr)
        return {};
    return hooks->target(state);
}

}  // namespace

void setPaintServerHooks(const PaintServerHooks* hooks) noexcept {
    paintServerHooks.store(hooks, std::memory_order_release);
}

SVGPaintElement::SVGPaintElement(Document& document, ElementID id) : SVGElement(document, id) {}

SVGGradientElement::SVGGradientElement(Document& document, ElementID id)
    : SVGPaintElement(document, id), SVGURIReference(static_cast<SVGElement&>(*this)) {
    addProperty(m_gradientTransform);
    addProperty(m_gradientUnits);
    addProperty(m_spreadMethod);
}

SVGLinearGradientElement::SVGLinearGradientElement(Document& document)
    : SVGGradientElement(document, ElementID::LinearGradient) {
    addProperty(m_x1);
    addProperty(m_y1);
    addProperty(m_x2);
    addProperty(m_y2);
}

SVGRadialGradientElement::SVGRadialGradientElement(Document& document)
    : SVGGradientElement(document, ElementID::RadialGradient) {
    addProperty(m_cx);
    addProperty(m_cy);
    addProperty(m_r);
    addProperty(m_fx);
    addProperty(m_fy);
}

SVGPatternElement::SVGPatternElement(Document& document)
    : SVGPaintElement(document, ElementID::Pattern),
      SVGURIReference(static_cast<SVGElement&>(*this)),
      SVGFitToViewBox(static_cast<SVGElement&>(*this)) {
    addProperty(m_x);
    addProperty(m_y);
    addProperty(m_width);
    addProperty(m_height);
    addProperty(m_patternTransform);
    addProperty(m_patternUnits);
    addProperty(m_patternContentUnits);
}

SVGStopElement::SVGStopElement(Document& document) : SVGElement(document, ElementID::Stop) {
    addProperty(m_offset);
}

void SVGStopElement::layoutElement(const SVGLayoutState& state) {
    stopColor = state.stopColor;
    stopOpacity = state.stopOpacity;
    SVGElement::layoutElement(state);
}

GradientAttributes collectGradientAttributes(const SVGLinearGradientElement& gradient) {
    GradientAttributes attributes;
    walkHrefChain(
        static_cast<const SVGGradientElement&>(gradient), [](const SVGElement& target) { return isGradient(target); },
        [&](const SVGGradientElement& element) {
            collectCommon(attributes, element);
            if (element.id() != ElementID::LinearGradient)
                return;
            const auto& linear = static_cast<const SVGLinearGradientElement&>(element);
            provide(attributes.x1, linear, PropertyID::X1);
            provide(attributes.y1, linear, PropertyID::Y1);
            provide(attributes.x2, linear, PropertyID::X2);
            provide(attributes.y2, linear, PropertyID::Y2);
        });
    fallBackCommon(attributes, gradient);
    fallBack(attributes.x1, gradient);
    fallBack(attributes.y1, gradient);
    fallBack(attributes.x2, gradient);
    fallBack(attributes.y2, gradient);
    return attributes;
}

GradientAttributes collectRadialGradientAttributes(const SVGRadialGradientElement& gradient) {
    GradientAttributes attributes;
    walkHrefChain(
        static_cast<const SVGGradientElement&>(gradient), [](const SVGElement& target) { return isGradient(target); },
        [&](const SVGGradientElement& element) {
            collectCommon(attributes, element);
            if (element.id() != ElementID::RadialGradient)
                return;
            const auto& radial = static_cast<const SVGRadialGradientElement&>(element);
            provide(attributes.cx, radial, PropertyID::Cx);
            provide(attributes.cy, radial, PropertyID::Cy);
            provide(attributes.r, radial, PropertyID::R);
            provide(attributes.fx, radial, PropertyID::Fx);
            provide(attributes.fy, radial, PropertyID::Fy);
        });
    fallBackCommon(attributes, gradient);
    fallBack(attributes.cx, gradient);
    fallBack(attributes.cy, gradient);
    fallBack(attributes.r, gradient);
    return attributes;
}

PatternAttributes collectPatternAttributes(const SVGPatternElement& pattern) {
    PatternAttributes attributes;
    walkHrefChain(
        pattern, [](const SVGElement& target) { return target.id() == ElementID::Pattern; },
        [&](const SVGPatternElement& element) {
            provide(attributes.x, element, PropertyID::X);
            provide(attributes.y, element, PropertyID::Y);
            provide(attributes.width, element, PropertyID::Width);
            provide(attributes.height, element, PropertyID::Height);
            provide(attributes.patternTransform, element, PropertyID::PatternTransform);
            provide(attributes.patternUnits, element, PropertyID::PatternUnits);
            provide(attributes.patternContentUnits, element, PropertyID::PatternContentUnits);
            provide(attributes.viewBox, element, PropertyID::ViewBox);
            provide(attributes.preserveAspectRatio, element, PropertyID::PreserveAspectRatio);
            if (attributes.content == nullptr && element.firstElementChild() != nullptr)
                attributes.content = &element;
        });
    fallBack(attributes.x, pattern);
    fallBack(attributes.y, pattern);
    fallBack(attributes.width, pattern);
    fallBack(attributes.height, pattern);
    fallBack(attributes.patternTransform, pattern);
    fallBack(attributes.patternUnits, pattern);
    fallBack(attributes.patternContentUnits, pattern);
    fallBack(attributes.viewBox, pattern);
    fallBack(attributes.preserveAspectRatio, pattern);
    return attributes;
}

GradientStops buildGradientStops(const SVGElement* holder, float opacity) {
    GradientStops stops;
    if (holder == nullptr)
        return stops;
    for (const SVGElement* child = holder->firstElementChild(); child != nullptr; child = child->nextElementSibling()) {
        if (child->id() != ElementID::Stop)
            continue;
        const auto& stop = static_cast<const SVGStopElement&>(*child);
        const float alpha = std::clamp(opacity * stop.stopOpacity, 0.0f, 1.0f);
        const std::uint32_t color = stop.stopColor;
        const float a = std::trunc(static_cast<float>(color >> 24) * alpha);
        stops.push_back({stop.offset().value(), static_cast<float>((color >> 16) & 0xffu) / 255.0f,
                         static_cast<float>((color >> 8) & 0xffu) / 255.0f, static_cast<float>(color & 0xffu) / 255.0f,
                         a / 255.0f});
    }
    return stops;
}

bool SVGLinearGradientElement::applyPaint(const SVGRenderState& state, float opacity) const {
    const PaintTarget target = paintTargetOf(state);
    if (target.canvas == nullptr)
        return false;
    const GradientAttributes attributes = collectGradientAttributes(*this);
    const GradientStops stops = buildGradientStops(attributes.stops, opacity);
    if (stops.empty())
        return false;
    const Units units = attributes.gradientUnits->gradientUnits().value();
    const LengthContext context(*this, units);
    const float x1 = context.valueForLength(attributes.x1->x1());
    const float y1 = context.valueForLength(attributes.y1->y1());
    const float x2 = context.valueForLength(attributes.x2->x2());
    const float y2 = context.valueForLength(attributes.y2->y2());
    if (stops.size() >= 2 && (x1 != x2 || y1 != y2)) {
        target.canvas->setLinearGradient(x1, y1, x2, y2, attributes.spreadMethod->spreadMethod().value(), stops,
                                         gradientMatrix(attributes, units, target.fillBox));
    } else {
        paintLastStop(stops, *target.canvas);
    }
    return true;
}

bool SVGRadialGradientElement::applyPaint(const SVGRenderState& state, float opacity) const {
    const PaintTarget target = paintTargetOf(state);
    if (target.canvas == nullptr)
        return false;
    const GradientAttributes attributes = collectRadialGradientAttributes(*this);
    const GradientStops stops = buildGradientStops(attributes.stops, opacity);
    if (stops.empty())
        return false;
    const Units units = attributes.gradientUnits->gradientUnits().value();
    const LengthContext context(*this, units);
    const float r = context.valueForLength(attributes.r->r());
    if (r != 0.0f && stops.size() >= 2) {
        const float cx = context.valueForLength(attributes.cx->cx());
        const float cy = context.valueForLength(attributes.cy->cy());
        // Without fx / fy anywhere in the chain the focus is the centre.
        const float fx = attributes.fx != nullptr ? context.valueForLength(attributes.fx->fx()) : cx;
        const float fy = attributes.fy != nullptr ? context.valueForLength(attributes.fy->fy()) : cy;
        target.canvas->setRadialGradient(cx, cy, r, fx, fy, attributes.spreadMethod->spreadMethod().value(), stops,
                                         gradientMatrix(attributes, units, target.fillBox));
    } else {
        paintLastStop(stops, *target.canvas);
    }
    return true;
}

bool SVGPatternElement::applyPaint(const SVGRenderState& state, float opacity) const {
    const PaintServerHooks* hooks = paintServerHooks.load(std::memory_order_acquire);
    if (hooks == nullptr || hooks->target == nullptr || hooks->chainRenders == nullptr)
        return false;
    if (hooks->chainRenders(state, *this))
        return false;
    const PatternAttributes attributes = collectPatternAttributes(*this);
    if (attributes.content == nullptr)
        return false;
    const PaintTarget target = hooks->target(state);
    if (target.canvas == nullptr)
        return false;

    const Units units = attributes.patternUnits->patternUnits().value();
    const LengthContext context(*this, units);
    float x = context.valueForLength(attributes.x->x());
    float y = context.valueForLength(attributes.y->y());
    float width = context.valueForLength(attributes.width->width());
    float height = context.valueForLength(attributes.height->height());
    const Rect& box = target.fillBox;
    if (units == Units::ObjectBoundingBox) {
        x = x * box.w + box.x;
        y = y * box.h + box.y;
        width *= box.w;
        height *= box.h;
    }

    const Transform& patternTransform = attributes.patternTransform->patternTransform().value();
    Transform device = patternTransform;
    device.postMultiply(target.transform);
    const float sx = device.xScale();
    const float sy = device.yScale();
    // A tile without area, or a transform that collapses it, paints nothing (and must not
    // reach the 1 / scale of the texture matrix).
    if (!(width > 0.0f) || !(height > 0.0f) || !(sx > 0.0f) || !(sy > 0.0f) || !std::isfinite(sx) || !std::isfinite(sy))
        return false;

    // Painting on an inert canvas rasterizes nothing, so its tiles stay inert as well; a raster
    // tile can reach 32767 x 32767 pixels.
    const std::shared_ptr<Canvas> tile =
        target.canvas->isNoop() ? Canvas::createNoop() : Canvas::create(0.0f, 0.0f, width * sx, height * sy);
    Transform content = Transform::scaled(sx, sy);
    const Rect& viewBox = attributes.viewBox->viewBox().value();
    if (viewBox.w > 0.0f && viewBox.h > 0.0f) {
        content.multiply(
            viewBoxTransform(attributes.preserveAspectRatio->preserveAspectRatio(), viewBox, width, height));
    } else if (attributes.patternContentUnits->patternContentUnits().value() == Units::ObjectBoundingBox) {
        content.multiply(Transform::scaled(box.w, box.h));
    }
    if (hooks->renderContent != nullptr)
        hooks->renderContent(*attributes.content, tile, content, state);

    Transform matrix = patternTransform;
    matrix.translate(x, y);
    matrix.scale(1.0f / sx, 1.0f / sy);
    target.canvas->setTexture(*tile, TextureType::Tiled, opacity, matrix);
    return true;
}

}  // namespace pavrix_svg
