#include "svg/dom/element_factory.h"

#include "svg/dom/graphics_elements.h"
#include "svg/dom/image_element.h"
#include "svg/dom/marker_element.h"
#include "svg/dom/mask_element.h"
#include "svg/dom/paint_server_elements.h"
#include "svg/dom/shape_elements.h"
#include "svg/dom/svg_svg_element.h"
#include "svg/dom/text_elements.h"
#include "svg/dom/use_element.h"

namespace pavrix_svg {

std::unique_ptr<SVGElement> createElement(Document& document, ElementID id) {
    switch (id) {
    case ElementID::Circle:
        return makeNode<SVGCircleElement>(document);
    case ElementID::ClipPath:
        return makeNode<SVGClipPathElement>(document);
    case ElementID::Defs:
        return makeNode<SVGDefsElement>(document);
    case ElementID::Ellipse:
        return makeNode<SVGEllipseElement>(document);
    case ElementID::G:
        return makeNode<SVGGElement>(document);
    case ElementID::Image:
        return makeNode<SVGImageElement>(document);
    case ElementID::Line:
        return makeNode<SVGLineElement>(document);
    case ElementID::LinearGradient:
        return makeNode<SVGLinearGradientElement>(document);
    case ElementID::Marker:
        return makeNode<SVGMarkerElement>(document);
    case ElementID::Mask:
        return makeNode<SVGMaskElement>(document);
    case ElementID::Path:
        return makeNode<SVGPathElement>(document);
    case ElementID::Pattern:
        return makeNode<SVGPatternElement>(document);
    case ElementID::Polygon:
    case ElementID::Polyline:
        return makeNode<SVGPolyElement>(document, id);
    case ElementID::RadialGradient:
        return makeNode<SVGRadialGradientElement>(document);
    case ElementID::Rect:
        return makeNode<SVGRectElement>(document);
    case ElementID::Stop:
        return makeNode<SVGStopElement>(document);
    case ElementID::Style:
        return makeNode<SVGStyleElement>(document);
    case ElementID::Svg:
        return makeNode<SVGSVGElement>(document);
    case ElementID::Symbol:
        return makeNode<SVGSymbolElement>(document);
    case ElementID::Text:
        return makeNode<SVGTextElement>(document);
    case ElementID::TSpan:
        return makeNode<SVGTSpanElement>(document);
    case ElementID::Use:
        return makeNode<SVGUseElement>(document);
    case ElementID::Unknown:
    case ElementID::Star:
        break;
    }
    return nullptr;
}

}  // namespace pavrix_svg
