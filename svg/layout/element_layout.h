#pragma once

namespace pavrix_svg {

class SVGRootElement;

// Lays the document out when the root's computed width is -1 (never laid out, or an attribute
// changed since).
void layoutIfNeeded(SVGRootElement& root);

}  // namespace pavrix_svg
