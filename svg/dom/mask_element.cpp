#include "svg/dom/mask_element.h"

namespace pavrix_svg {

SVGMaskElement::SVGMaskElement(Document& document) : SVGElement(document, ElementID::Mask) {
    addProperty(m_x);
    addProperty(m_y);
    addProperty(m_width);
    addProperty(m_height);
    addProperty(m_maskUnits);
    addProperty(m_maskContentUnits);
}

}  // namespace pavrix_svg
