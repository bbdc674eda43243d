#pragma once

#include "svg/dom/graphics_elements.h"

namespace pavrix_svg {

class SVGUseElement final : public SVGGraphicsElement, public SVGURIReference, public SVGViewportRect {
public:
    explicit SVGUseElement(Document& document);

    // transform · translate(x, y): a content point p is drawn at transform(p + (x, y)).
    Transform localTransform() const override;
    // Expands the referenced element into a copy appended as the last child, then builds the
    // children (nested uses expand in turn).
    void build() override;
    void render(const SVGRenderState& parentState) override;

    // The copy made by build (null until then or when refused); owned by the children list.
    SVGElement* expansionChild() const noexcept { return m_expansionChild; }

private:
    friend std::unique_ptr<SVGElement> cloneUseTarget(SVGUseElement& use, const SVGElement& target);

    SVGElement* m_expansionChild = nullptr;
};

// The expansion copy of `target` for `use`, or null when the target is the use itself, of a
// kind that is not copied, an ancestor of the use (by id), or the copy would pass the
// document's clone caps (the document then carries "unsupported_complexity").
std::unique_ptr<SVGElement> cloneUseTarget(SVGUseElement& use, const SVGElement& target);

// Kinds a use element copies: shapes, g/a, image, svg, symbol, text, tspan and use.
bool isUseTargetKind(ElementID id) noexcept;

}  // namespace pavrix_svg
