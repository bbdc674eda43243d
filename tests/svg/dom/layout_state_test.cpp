#include <cmath>
#include <functional>
#include <sstream>
#include <string>
#include <utility>

#include "svg/dom/layout_state.h"
#include "svg/dom/mask_element.h"
#include "svg/dom/shape_elements.h"
#include "tests/svg/dom/layout_test_support.h"

using namespace pavrix_svg;
using namespace pavrix_svg::layout_test;

namespace {

template <typename T>
std::string text(const T& value) {
    std::ostringstream out;
    out.precision(17);
    if constexpr (std::is_same_v<T, std::uint8_t>)
        out << static_cast<int>(value);
    else
        out << value;
    return out.str();
}

std::string text(const AlphaClass& value) {
    return text(value.zero) + "," + text(value.partial);
}
std::string text(const Length& value) {
    return text(value.value) + "/" + text(static_cast<int>(value.unit));
}

struct InheritanceCase {
    PropertyID property;
    const char* value;
    bool inherited;
    std::function<std::string(const SVGLayoutState&)> field;
};

#define FIELD(expr) [](const SVGLayoutState& s) { return text(s.expr); }

const InheritanceCase kInheritanceCases[] = {
    {PropertyID::Fill, "red", true, FIELD(fill.color)},
    {PropertyID::Fill, "#ff000080", true, FIELD(fillAlphaExact)},
    {PropertyID::Fill, "#ff000080", true, FIELD(fillAlphaClass)},
    {PropertyID::Stroke, "blue", true, FIELD(stroke.color)},
    {PropertyID::Stroke, "blue", true, FIELD(strokeAlphaClass)},
    {PropertyID::Color, "lime", true, FIELD(color)},
    {PropertyID::Color, "rgba(0,0,0,0.25)", true, FIELD(colorAlphaExact)},
    {PropertyID::StopColor, "red", false, FIELD(stopColor)},
    {PropertyID::Opacity, "0.5", false, FIELD(opacity)},
    {PropertyID::Opacity, "0.5", false, FIELD(opacityExact)},
    {PropertyID::FillOpacity, "0.5", true, FIELD(fillOpacity)},
    {PropertyID::FillOpacity, "0.3", true, FIELD(fillOpacityExact)},
    {PropertyID::FillOpacity, "0.3", true, FIELD(fillOpacityAlphaClass)},
    {PropertyID::StrokeOpacity, "0.5", true, FIELD(strokeOpacity)},
    {PropertyID::StrokeOpacity, "0.3", true, FIELD(strokeOpacityExact)},
    {PropertyID::StopOpacity, "0.5", false, FIELD(stopOpacity)},
    {PropertyID::StrokeMiterlimit, "7", true, FIELD(miterLimit)},
    {PropertyID::StrokeMiterlimit, "7", true, FIELD(miterLimitText)},
    {PropertyID::FontSize, "20", true, FIELD(fontSize)},
    {PropertyID::LetterSpacing, "3", true, FIELD(letterSpacing)},
    {PropertyID::WordSpacing, "3", true, FIELD(wordSpacing)},
    {PropertyID::BaselineShift, "super", false, FIELD(baselineShiftKind)},
    {PropertyID::BaselineShift, "4", false, FIELD(baselineShift)},
    {PropertyID::StrokeWidth, "3", true, FIELD(strokeWidth)},
    {PropertyID::StrokeWidth, "3", true, FIELD(strokeWidthText)},
    {PropertyID::StrokeDashoffset, "2", true, FIELD(strokeDashoffset)},
    {PropertyID::StrokeDasharray, "1 2", true, FIELD(strokeDasharray().size())},
    {PropertyID::StrokeDasharray, "1 2", true, FIELD(strokeDasharrayText)},
    {PropertyID::StrokeLinecap, "round", true, FIELD(lineCap)},
    {PropertyID::StrokeLinejoin, "bevel", true, FIELD(lineJoin)},
    {PropertyID::FillRule, "evenodd", true, FIELD(fillRule)},
    {PropertyID::ClipRule, "evenodd", true, FIELD(clipRule)},
    {PropertyID::FontWeight, "bold", true, FIELD(fontBold)},
    {PropertyID::FontStyle, "italic", true, FIELD(fontItalic)},
    {PropertyID::AlignmentBaseline, "middle", false, FIELD(alignmentBaseline)},
    {PropertyID::DominantBaseline, "middle", true, FIELD(dominantBaseline)},
    {PropertyID::TextAnchor, "end", true, FIELD(textAnchor)},
    {PropertyID::WhiteSpace, "pre", true, FIELD(whiteSpace)},
    {PropertyID::WritingMode, "tb", true, FIELD(writingMode)},
    {PropertyID::TextOrientation, "upright", true, FIELD(textOrientation)},
    {PropertyID::Direction, "rtl", true, FIELD(direction)},
    {PropertyID::Display, "none", false, FIELD(display)},
    {PropertyID::Visibility, "hidden", true, FIELD(visibility)},
    {PropertyID::PointerEvents, "none", true, FIELD(pointerEvents)},
    {PropertyID::MaskType, "alpha", false, FIELD(maskType)},
    {PropertyID::Mask, "url(#m)", false, FIELD(maskId)},
    {PropertyID::ClipPath, "url(#c)", false, FIELD(clipPathId)},
    {PropertyID::MarkerStart, "url(#a)", true, FIELD(markerStartId)},
    {PropertyID::MarkerMid, "url(#b)", true, FIELD(markerMidId)},
    {PropertyID::MarkerEnd, "url(#c)", true, FIELD(markerEndId)},
    {PropertyID::FontFamily, " serif ", true, FIELD(fontFamily)},
    {PropertyID::VectorEffect, "non-scaling-stroke", false, FIELD(vectorEffect)},
};

class InheritanceTest : public testing::TestWithParam<InheritanceCase> {};

TEST_P(InheritanceTest, ChildSeesParentValueOrInitial) {
    const InheritanceCase& c = GetParam();
    auto doc = layOut(wrap(R"~(<g id="g"><rect id="r"/><rect id="i"/></g><rect id="top"/>)~"));
    ASSERT_TRUE(setAttribute(doc.get("g"), 1, c.property, c.value));
    // "inherit" (in any case) asks for the parent's value whether or not the property inherits.
    ASSERT_TRUE(setAttribute(doc.get("i"), 1, c.property, "Inherit"));
    ASSERT_TRUE(setAttribute(doc.get("top"), 1, c.property, "inherit"));

    std::string initial, parentValue, childValue, inheritValue, topValue;
    withState(doc.root(), [&](const SVGLayoutState& state) { initial = c.field(state); });
    withState(doc.get("g"), [&](const SVGLayoutState& state) { parentValue = c.field(state); });
    withState(doc.get("r"), [&](const SVGLayoutState& state) { childValue = c.field(state); });
    withState(doc.get("i"), [&](const SVGLayoutState& state) { inheritValue = c.field(state); });
    withState(doc.get("top"), [&](const SVGLayoutState& state) { topValue = c.field(state); });

    EXPECT_NE(parentValue, initial) << "the value must change the field";
    EXPECT_EQ(childValue, c.inherited ? parentValue : initial);
    EXPECT_EQ(inheritValue, parentValue);
    EXPECT_EQ(topValue, initial);
}

INSTANTIATE_TEST_SUITE_P(Table, InheritanceTest, testing::ValuesIn(kInheritanceCases));

// Hidden on viewport elements below the root, visible elsewhere; inherit takes the parent's.
TEST(LayoutState, OverflowIsResetPerElementUnlessInherited) {
    auto doc = layOut(wrap(R"~(<g id="g"><rect id="r"/><marker id="m"/><svg id="s" overflow="inherit"/></g>)~"
                           R"~(<g overflow="hidden"><marker id="hm" overflow="inherit"/></g>)~"));
    const std::pair<const char*, int> expected[] = {{"g", 0}, {"r", 0}, {"m", 1}, {"s", 0}, {"hm", 1}};
    withState(doc.root(), [](const SVGLayoutState& s) { EXPECT_EQ(s.overflow, 0); });
    for (const auto& [id, overflow] : expected)
        withState(doc.get(id), [&](const SVGLayoutState& s) { EXPECT_EQ(s.overflow, overflow) << id; });
}

TEST(LayoutState, InitialValues) {
    const SVGLayoutState state = initLayoutState();
    EXPECT_EQ(state.fill.color, 0xff000000u);
    EXPECT_EQ(state.stroke.color, 0u);
    EXPECT_EQ(state.strokeAlphaClass, (AlphaClass{1, 0}));
    EXPECT_EQ(state.strokeAlphaExact, 0.0);
    EXPECT_EQ(state.pointerEvents, 1);
    EXPECT_EQ(state.strokeDasharrayText, "none");
    EXPECT_TRUE(state.strokeDasharray().empty());
}

// --- Colours, alpha classes and exact alpha -----------------------------------------------------

struct PaintCase {
    const char* color;  // "" for none
    const char* fill;
    std::uint32_t fillColor;
    double fillAlphaExact;
    AlphaClass fillAlphaClass;
};

class FillPaintTest : public testing::TestWithParam<PaintCase> {};

TEST_P(FillPaintTest, ColourAlphaAndClass) {
    const PaintCase& c = GetParam();
    auto doc = layOut(wrap(R"~(<rect id="r"/>)~"));
    if (*c.color != 0)
        setAttribute(doc.get("r"), 1, PropertyID::Color, c.color);
    setAttribute(doc.get("r"), 1, PropertyID::Fill, c.fill);
    withState(doc.get("r"), [&](const SVGLayoutState& s) {
        EXPECT_EQ(s.fill.color, c.fillColor);
        EXPECT_DOUBLE_EQ(s.fillAlphaExact, c.fillAlphaExact);
        EXPECT_EQ(s.fillAlphaClass, c.fillAlphaClass);
    });
}

INSTANTIATE_TEST_SUITE_P(
    Colours, FillPaintTest,
    testing::Values(PaintCase{"", "red", 0xffff0000u, 1.0, {0, 0}},
                    PaintCase{"", "#f008", 0x88ff0000u, 8.0 / 15.0, {0, 1}},
                    PaintCase{"", "#ff000080", 0x80ff0000u, 128.0 / 255.0, {0, 1}},
                    PaintCase{"", "rgba(0,0,255,0.5)", 0x800000ffu, 0.5, {0, 1}},
                    PaintCase{"", "rgba(0,0,255,50%)", 0x800000ffu, 0.5, {0, 1}},
                    PaintCase{"", "rgba(0,0,255,0)", 0x000000ffu, 0.0, {1, 0}},
                    PaintCase{"", "transparent", 0x00000000u, 0.0, {1, 0}},
                    PaintCase{"", "none", 0x00000000u, 0.0, {1, 0}}, PaintCase{"", "NONE", 0x00000000u, 0.0, {1, 0}},
                    PaintCase{"rgba(255,0,0,0.25)", "currentColor", 0x40ff0000u, 0.25, {0, 1}},
                    PaintCase{"rgba(255,0,0,0.25)", "CurrentColor", 0x40ff0000u, 0.25, {0, 1}},
                    PaintCase{"", "url(#g)", 0u, 1.0, {0, 0}}, PaintCase{"", "url(#g) red", 0xffff0000u, 1.0, {0, 0}},
                    PaintCase{"", "url(#g) none", 0u, 1.0, {0, 0}}, PaintCase{"", "bogus", 0xff000000u, 1.0, {0, 0}},
                    PaintCase{"", "INHERIT", 0xff000000u, 1.0, {0, 0}}));

TEST(LayoutState, FillInheritKeepsTheParentsFill) {
    auto doc = layOut(wrap(R"~(<g fill="blue"><rect id="r" fill="inherit"/></g>)~"));
    withState(doc.get("r"), [](const SVGLayoutState& s) { EXPECT_EQ(s.fill.color, 0xff0000ffu); });
}

TEST(LayoutState, UnparsableStrokeIsTransparent) {
    auto doc = layOut(wrap(R"~(<rect id="r" stroke="bogus"/>)~"));
    withState(doc.get("r"), [](const SVGLayoutState& s) { EXPECT_EQ(s.stroke.color, 0u); });
}

TEST(LayoutState, CurrentColorInColorRefersToTheInheritedColour) {
    auto doc =
        layOut(wrap(R"~(<g color="rgba(0,255,0,0.5)"><rect id="r" color="currentColor" fill="currentColor"/></g>)~"));
    withState(doc.get("r"), [](const SVGLayoutState& s) {
        EXPECT_EQ(s.color, 0x8000ff00u);
        EXPECT_EQ(s.colorAlphaClass, (AlphaClass{0, 1}));
        EXPECT_DOUBLE_EQ(s.colorAlphaExact, 0.5);
        EXPECT_EQ(s.fill.color, 0x8000ff00u);
    });
}

TEST(LayoutState, StopColor) {
    auto doc = layOut(wrap(R"~(<g color="lime"><rect id="a" stop-color="currentColor"/>)~"
                           R"~(<rect id="b" stop-color="currentColorx"/><rect id="c" stop-color="bad"/></g>)~"));
    withState(doc.get("a"), [](const SVGLayoutState& s) { EXPECT_EQ(s.stopColor, 0xff00ff00u); });
    withState(doc.get("b"), [](const SVGLayoutState& s) { EXPECT_EQ(s.stopColor, 0xff000000u); });
    withState(doc.get("c"), [](const SVGLayoutState& s) { EXPECT_EQ(s.stopColor, 0xff000000u); });
}

// A fill-opacity below the float range is 0 in single precision but still partial, so the
// paint stays visible to the recorder with its exact opacity.
TEST(LayoutState, TinyFillOpacityStaysPartial) {
    auto doc = layOut(wrap(R"~(<rect id="r" width="1" height="1" fill-opacity="1e-46"/>)~"));
    withState(doc.get("r"), [](const SVGLayoutState& s) {
        EXPECT_EQ(s.fillOpacity, 0.0f);
        EXPECT_EQ(s.fillOpacityExact, 1e-46);
        EXPECT_EQ(s.fillOpacityAlphaClass, (AlphaClass{0, 1}));
    });
    auto& rect = doc.get<SVGRectElement>("r");
    EXPECT_EQ(rect.fillPartialAlpha, 1);
    EXPECT_EQ(rect.fillOpacityExact, 1e-46);
    EXPECT_EQ(rect.fillPaint.opacity, 0.0f);
    EXPECT_EQ(rect.fillPaint.partialAlpha, 1);
    EXPECT_TRUE(isRenderable(rect.fillPaint));
}

TEST(LayoutState, ZeroOpacityOrZeroPaintIsNotPartial) {
    auto doc = layOut(wrap(R"~(<rect id="a" fill="rgba(0,0,0,0.5)" fill-opacity="0"/>)~"
                           R"~(<rect id="b" fill="transparent" fill-opacity="0.5"/>)~"
                           R"~(<rect id="c" fill="rgba(0,0,0,0.5)" stroke="red" stroke-opacity="50%"/>)~"));
    EXPECT_EQ(doc.get("a").fillPartialAlpha, 0);
    EXPECT_EQ(doc.get("b").fillPartialAlpha, 0);
    EXPECT_EQ(doc.get("c").fillPartialAlpha, 1);
    EXPECT_EQ(doc.get("c").strokePartialAlpha, 1);
    EXPECT_DOUBLE_EQ(doc.get("c").fillOpacityExact, 0.5);
    EXPECT_DOUBLE_EQ(doc.get("c").strokeOpacityExact, 0.5);
}

struct OpacityCase {
    const char* value;
    float opacity;
    double exact;
};

class OpacityTest : public testing::TestWithParam<OpacityCase> {};

TEST_P(OpacityTest, FloatAndExact) {
    const OpacityCase& c = GetParam();
    auto doc = layOut(wrap(R"~(<g id="g"/>)~"));
    setAttribute(doc.get("g"), 1, PropertyID::Opacity, c.value);
    withState(doc.get("g"), [&](const SVGLayoutState& s) {
        EXPECT_FLOAT_EQ(s.opacity, c.opacity);
        EXPECT_DOUBLE_EQ(s.opacityExact, c.exact);
    });
}

INSTANTIATE_TEST_SUITE_P(Values, OpacityTest,
                         testing::Values(OpacityCase{"50%", 0.5f, 0.5}, OpacityCase{"2", 1.0f, 1.0},
                                         OpacityCase{"-1", 0.0f, 0.0}, OpacityCase{"0.5x", 1.0f, 1.0},
                                         OpacityCase{"x", 1.0f, 1.0}, OpacityCase{" 0.25 ", 0.25f, 0.25},
                                         OpacityCase{"0.1", 0.1f, 0.1}));

// --- Lengths and fonts --------------------------------------------------------------------------

TEST(LayoutState, StrokeWidthAndFontSize) {
    auto doc = layOut(
        wrap(R"~(<g font-size="10"><rect id="a" stroke-width="-1" font-size="150%"/>)~"
             R"~(<rect id="b" font-size="bad"/><rect id="c" font-size="2em"/><rect id="d" font-size="2ex"/></g>)~"));
    withState(doc.get("a"), [](const SVGLayoutState& s) {
        EXPECT_EQ(s.strokeWidth, Length(1.0f, LengthUnit::None));
        // The exact re-reading must see the fallback, not the refused "-1".
        EXPECT_EQ(s.strokeWidthText, "1");
        EXPECT_FLOAT_EQ(s.fontSize, 15.0f);
    });
    withState(doc.get("b"), [](const SVGLayoutState& s) { EXPECT_EQ(s.fontSize, 12.0f); });
    withState(doc.get("c"), [](const SVGLayoutState& s) { EXPECT_EQ(s.fontSize, 20.0f); });
    withState(doc.get("d"), [](const SVGLayoutState& s) { EXPECT_EQ(s.fontSize, 10.0f); });
}

TEST(LayoutState, OverflowingRelativeFontSizeFallsBack) {
    auto doc = layOut(wrap(R"~(<g font-size="3e38"><rect id="r" font-size="1000%"/></g>)~"));
    withState(doc.get("r"), [](const SVGLayoutState& s) { EXPECT_EQ(s.fontSize, 12.0f); });
}

TEST(LayoutState, FailedStrokeReadingsKeepTheFallbackText) {
    auto doc =
        layOut(wrap(R"~(<rect id="r" stroke-dashoffset="1q" stroke-miterlimit="2x" stroke-dasharray="1 -2"/>)~"));
    withState(doc.get("r"), [](const SVGLayoutState& s) {
        EXPECT_EQ(s.strokeDashoffset, Length(0.0f, LengthUnit::None));
        EXPECT_EQ(s.strokeDashoffsetText, "0");
        EXPECT_EQ(s.miterLimit, 4.0f);
        EXPECT_EQ(s.miterLimitText, "4");
        EXPECT_TRUE(s.strokeDasharray().empty());
        EXPECT_EQ(s.strokeDasharrayText, "none");
    });
}

TEST(LayoutState, SpacingAndBaselineShift) {
    auto doc = layOut(wrap(
        R"~(<g letter-spacing="2px"><rect id="a" letter-spacing="normal" word-spacing="-1em"/>)~"
        R"~(<rect id="b" baseline-shift="sub"/><rect id="c" baseline-shift="50%"/><rect id="d" baseline-shift="x"/></g>)~"));
    withState(doc.get("a"), [](const SVGLayoutState& s) {
        EXPECT_EQ(s.letterSpacing, Length(0.0f, LengthUnit::None));
        EXPECT_EQ(s.wordSpacing, Length(-1.0f, LengthUnit::Em));
    });
    withState(doc.get("b"), [](const SVGLayoutState& s) { EXPECT_EQ(s.baselineShiftKind, 1); });
    withState(doc.get("c"), [](const SVGLayoutState& s) {
        EXPECT_EQ(s.baselineShiftKind, 3);
        EXPECT_EQ(s.baselineShift, Length(50.0f, LengthUnit::Percent));
        EXPECT_EQ(s.letterSpacing, Length(2.0f, LengthUnit::Absolute));
    });
    withState(doc.get("d"), [](const SVGLayoutState& s) {
        EXPECT_EQ(s.baselineShiftKind, 3);
        EXPECT_EQ(s.baselineShift, Length(0.0f, LengthUnit::None));
    });
}

// --- Keyword tables ------------------------------------------------------------------------------

struct KeywordCase {
    PropertyID property;
    const char* value;
    std::uint8_t expected;
};

class KeywordTest : public testing::TestWithParam<KeywordCase> {};

TEST_P(KeywordTest, Table) {
    const KeywordCase& c = GetParam();
    EXPECT_EQ(keywordValue(c.property, c.value), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Tables, KeywordTest,
    testing::Values(
        KeywordCase{PropertyID::Display, "none", 1}, KeywordCase{PropertyID::Display, "block", 0},
        KeywordCase{PropertyID::Visibility, "collapse", 2}, KeywordCase{PropertyID::Visibility, "Hidden", 1},
        KeywordCase{PropertyID::PointerEvents, "all", 10}, KeywordCase{PropertyID::PointerEvents, "bogus", 1},
        KeywordCase{PropertyID::FontWeight, "600", 1}, KeywordCase{PropertyID::FontWeight, "500", 0},
        KeywordCase{PropertyID::FontWeight, "bolder", 1}, KeywordCase{PropertyID::FontStyle, "oblique", 1},
        KeywordCase{PropertyID::AlignmentBaseline, "mathematical", 11},
        KeywordCase{PropertyID::DominantBaseline, "text-before-edge", 11},
        KeywordCase{PropertyID::WritingMode, "vertical-lr", 1}, KeywordCase{PropertyID::WritingMode, "rl-tb", 0},
        KeywordCase{PropertyID::WhiteSpace, "pre-wrap", 1}, KeywordCase{PropertyID::WhiteSpace, "pre-line", 0},
        KeywordCase{PropertyID::TextAnchor, "middle", 1}, KeywordCase{PropertyID::MaskType, "alpha", 1},
        KeywordCase{PropertyID::ClipRule, "EvenOdd", 1}, KeywordCase{PropertyID::StrokeLinecap, "SQUARE", 2},
        KeywordCase{PropertyID::StrokeLinejoin, "round", 1}, KeywordCase{PropertyID::Fill, "none", 0},
        KeywordCase{PropertyID::Overflow, "hidden", 1}, KeywordCase{PropertyID::Overflow, "scroll", 0},
        KeywordCase{PropertyID::Direction, "rtl", 1}, KeywordCase{PropertyID::TextOrientation, "upright", 1},
        KeywordCase{PropertyID::FillRule, "evenodd", 1}, KeywordCase{PropertyID::FillRule, "even-odd", 0},
        KeywordCase{PropertyID::WritingMode, "tb-rl", 1}, KeywordCase{PropertyID::WritingMode, "lr", 0},
        KeywordCase{PropertyID::WhiteSpace, "preserve", 1},
        KeywordCase{PropertyID::AlignmentBaseline, "text-after-edge", 7},
        KeywordCase{PropertyID::DominantBaseline, "reset-size", 3},
        KeywordCase{PropertyID::DominantBaseline, "central", 8}, KeywordCase{PropertyID::FontWeight, "lighter", 0},
        KeywordCase{PropertyID::FontWeight, "900", 1}, KeywordCase{PropertyID::PointerEvents, "visiblePainted", 8},
        KeywordCase{PropertyID::PointerEvents, "bounding-box", 9}, KeywordCase{PropertyID::PointerEvents, "none", 0},
        KeywordCase{PropertyID::TextAnchor, "end", 2}, KeywordCase{PropertyID::StrokeLinecap, "round", 1},
        KeywordCase{PropertyID::StrokeLinejoin, "bevel", 2}));

// --- url references and dash arrays -----------------------------------------------------------

struct UrlCase {
    const char* text;
    bool ok;
    const char* id;
    const char* rest;
};

class UrlReferenceTest : public testing::TestWithParam<UrlCase> {};

TEST_P(UrlReferenceTest, Parse) {
    const UrlCase& c = GetParam();
    std::string_view value = c.text;
    std::string_view id = "unchanged";
    EXPECT_EQ(parseUrlReference(value, id), c.ok);
    if (c.ok) {
        EXPECT_EQ(id, c.id);
        EXPECT_EQ(value, c.rest);
    } else {
        EXPECT_EQ(id, "unchanged");
        EXPECT_EQ(value, c.text);
    }
}

INSTANTIATE_TEST_SUITE_P(Syntax, UrlReferenceTest,
                         testing::Values(UrlCase{"url(#a)", true, "a", ""},
                                         UrlCase{"url( #a ) red", true, "a ", " red"},
                                         UrlCase{"url ( '#a' )", true, "a", ""},
                                         UrlCase{"url(\"#a b\")x", true, "a b", "x"},
                                         UrlCase{"url('#a\")", false, "", ""}, UrlCase{"url(a)", false, "", ""},
                                         UrlCase{"URL(#a)", true, "a", ""}, UrlCase{"url(#a", false, "", ""},
                                         UrlCase{"url('a')", false, "", ""}, UrlCase{"url(", false, "", ""},
                                         UrlCase{"url('#a' x)", false, "", ""}));

TEST(LayoutState, ClipPathWithTrailingTextHasNoClipper) {
    auto doc = layOut(wrap(R"~(<clipPath id="c"><rect width="1" height="1"/></clipPath>)~"
                           R"~(<rect id="a" clip-path="url(#c)"/><rect id="b" clip-path="url(#c) x"/>)~"
                           R"~(<rect id="m" clip-path="url(#a)"/>)~"));
    EXPECT_EQ(doc.get("a").clipper, &doc.get("c"));
    EXPECT_EQ(doc.get("b").clipper, nullptr);
    EXPECT_EQ(doc.get("m").clipper, nullptr);  // not a clipPath
}

struct DashCase {
    const char* text;
    std::vector<Length> expected;
};

class DashArrayTest : public testing::TestWithParam<DashCase> {};

TEST_P(DashArrayTest, Parse) {
    EXPECT_EQ(parseDashArray(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Syntax, DashArrayTest,
    testing::Values(DashCase{"none", {}}, DashCase{"5", {{5.0f, LengthUnit::None}}},
                    DashCase{"5, 3 2", {{5.0f, LengthUnit::None}, {3.0f, LengthUnit::None}, {2.0f, LengthUnit::None}}},
                    DashCase{"1mm,10%", {{1.0f * 96.0f / 25.4f, LengthUnit::Absolute}, {10.0f, LengthUnit::Percent}}},
                    DashCase{"5,", {{5.0f, LengthUnit::None}}}, DashCase{"5,,3", {{5.0f, LengthUnit::None}}},
                    DashCase{"5 -3", {}}, DashCase{"5 x", {}}, DashCase{"5px3", {}}));

// --- Root size ------------------------------------------------------------------------------------

struct RootSizeCase {
    const char* attributes;
    const char* content;
    float width;
    float height;
};

class RootSizeTest : public testing::TestWithParam<RootSizeCase> {};

TEST_P(RootSizeTest, ComputedSize) {
    const RootSizeCase& c = GetParam();
    auto doc = layOut(wrap(c.content, c.attributes));
    EXPECT_FLOAT_EQ(doc.root().computedWidth, c.width);
    EXPECT_FLOAT_EQ(doc.root().computedHeight, c.height);
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, RootSizeTest,
    testing::Values(RootSizeCase{R"~(width="50%" viewBox="0 0 40 20")~", "", 40.0f, 20.0f},
                    RootSizeCase{R"~(width="100" viewBox="0 0 40 20")~", "", 100.0f, 50.0f},
                    RootSizeCase{R"~(height="10" viewBox="0 0 40 20")~", "", 20.0f, 10.0f},
                    RootSizeCase{R"~(width="1in" height="2cm")~", "", 96.0f, 2.0f * 96.0f / 2.54f},
                    RootSizeCase{R"~(width="100" viewBox="0 0 40 0")~", "", 40.0f, 0.0f},
                    RootSizeCase{"", R"~(<rect x="5" y="6" width="10" height="20"/>)~", 15.0f, 26.0f},
                    RootSizeCase{R"~(width="30")~", R"~(<rect x="5" y="6" width="10" height="20"/>)~", 30.0f, 26.0f}));

TEST(ElementLayout, CopiesTheStateIntoTheElement) {
    auto doc = layOut(wrap(R"~(<mask id="m" mask-type="alpha"/><g id="g" opacity="0.5" visibility="hidden" )~"
                           R"~(pointer-events="fill" font-size="20" display="none" overflow="hidden"/>)~"));
    const SVGElement& g = doc.get("g");
    EXPECT_EQ(g.opacity, 0.5f);
    EXPECT_EQ(g.opacityExact, 0.5);
    EXPECT_EQ(g.visibility, 1);
    EXPECT_EQ(g.pointerEvents, 3);
    EXPECT_EQ(g.fontSize, 20.0f);
    EXPECT_EQ(g.display, 1);
    EXPECT_EQ(g.overflow, 1);
    EXPECT_EQ(doc.get<SVGMaskElement>("m").maskType, 1);
}

TEST(ElementLayout, LayoutRunsAgainAfterAnAttributeChange) {
    auto doc = layOut(wrap(R"~(<rect id="r" width="10" height="10"/>)~"));
    EXPECT_EQ(doc.root().computedWidth, 10.0f);
    setAttribute(doc.get("r"), 1, PropertyID::Width, "30");
    EXPECT_EQ(doc.root().computedWidth, -1.0f);
    layoutIfNeeded(doc.root());
    EXPECT_EQ(doc.root().computedWidth, 30.0f);
    EXPECT_EQ(doc.get<SVGRectElement>("r").fillBox.w, 30.0f);
}

}  // namespace
