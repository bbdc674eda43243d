#include "svg/dom/svg_svg_element.h"

#include "svg/dom/length_resolution.h"
#include "svg/dom/marker_element.h"
#include "svg/dom/render_hooks.h"

namespace pavrix_svg {

SVGSVGElement::SVGSVGElement(Document& document)
    : SVGGraphicsElement(document, ElementID::Svg),
      SVGFitToViewBox(static_cast<SVGElement&>(*this)),
      SVGViewportRect(static_cast<SVGElement&>(*this)) {}

Transform SVGSVGElement::localTransform() const {
    const LengthContext context(*this);
    Transform result = transform().value();
    if (parent() != nullptr)
        result = result.multiplied(Transform::translated(context.valueForLength(x()), context.valueForLength(y())));
    const Rect& box = viewBox().value();
    const float viewportWidth = context.valueForLength(width());
    const float viewportHeight = context.valueForLength(height());
    if (box.w > 0.0f && box.h > 0.0f && viewportWidth > 0.0f && viewportHeight > 0.0f)
        result = result.multiplied(viewBoxTransform(preserveAspectRatio(), box, viewportWidth, viewportHeight));
    return result;
}

void SVGSVGElement::render(const SVGRenderState& parentState) {
    if (const RenderHooks* hooks = renderHooks(); hooks != nullptr && hooks->renderSVG != nullptr)
        hooks->renderSVG(*this, parentState);
}

SVGRootElement::SVGRootElement(Document& document) : SVGSVGElement(document) {}

bool registerElementId(SVGRootElement& root, std::string_view id, SVGElement& element) {
    return root.idMap().try_emplace(std::string(id), &element).second;
}

SVGElement* getElementById(const SVGRootElement& root, std::string_view id) noexcept {
    const auto it = root.idMap().find(id);
    return it != root.idMap().end() ? it->second : nullptr;
}

SVGMarkerElement* resolveMarker(const SVGRootElement& root, std::string_view id) noexcept {
    SVGElement* element = getElementById(root, id);
    if (element == nullptr || element->id() != ElementID::Marker)
        return nullptr;
    return static_cast<SVGMarkerElement*>(element);
}

}  // namespace pavrix_svg
