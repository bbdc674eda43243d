#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "graphics/font.h"
#include "graphics/transform.h"
#include "svg/dom/graphics_elements.h"
#include "svg/dom/paint.h"
#include "svg/dom/svg_property.h"

namespace pavrix_svg {

// text and tspan: positioning lists and the computed text style.
class SVGTextPositioningElement : public SVGGraphicsElement {
public:
    SVGTextPositioningElement(Document& document, ElementID id);

    bool isTextPositioningElement() const override { return true; }
    void layoutElement(const SVGLayoutState& state) override;

    const SVGLengthList& x() const noexcept { return m_x; }
    const SVGLengthList& y() const noexcept { return m_y; }
    const SVGLengthList& dx() const noexcept { return m_dx; }
    const SVGLengthList& dy() const noexcept { return m_dy; }
    const SVGNumberList& rotate() const noexcept { return m_rotate; }
    const SVGLength& textLength() const noexcept { return m_textLength; }
    const SVGEnumeration<LengthAdjust>& lengthAdjust() const noexcept { return m_lengthAdjust; }

    Font font;
    float fontAscent = 0.0f;
    float fontDescent = 0.0f;
    Paint fillPaint;
    Paint strokePaint;
    float strokeWidth = 1.0f;
    float letterSpacing = 0.0f;
    float wordSpacing = 0.0f;
    float baselineShift = 0.0f;
    std::uint8_t alignmentBaseline = 0;
    std::uint8_t dominantBaseline = 0;
    std::uint8_t textAnchor = 0;
    std::uint8_t whiteSpace = 0;   // 1 = preserve
    std::uint8_t writingMode = 0;  // 1 = vertical
    std::uint8_t textOrientation = 0;
    std::uint8_t direction = 0;  // 1 = rtl

private:
    SVGLengthList m_x{PropertyID::X, LengthDirection::Horizontal, LengthNegativeMode::Allow};
    SVGLengthList m_y{PropertyID::Y, LengthDirection::Vertical, LengthNegativeMode::Allow};
    SVGLengthList m_dx{PropertyID::Dx, LengthDirection::Horizontal, LengthNegativeMode::Allow};
    SVGLengthList m_dy{PropertyID::Dy, LengthDirection::Vertical, LengthNegativeMode::Allow};
    SVGNumberList m_rotate{PropertyID::Rotate};
    SVGLength m_textLength{PropertyID::TextLength, LengthDirection::Horizontal, LengthNegativeMode::Forbid};
    SVGEnumeration<LengthAdjust> m_lengthAdjust{PropertyID::LengthAdjust, LengthAdjust::Spacing};
};

class SVGTSpanElement final : public SVGTextPositioningElement {
public:
    explicit SVGTSpanElement(Document& document);
};

// One laid-out run of characters drawn with one transform.
struct TextFragment {
    const SVGTextPositioningElement* element = nullptr;
    Transform transform;
    std::size_t start = 0;  // index into the collected text
    std::size_t length = 0;
    bool startsChunk = false;
    float x = 0.0f;
    float y = 0.0f;  // baseline
    float width = 0.0f;
    float height = 0.0f;
    float angle = 0.0f;  // degrees
};

class SVGTextElement final : public SVGTextPositioningElement {
public:
    explicit SVGTextElement(Document& document);

    void layout(const SVGLayoutState& parentState) override;
    Rect fillBoundingBox() const override;
    Rect strokeBoundingBox() const override;
    void render(const SVGRenderState& parentState) override;

    const std::u32string& text() const noexcept { return m_text; }
    const std::vector<TextFragment>& fragments() const noexcept { return m_fragments; }

private:
    std::u32string m_text;
    std::vector<TextFragment> m_fragments;
};

// The first family of the state's comma-separated list that the font-face cache knows (with
// the state's bold and italic flags), else the cache's fallback face; at the state's size.
Font fontDescription(const SVGLayoutState& state);

}  // namespace pavrix_svg
