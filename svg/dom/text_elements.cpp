#include "svg/dom/text_elements.h"

#include <algorithm>
#include <cmath>

#include "svg/dom/layout_state.h"
#include "svg/dom/length_resolution.h"
#include "svg/lexical/number_readers.h"
#include "svg/dom/render_hooks.h"
#include "svg/lexical/xml_chars.h"

namespace pavrix_svg {

namespace {

using namespace layout_keyword;

// Strips one pair of matching quotes; a lone quote character is a name of its own.
std::string_view unquote(std::string_view name) noexcept {
    if (name.size() >= 2 && (name.front() == '"' || name.front() == '\'') && name.back() == name.front())
        return name.substr(1, name.size() - 2);
    return name;
}

// Per-character layout record before characters are merged into fragments.
struct Glyph {
    const SVGTextPositioningElement* owner = nullptr;
    float baselineShift = 0.0f;  // sum over the owner and its positioning ancestors
    float x = 0.0f;              // absolute positions, set when hasX / hasY
    float y = 0.0f;
    float dx = 0.0f;
    float dy = 0.0f;
    float rotate = 0.0f;
    // Filled by the positioning walk.
    float penX = 0.0f;
    float penY = 0.0f;
    float advance = 0.0f;
    float scale = 1.0f;
    bool hasX = false;
    bool hasY = false;
    bool startsChunk = false;
    bool breakBefore = false;
};

// A positioning element and the range of collected characters inside it.
struct PositionedRange {
    const SVGTextPositioningElement* element = nullptr;
    std::size_t begin = 0;
    std::size_t end = 0;
};

// Collects the character data of the subtree (document order, display none skipped) with
// white space collapsed unless the enclosing element preserves it.
class CharacterCollector {
public:
    // Characters without a positioning element below `text` around them belong to it.
    CharacterCollector(const SVGTextPositioningElement& text, std::u32string& characters, std::vector<Glyph>& glyphs,
                       std::vector<PositionedRange>& ranges)
        : m_text(characters), m_glyphs(glyphs), m_ranges(ranges), m_owner(&text) {}

    // Recurses once per nesting level; the reader bounds the depth.
    void collect(const SVGElement& element) {
        const bool positioning = element.isTextPositioningElement();
        std::size_t rangeIndex = 0;
        const float outerShift = m_baselineShift;
        const SVGTextPositioningElement* outerOwner = m_owner;
        if (positioning) {
            rangeIndex = m_ranges.size();
            const auto& positioned = static_cast<const SVGTextPositioningElement&>(element);
            m_ranges.push_back({&positioned, m_text.size(), 0});
            m_baselineShift += positioned.baselineShift;
            m_owner = &positioned;
        }
        for (const auto& child : element.children()) {
            if (child->isTextNode()) {
                appendText(static_cast<const SVGTextNode&>(*child).text());
            } else if (child->isElement()) {
                const auto& childElement = static_cast<const SVGElement&>(*child);
                if (childElement.display != kDisplayNone)
                    collect(childElement);
            }
        }
        if (positioning)
            m_ranges[rangeIndex].end = m_text.size();
        m_baselineShift = outerShift;
        m_owner = outerOwner;
    }

private:
    // The characters belong to the innermost positioning element around them.
    void appendText(std::string_view bytes) {
        const bool preserve = m_owner->whiteSpace != 0;
        std::size_t position = 0;
        while (position < bytes.size()) {
            Utf8Char decoded = decodeUtf8(bytes, position);
            char32_t ch = decoded.length == 0 ? U'\uFFFD' : static_cast<char32_t>(decoded.value);
            position += decoded.length == 0 ? 1 : decoded.length;
            if (ch == U'\t' || ch == U'\n' || ch == U'\r')
                ch = U' ';
            if (ch == U' ' && !preserve && (m_text.empty() || m_text.back() == U' '))
                continue;
            m_text.push_back(ch);
            Glyph& glyph = m_glyphs.emplace_back();
            glyph.owner = m_owner;
            glyph.baselineShift = m_baselineShift;
        }
    }

