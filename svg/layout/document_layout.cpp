#include "svg/dom/document.h"

#include "svg/layout/element_layout.h"
#include "svg/dom/svg_svg_element.h"

namespace pavrix_svg {

SVGRootElement* Document::rootElement(bool layout) {
    if (layout && m_root)
        layoutIfNeeded(*m_root);
    return m_root.get();
}

float Document::rootWidth() {
    SVGRootElement* root = rootElement(true);
    return root ? root->computedWidth : 0.0f;
}

float Document::rootHeight() {
    SVGRootElement* root = rootElement(true);
    return root ? root->computedHeight : 0.0f;
}

}  // namespace pavrix_svg
