#include <cmath>
#include <vector>

#include "svg/dom/text_elements.h"
#include "tests/svg/dom/layout_test_support.h"

using namespace pavrix_svg;
using namespace pavrix_svg::layout_test;

namespace {

// No font faces are installed, so glyph advances are 0 and letter spacing alone moves the pen.

std::vector<float> fragmentX(const SVGTextElement& text) {
    std::vector<float> xs;
    for (const TextFragment& fragment : text.fragments())
        xs.push_back(fragment.x);
    return xs;
}

struct CollectCase {
    const char* markup;
    std::u32string expected;
};

class CharacterCollectionTest : public testing::TestWithParam<CollectCase> {};

TEST_P(CharacterCollectionTest, WhiteSpace) {
    auto doc = layOut(wrap(GetParam().markup));
    EXPECT_EQ(doc.get<SVGTextElement>("t").text(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, CharacterCollectionTest,
    testing::Values(CollectCase{R"~(<text id="t">  a  b &#10; c </text>)~", U"a b c "},
                    CollectCase{R"~(<text id="t" white-space="pre"> a&#9;&#10;b </text>)~", U" a  b "},
                    CollectCase{R"~(<text id="t">a<tspan display="none">b</tspan> <tspan> c</tspan></text>)~", U"a c"},
                    CollectCase{R"~(<text id="t">caf&#233; &#x1F600;</text>)~", U"caf\u00e9 \U0001F600"},
                    CollectCase{R"~(<text id="t">   </text>)~", U""}));

TEST(TextLayout, AbsoluteXForTheFirstCharactersOnly) {
    auto doc = layOut(wrap(R"~(<text id="t" x="10 20 30" y="5" letter-spacing="1">abcde</text>)~"));
    const auto& text = doc.get<SVGTextElement>("t");
    EXPECT_EQ(fragmentX(text), (std::vector<float>{10, 20, 30, 31, 32}));
    std::vector<bool> chunks;
    for (const TextFragment& fragment : text.fragments()) {
        chunks.push_back(fragment.startsChunk);
        EXPECT_FLOAT_EQ(fragment.y, 5.0f);
    }
    EXPECT_EQ(chunks, (std::vector<bool>{true, true, true, false, false}));
}

TEST(TextLayout, WithoutSpacingOneFragmentPerChunk) {
    auto doc = layOut(wrap(R"~(<text id="t" x="3">abc</text>)~"));
    const auto& text = doc.get<SVGTextElement>("t");
    ASSERT_EQ(text.fragments().size(), 1u);
    EXPECT_EQ(text.fragments()[0].length, 3u);
    EXPECT_EQ(text.fragments()[0].x, 3.0f);
}

TEST(TextLayout, InnerPositionsOverrideOuterOnes) {
    auto doc = layOut(wrap(R"~(<text id="t" x="0 1 2"><tspan x="50">ab</tspan>c</text>)~"));
    EXPECT_EQ(fragmentX(doc.get<SVGTextElement>("t")), (std::vector<float>{50, 1, 2}));
}

TEST(TextLayout, RelativeShiftsAndRotation) {
    auto doc = layOut(wrap(R"~(<text id="t" x="0" y="0" dx="1 1" dy="0 2" rotate="10 20">abc</text>)~"));
    const auto& fragments = doc.get<SVGTextElement>("t").fragments();
    ASSERT_EQ(fragments.size(), 3u);
    EXPECT_FLOAT_EQ(fragments[0].x, 1.0f);
    EXPECT_FLOAT_EQ(fragments[1].x, 2.0f);
    EXPECT_FLOAT_EQ(fragments[1].y, 2.0f);
    EXPECT_FLOAT_EQ(fragments[0].angle, 10.0f);
    EXPECT_FLOAT_EQ(fragments[1].angle, 20.0f);
    EXPECT_FLOAT_EQ(fragments[2].angle, 20.0f);  // the last rotation carries over
}

struct AnchorCase {
    const char* attributes;
    std::vector<float> xs;
};

class ChunkTest : public testing::TestWithParam<AnchorCase> {};

TEST_P(ChunkTest, AnchorAndTextLength) {
    auto doc =
        layOut(wrap(std::string(R"~(<text id="t" letter-spacing="5" )~") + GetParam().attributes + ">abc</text>"));
    const std::vector<float> xs = fragmentX(doc.get<SVGTextElement>("t"));
    ASSERT_EQ(xs.size(), GetParam().xs.size());
    for (std::size_t i = 0; i < xs.size(); ++i)
        EXPECT_FLOAT_EQ(xs[i], GetParam().xs[i]) << i;
}

INSTANTIATE_TEST_SUITE_P(
    Chunks, ChunkTest,
    testing::Values(AnchorCase{R"~(x="10")~", {10, 15, 20}},
                    AnchorCase{R"~(x="10" text-anchor="middle")~", {2.5f, 7.5f, 12.5f}},
                    AnchorCase{R"~(x="10" text-anchor="end")~", {-5, 0, 5}},
                    AnchorCase{R"~(x="10" text-anchor="start" direction="rtl")~", {-5, 0, 5}},
                    AnchorCase{R"~(x="0" textLength="30")~", {0, 12.5f, 25}},
                    AnchorCase{R"~(x="0" textLength="30" lengthAdjust="spacingAndGlyphs")~", {0, 10, 20}},
                    AnchorCase{R"~(x="0" textLength="30" text-anchor="middle")~", {-15, -2.5f, 10}}));

// One character has no gap to spread a textLength over; the positions must stay finite.
TEST(TextLayout, TextLengthOnOneCharacterChunks) {
    auto doc = layOut(wrap(R"~(<text id="t" x="0 40" textLength="20" letter-spacing="5">ab</text>)~"));
    const auto& fragments = doc.get<SVGTextElement>("t").fragments();
    ASSERT_EQ(fragments.size(), 2u);
    for (const TextFragment& fragment : fragments) {
        EXPECT_TRUE(std::isfinite(fragment.x));
        EXPECT_TRUE(std::isfinite(fragment.width));
    }
    EXPECT_FLOAT_EQ(fragments[0].x, 0.0f);
    EXPECT_FLOAT_EQ(fragments[1].x, 40.0f);
    const Rect box = doc.get("t").fillBoundingBox();
    EXPECT_TRUE(std::isfinite(box.x) && std::isfinite(box.w));
}

TEST(TextLayout, Boxes) {
    auto doc = layOut(wrap(R"~(<text id="t" x="10" y="20" letter-spacing="5" stroke="red" stroke-width="4">ab</text>)~"
                           R"~(<text id="empty"></text>)~"));
    const Rect fill = doc.get("t").fillBoundingBox();
    EXPECT_FLOAT_EQ(fill.x, 10.0f);
    EXPECT_FLOAT_EQ(fill.y, 20.0f);
    EXPECT_FLOAT_EQ(fill.w, 5.0f);  // the second fragment starts at 15 and has no advance
    const Rect stroke = doc.get("t").strokeBoundingBox();
    EXPECT_FLOAT_EQ(stroke.x, 8.0f);
    EXPECT_FLOAT_EQ(stroke.w, 9.0f);
    const Rect empty = doc.get("empty").fillBoundingBox();
    EXPECT_EQ(empty.w, 0.0f);
    EXPECT_EQ(empty.h, 0.0f);
}

TEST(TextLayout, BaselineShiftAndStyle) {
    auto doc = layOut(wrap(R"~(<text id="t" font-size="10" y="20">a<tspan id="s" baseline-shift="50%" )~"
                           R"~(word-spacing="1em" text-anchor="end" writing-mode="tb">b</tspan></text>)~"));
    const auto& span = doc.get<SVGTextPositioningElement>("s");
    EXPECT_FLOAT_EQ(span.baselineShift, 5.0f);
    EXPECT_FLOAT_EQ(span.wordSpacing, 10.0f);
    EXPECT_EQ(span.textAnchor, 2);
    EXPECT_EQ(span.writingMode, 1);
    const auto& fragments = doc.get<SVGTextElement>("t").fragments();
    ASSERT_EQ(fragments.size(), 2u);
    EXPECT_FLOAT_EQ(fragments[1].y, 15.0f);  // shifted up by 5
}

// Family names of a single character (a lone quote) must not be stripped past their end.
TEST(FontDescription, OddFamilyListsAreSafe) {
    for (const char* family : {"'", "\"", "''", ",", " , ' , \"", "'serif'", "a,b,'c"}) {
        SVGLayoutState state = initLayoutState();
        state.fontFamily = family;
        state.fontSize = 10.0f;
        const Font font = fontDescription(state);
        EXPECT_EQ(font.size(), 10.0f) << family;
    }
    auto doc = layOut(wrap(R"~(<text id="t" font-family="'">a</text>)~"));
    EXPECT_EQ(doc.get<SVGTextElement>("t").text(), U"a");
}

// The innermost element with a rotate list decides; its last entry carries over to its own
// remaining characters only.
TEST(TextLayout, NestedRotationsAndBaselineShifts) {
    auto doc =
        layOut(wrap(R"~(<text id="t" x="0" y="20" rotate="10 20 30 40">a<tspan rotate="5">bc</tspan>d)~"
                    R"~(<tspan baseline-shift="2">e<tspan baseline-shift="3" rotate="0">f</tspan></tspan>g</text>)~"));
    std::vector<float> angles;
    std::vector<float> ys;
    for (const TextFragment& fragment : doc.get<SVGTextElement>("t").fragments()) {
        for (std::size_t i = 0; i < fragment.length; ++i) {
            angles.push_back(fragment.angle);
            ys.push_back(fragment.y);
        }
    }
    EXPECT_EQ(angles, (std::vector<float>{10, 5, 5, 40, 40, 0, 40}));
    EXPECT_EQ(ys, (std::vector<float>{20, 20, 20, 20, 18, 15, 20}));
}

}  // namespace