    std::u32string& m_text;
    std::vector<Glyph>& m_glyphs;
    std::vector<PositionedRange>& m_ranges;
    // Baseline shifts of the positioning elements being collected, summed as the walk goes
    // down, so that no character walks up its ancestors.
    float m_baselineShift = 0.0f;
    const SVGTextPositioningElement* m_owner;
};

// The summed baseline shift of a character's element and its positioning ancestors, less the
// alignment offset of the element.
float baselineOffset(const SVGTextPositioningElement& element, float baselineShift) {
    float offset = baselineShift;
    std::uint8_t alignment = element.alignmentBaseline;
    if (alignment == kAlignAuto || alignment == kAlignBaseline) {
        switch (element.dominantBaseline) {
        case kDominantAuto:
            alignment = element.writingMode != 0 ? kAlignCentral : kAlignAlphabetic;
            break;
        case 4:
            alignment = kAlignIdeographic;
            break;
        case 5:
            alignment = kAlignAlphabetic;
            break;
        case 6:
            alignment = kAlignHanging;
            break;
        case 7:
            alignment = kAlignMathematical;
            break;
        case 8:
            alignment = kAlignCentral;
            break;
        case 9:
            alignment = kAlignMiddle;
            break;
        case 10:
            alignment = kAlignTextAfterEdge;
            break;
        case 11:
            alignment = kAlignTextBeforeEdge;
            break;
        default:
            alignment = kAlignAuto;
            break;  // use-script, no-change, reset-size
        }
    }
    const float ascent = element.fontAscent;
    const float descent = element.fontDescent;
    switch (alignment) {
    case kAlignBeforeEdge:
    case kAlignTextBeforeEdge:
        offset -= ascent;
        break;
    case kAlignMiddle:
        offset -= element.font.xHeight() / 2.0f;
        break;
    case kAlignCentral:
        offset -= (ascent + descent) / 2.0f;
        break;
    case kAlignAfterEdge:
    case kAlignTextAfterEdge:
    case kAlignIdeographic:
        offset -= descent;
        break;
    case kAlignHanging:
        offset -= 0.8f * ascent;
        break;
    case kAlignMathematical:
        offset -= 0.5f * ascent;
        break;
    default:
        break;
    }
    return offset;
}

void applyPositions(const PositionedRange& range, std::vector<Glyph>& glyphs) {
    const SVGTextPositioningElement& element = *range.element;
    const LengthContext context(element);
    const std::size_t count = range.end - range.begin;
    const auto apply = [&](const SVGLengthList& list, auto store) {
        const std::vector<Length>& values = list.values();
        for (std::size_t i = 0; i < values.size() && i < count; ++i)
            store(glyphs[range.begin + i], context.valueForLength(values[i], list.direction()));
    };
    apply(element.x(), [](Glyph& glyph, float value) {
        glyph.x = value;
        glyph.hasX = true;
    });
    apply(element.y(), [](Glyph& glyph, float value) {
        glyph.y = value;
        glyph.hasY = true;
    });
    apply(element.dx(), [](Glyph& glyph, float value) { glyph.dx = value; });
    apply(element.dy(), [](Glyph& glyph, float value) { glyph.dy = value; });
}

// Each character takes its rotation from the innermost element around it that has a rotate
// list: entry i for the element's i-th character, the last entry for the characters after.
// One sweep with a stack of the open elements, since nested elements would otherwise each
// rewrite every character inside them. `ranges` are nested and in document order.
void applyRotations(const std::vector<PositionedRange>& ranges, std::vector<Glyph>& glyphs) {
    std::vector<const PositionedRange*> open;
    std::size_t next = 0;
    for (std::size_t i = 0; i < glyphs.size(); ++i) {
        while (!open.empty() && open.back()->end <= i)
            open.pop_back();
        for (; next < ranges.size() && ranges[next].begin <= i; ++next) {
            if (ranges[next].end > i && !ranges[next].element->rotate().values().empty())
                open.push_back(&ranges[next]);
        }
        if (open.empty())
            continue;
        const PositionedRange& range = *open.back();
        const std::vector<float>& rotations = range.element->rotate().values();
        glyphs[i].rotate = rotations[std::min(i - range.begin, rotations.size() - 1)];
    }
}

}  // namespace

Font fontDescription(const SVGLayoutState& state) {
    const bool bold = state.fontBold != 0;
    const bool italic = state.fontItalic != 0;
    std::string_view families = state.fontFamily;
    while (true) {
        const std::size_t comma = families.find(',');
        const std::string_view name = unquote(trimSvgWhitespace(families.substr(0, comma)));
        if (FontFace face = getFontFace(name, bold, italic); !face.isNull())
            return Font(face, state.fontSize);
        if (comma == std::string_view::npos)
            break;
        families.remove_prefix(comma + 1);
    }
    return Font(getFontFace({}, bold, italic), state.fontSize);
}

SVGTextPositioningElement::SVGTextPositioningElement(Document& document, ElementID id)
    : SVGGraphicsElement(document, id) {
    addProperty(m_x);
    addProperty(m_y);
    addProperty(m_dx);
    addProperty(m_dy);
    addProperty(m_rotate);
    addProperty(m_textLength);
    addProperty(m_lengthAdjust);
}

void SVGTextPositioningElement::layoutElement(const SVGLayoutState& state) {
    font = fontDescription(state);
    fontAscent = font.ascent();
    fontDescent = font.descent();
    fillPaint = resolvePaint(*this, state.fill, state.fillOpacity, 0);
    strokePaint = resolvePaint(*this, state.stroke, state.strokeOpacity, 0);
    SVGElement::layoutElement(state);

    const LengthContext context(*this);
    strokeWidth = context.valueForLength(state.strokeWidth, LengthDirection::Diagonal);
    letterSpacing = context.valueForLength(state.letterSpacing, LengthDirection::Diagonal);
    wordSpacing = context.valueForLength(state.wordSpacing, LengthDirection::Diagonal);
    switch (state.baselineShiftKind) {
    case kBaselineShiftSub:
        baselineShift = -(fontAscent - fontDescent) / 2.0f;
        break;
    case kBaselineShiftSuper:
        baselineShift = (fontAscent - fontDescent) / 2.0f;
        break;
    case kBaselineShiftLength: {
        const Length& shift = state.baselineShift;
        switch (shift.unit) {
        case LengthUnit::Percent:
            baselineShift = shift.value * state.fontSize / 100.0f;
            break;
        case LengthUnit::Em:
            baselineShift = shift.value * state.fontSize;
            break;
        case LengthUnit::Ex:
            baselineShift = shift.value * state.fontSize * 0.5f;
            break;
        default:
            baselineShift = shift.value;
            break;
        }
        break;
    }
    default:
        baselineShift = 0.0f;
        break;
    }
    alignmentBaseline = state.alignmentBaseline;
    dominantBaseline = state.dominantBaseline;
    textAnchor = state.textAnchor;
    whiteSpace = state.whiteSpace;
    writingMode = state.writingMode;
    textOrientation = state.textOrientation;
    direction = state.direction;
}

SVGTSpanElement::SVGTSpanElement(Document& document) : SVGTextPositioningElement(document, ElementID::TSpan) {}

SVGTextElement::SVGTextElement(Document& document) : SVGTextPositioningElement(document, ElementID::Text) {}

void SVGTextElement::layout(const SVGLayoutState& parentState) {
    SVGElement::layout(parentState);
    m_text.clear();
    m_fragments.clear();

    std::vector<Glyph> glyphs;
    std::vector<PositionedRange> ranges;
    CharacterCollector(*this, m_text, glyphs, ranges).collect(*this);
    if (m_text.empty())
        return;
    // Ranges are recorded outermost first, so inner lists override outer ones.
    for (const PositionedRange& range : ranges)
        applyPositions(range, glyphs);
    applyRotations(ranges, glyphs);

    // Pen positions, chunk starts and fragment breaks.
    float penX = 0.0f;
    float penY = 0.0f;
    float previousRotation = 0.0f;
    for (std::size_t i = 0; i < glyphs.size(); ++i) {
        Glyph& glyph = glyphs[i];
        const SVGTextPositioningElement& owner = *glyph.owner;
        const bool vertical = owner.writingMode != 0;
        glyph.startsChunk = i == 0 || glyph.hasX || glyph.hasY;
        if (glyph.hasX)
            penX = glyph.x;
        if (glyph.hasY)
            penY = glyph.y;
        penX += glyph.dx;
        penY += glyph.dy;
        const float rotation = glyph.rotate;
        glyph.breakBefore = glyph.startsChunk || glyph.dx != 0.0f || glyph.dy != 0.0f || rotation != 0.0f ||
                            rotation != previousRotation || vertical || owner.letterSpacing != 0.0f ||
                            owner.wordSpacing != 0.0f || glyphs[i - (i > 0 ? 1 : 0)].owner != glyph.owner;
        previousRotation = rotation;
        glyph.penX = penX;
        glyph.penY = penY;
        glyph.advance = owner.font.measureText(std::u32string_view(&m_text[i], 1));
        float step = glyph.advance + owner.letterSpacing;
        if (m_text[i] == U' ' && i > 0)
            step += owner.wordSpacing;
        (vertical ? penY : penX) += step;
        if (i + 1 == glyphs.size() || glyphs[i + 1].hasX || glyphs[i + 1].hasY) {
            // Chunk end: textLength and text-anchor of the chunk's first character's element.
            std::size_t first = i;
            while (!glyphs[first].startsChunk)
                --first;
            const SVGTextPositioningElement& chunkOwner = *glyphs[first].owner;
            const bool chunkVertical = chunkOwner.writingMode != 0;
            const float start = chunkVertical ? glyphs[first].penY : glyphs[first].penX;
            const float end = chunkVertical ? penY : penX;
            float length = end - start;
            const std::size_t characters = i - first + 1;
            const float target = LengthContext(chunkOwner).valueForLength(chunkOwner.textLength());
            if (target > 0.0f && length > 0.0f) {
                if (chunkOwner.lengthAdjust().value() == LengthAdjust::SpacingAndGlyphs) {
                    const float scale = target / length;
                    for (std::size_t k = first; k <= i; ++k) {
                        float& along = chunkVertical ? glyphs[k].penY : glyphs[k].penX;
                        along = start + (along - start) * scale;
                        glyphs[k].advance *= scale;
                        glyphs[k].scale = scale;
                    }
                    length = target;
                } else if (characters > 1) {
                    // A chunk of one character has no gap to spread the difference over.
                    const float gap = (target - length) / static_cast<float>(characters - 1);
                    for (std::size_t k = first; k <= i; ++k) {
                        (chunkVertical ? glyphs[k].penY : glyphs[k].penX) += gap * static_cast<float>(k - first);
                        glyphs[k].breakBefore = true;
                    }
                    length = target;
                }
                (chunkVertical ? penY : penX) = start + length;
            }
            float shift = 0.0f;
            const bool rtl = chunkOwner.direction == kDirectionRtl;
            if (chunkOwner.textAnchor == kTextAnchorMiddle)
                shift = -length / 2.0f;
            else if ((chunkOwner.textAnchor == kTextAnchorEnd && !rtl) ||
                     (chunkOwner.textAnchor == kTextAnchorStart && rtl))
                shift = -length;
            if (shift != 0.0f) {
                for (std::size_t k = first; k <= i; ++k)
                    (chunkVertical ? glyphs[k].penY : glyphs[k].penX) += shift;
            }
        }
    }

    // Merge runs of characters into fragments.
    for (std::size_t i = 0; i < glyphs.size(); ++i) {
        const Glyph& glyph = glyphs[i];
        const SVGTextPositioningElement& owner = *glyph.owner;
        const bool vertical = owner.writingMode != 0;
        if (m_fragments.empty() || glyph.breakBefore || glyph.scale != glyphs[i - 1].scale) {
            TextFragment fragment;
            fragment.element = glyph.owner;
            fragment.start = i;
            fragment.startsChunk = glyph.startsChunk;
            fragment.x = glyph.penX;
            fragment.y = glyph.penY - baselineOffset(owner, glyph.baselineShift);
            fragment.height = owner.fontAscent - owner.fontDescent;
            fragment.angle = glyph.rotate;
            Transform transform = Transform::translated(fragment.x, fragment.y);
            transform.rotate(fragment.angle);
            if (glyph.scale != 1.0f)
                transform.scale(vertical ? 1.0f : glyph.scale, vertical ? glyph.scale : 1.0f);
            transform.translate(-fragment.x, -fragment.y);
            fragment.transform = transform;
            m_fragments.push_back(fragment);
        }
        TextFragment& fragment = m_fragments.back();
        ++fragment.length;
        fragment.width = vertical ? glyph.advance : glyph.penX + glyph.advance - fragment.x;
    }
}

Rect SVGTextElement::fillBoundingBox() const {
    Rect box = Rect::Invalid;
    for (const TextFragment& fragment : m_fragments) {
        const Rect own(fragment.x, fragment.y - fragment.element->fontAscent, fragment.width, fragment.height);
        box = box.united(fragment.transform.mapRect(own));
    }
    return box.isValid() ? box : Rect::Empty;
}

Rect SVGTextElement::strokeBoundingBox() const {
    Rect box = Rect::Invalid;
    for (const TextFragment& fragment : m_fragments) {
        Rect own(fragment.x, fragment.y - fragment.element->fontAscent, fragment.width, fragment.height);
        if (isRenderable(fragment.element->strokePaint)) {
            const float half = fragment.element->strokeWidth / 2.0f;
            own = Rect(own.x - half, own.y - half, own.w + 2.0f * half, own.h + 2.0f * half);
        }
        box = box.united(fragment.transform.mapRect(own));
    }
    return box.isValid() ? box : Rect::Empty;
}

// Text is drawn, never recorded, by the render pass in the recorder, which frames it in a render
// state of its own.
void SVGTextElement::render(const SVGRenderState& parentState) {
    if (m_fragments.empty() || visibility != kVisibilityVisible || display == kDisplayNone)
        return;
    if (const RenderHooks* hooks = renderHooks(); hooks != nullptr && hooks->renderText != nullptr)
        hooks->renderText(*this, parentState);
}

}  // namespace pavrix_svg
