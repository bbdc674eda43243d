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
        return std::make_unique<SVGCircleElement>(document);
    case ElementID::ClipPath:
        return std::make_unique<SVGClipPathElement>(document);
    case ElementID::Defs:
        return std::make_unique<SVGDefsElement>(document);
    case ElementID::Ellipse:
        return std::make_unique<SVGEllipseElement>(document);
    case ElementID::G:
        return std::make_unique<SVGGElement>(document);
    case ElementID::Image:
        return std::make_unique<SVGImageElement>(document);
    case ElementID::Line:
        return std::make_unique<SVGLineElement>(document);
    case ElementID::LinearGradient:
        return std::make_unique<SVGLinearGradientElement>(document);
    case ElementID::Marker:
        return std::make_unique<SVGMarkerElement>(document);
    case ElementID::Mask:
        return std::make_unique<SVGMaskElement>(document);
    case ElementID::Path:
        return std::make_unique<SVGPathElement>(document);
    case ElementID::Pattern:
        return std::make_unique<SVGPatternElement>(document);
    case ElementID::Polygon:
    case ElementID::Polyline:
        return std::make_unique<SVGPolyElement>(document, id);
    case ElementID::RadialGradient:
        return std::make_unique<SVGRadialGradientElement>(document);
    case ElementID::Rect:
        return std::make_unique<SVGRectElement>(document);
    case ElementID::Stop:
        return std::make_unique<SVGStopElement>(document);
    case ElementID::Style:
        return std::make_unique<SVGStyleElement>(document);
    case ElementID::Svg:
        return std::make_unique<SVGSVGElement>(document);
    case ElementID::Symbol:
        return std::make_unique<SVGSymbolElement>(document);
    case ElementID::Text:
        return std::make_unique<SVGTextElement>(document);
    case ElementID::TSpan:
        return std::make_unique<SVGTSpanElement>(document);
    case ElementID::Use:
        return std::make_unique<SVGUseElement>(document);
    case ElementID::Unknown:
    case ElementID::Star:
        break;
    }
    return nullptr;
}

}  // namespace pavrix_svg
