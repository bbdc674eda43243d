#include "svg/dom/graphics_elements.h"

#include "svg/dom/render_hooks.h"

namespace pavrix_svg {

SVGGraphicsElement::SVGGraphicsElement(Document& document, ElementID id) : SVGElement(document, id) {
    addProperty(m_transform);
}

SVGFitToViewBox::SVGFitToViewBox(SVGElement& element) {
    element.addProperty(m_viewBox);
    element.addProperty(m_preserveAspectRatio);
}

SVGURIReference::SVGURIReference(SVGElement& element) {
    element.addProperty(m_href);
}

SVGViewportRect::SVGViewportRect(SVGElement& element) {
    element.addProperty(m_x);
    element.addProperty(m_y);
    element.addProperty(m_width);
    element.addProperty(m_height);
}

SVGGElement::SVGGElement(Document& document) : SVGGraphicsElement(document, ElementID::G) {}

void SVGGElement::render(const SVGRenderState& parentState) {
    if (const RenderHooks* hooks = renderHooks(); hooks != nullptr && hooks->renderG != nullptr)
        hooks->renderG(*this, parentState);
}

SVGDefsElement::SVGDefsElement(Document& document) : SVGGraphicsElement(document, ElementID::Defs) {}

SVGClipPathElement::SVGClipPathElement(Document& document) : SVGGraphicsElement(document, ElementID::ClipPath) {
    addProperty(m_clipPathUnits);
}

SVGSymbolElement::SVGSymbolElement(Document& document)
    : SVGGraphicsElement(document, ElementID::Symbol), SVGFitToViewBox(static_cast<SVGElement&>(*this)) {}

SVGStyleElement::SVGStyleElement(Document& document) : SVGElement(document, ElementID::Style) {}

}  // namespace pavrix_svg
