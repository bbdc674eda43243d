#pragma once

#include <map>
#include <string>
#include <string_view>

#include "svg/dom/graphics_elements.h"

namespace pavrix_svg {

class SVGMarkerElement;

class SVGSVGElement : public SVGGraphicsElement, public SVGFitToViewBox, public SVGViewportRect {
public:
    explicit SVGSVGElement(Document& document);

    // transform · translate(x, y) · viewBox transform; the root ignores x and y.
    Transform localTransform() const override;
    void render(const SVGRenderState& parentState) override;

private:
};

using ElementIdMap = std::map<std::string, SVGElement*, std::less<>>;

// The document element: holds the id map and the document's computed size.
class SVGRootElement final : public SVGSVGElement {
public:
    explicit SVGRootElement(Document& document);

    void layout(const SVGLayoutState& parentState) override;

    const ElementIdMap& idMap() const noexcept { return m_idMap; }
    ElementIdMap& idMap() noexcept { return m_idMap; }

    // Both -1 until layout; a width of -1 marks the document for layout.
    float computedWidth = -1.0f;
    float computedHeight = -1.0f;

private:
    ElementIdMap m_idMap;
};

// False, map unchanged, when the id is taken (the first element keeps it).
bool registerElementId(SVGRootElement& root, std::string_view id, SVGElement& element);
SVGElement* getElementById(const SVGRootElement& root, std::string_view id) noexcept;
// A marker element of that id, or null.
SVGMarkerElement* resolveMarker(const SVGRootElement& root, std::string_view id) noexcept;

}  // namespace pavrix_svg
