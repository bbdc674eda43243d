#include "svg/css/css_parser.h"

#include "svg/css/css_selector.h"
#include "svg/dom/document.h"
#include "svg/dom/element_id.h"
#include "svg/dom/property_id.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pavrix_svg {
namespace {

using Reasons = std::vector<std::string>;

struct SheetCase {
    const char* sheet;
    std::size_t ruleCount;
    Reasons reasons;
};

class CssSheetGrammarTest : public ::testing::TestWithParam<SheetCase> {};

TEST_P(CssSheetGrammarTest, RulesAndReasons) {
    Document document;
    const std::vector<StyleRule> rules = parseStyleSheet(GetParam().sheet, document);
    EXPECT_EQ(rules.size(), GetParam().ruleCount) << GetParam().sheet;
    EXPECT_EQ(document.reasons(), GetParam().reasons) << GetParam().sheet;
}

const Reasons kNone{};
const Reasons kAtRule{"unsupported_css_at_rule"};
const Reasons kRule{"unsupported_css_rule"};
const Reasons kSelector{"unsupported_css_selector"};
const Reasons kComplexity{"unsupported_complexity"};

INSTANTIATE_TEST_SUITE_P(
    Grammar, CssSheetGrammarTest,
    ::testing::Values(
        SheetCase{"", 0, kNone}, SheetCase{" \t\r\n", 0, kNone}, SheetCase{"rect, circle { fill: red }", 2, kNone},
        SheetCase{"rect , circle{fill:red}", 2, kNone}, SheetCase{"rect   { fill: red }", 1, kNone},
        SheetCase{"rect{fill:red}circle{fill:blue}", 2, kNone}, SheetCase{"rect { fill: red; }", 1, kNone},
        SheetCase{"rect { fill: red ; stroke: blue }", 1, kNone}, SheetCase{"rect {}", 0, kRule},
        SheetCase{"rect { ; }", 0, kRule}, SheetCase{"rect { fill: red;; }", 0, kRule},
        SheetCase{"rect { fill: red", 0, kRule}, SheetCase{"rect { fill red }", 0, kRule}, SheetCase{"rect", 0, kRule},
        SheetCase{"circle { fill: red } rect {} g { fill: red }", 1, kRule},
        SheetCase{"rect { fill: red !foo }", 0, kRule}, SheetCase{"rect { fill: red ! important }", 1, kNone},
        // Selector grammar.
        SheetCase{"> rect { fill: red }", 0, kRule}, SheetCase{"rect > { fill: red }", 0, kRule},
        SheetCase{"rect + { fill: red }", 0, kRule}, SheetCase{"rect,{ fill: red }", 0, kRule},
        SheetCase{", rect { fill: red }", 0, kRule}, SheetCase{"g>rect+circle~path line { fill: red }", 1, kNone},
        SheetCase{"g > rect + circle ~ path { fill: red }", 1, kNone},
        SheetCase{"*.a#b[fill]:first-child { fill: red }", 1, kNone}, SheetCase{".a.b { fill: red }", 1, kNone},
        SheetCase{". { fill: red }", 0, kRule}, SheetCase{"#1 { fill: red }", 0, kRule},
        SheetCase{"rect .#x { fill: red }", 0, kRule}, SheetCase{"} rect { fill: red }", 0, kRule},
        // Attribute selectors.
        SheetCase{"[fill] { fill: red }", 1, kNone}, SheetCase{"[ fill ] { fill: red }", 1, kNone},
        SheetCase{"[fill=red] { fill: red }", 1, kNone}, SheetCase{"[fill ~= red ] { fill: red }", 1, kNone},
        SheetCase{"[fill*='a b'][fill^=\"x\"][fill$=y][fill|=z] { fill: red }", 1, kNone},
        SheetCase{"[fill=''] { fill: red }", 1, kNone}, SheetCase{"[fill=5] { fill: red }", 0, kRule},
        SheetCase{"[fill==x] { fill: red }", 0, kRule}, SheetCase{"[fill=\"x] { fill: red }", 0, kRule},
        SheetCase{"[fill=x { fill: red }", 0, kRule}, SheetCase{"[xlink:href] { fill: red }", 0, kRule},
        SheetCase{"[foo] { fill: red }", 1, kSelector},
        // Pseudo-classes.
        SheetCase{"rect:hover { fill: red }", 1, kSelector}, SheetCase{"a::before {}", 0, kRule},
        SheetCase{"rect:nth-child(2) { fill: red }", 0, kRule},
        SheetCase{"rect:empty:root:first-child:last-child:only-child { fill: red }", 1, kNone},
        SheetCase{"rect:first-of-type:last-of-type:only-of-type { fill: red }", 1, kNone},
        SheetCase{"rect:FIRST-CHILD { fill: red }", 1, kSelector}, SheetCase{":is(rect) { fill: red }", 1, kSelector},
        SheetCase{":not(rect) { fill: red }", 1, kNone}, SheetCase{":not ( rect , .a ) { fill: red }", 1, kNone},
        SheetCase{":not(g rect) { fill: red }", 1, kSelector},
        SheetCase{":not(:not(g > rect)) { fill: red }", 1, kSelector},
        SheetCase{":not(:hover) { fill: red }", 1, kSelector}, SheetCase{":not rect { fill: red }", 0, kRule},
        SheetCase{":not() { fill: red }", 0, kRule}, SheetCase{":not(rect { fill: red }", 0, kRule},
        SheetCase{"RECT { fill: red }", 1, kSelector}, SheetCase{"rect:hover, RECT { fill: red }", 2, kSelector},
        // At-rules are skipped, failures stop the sheet; the reasons keep their order.
        SheetCase{"@media print { rect { fill: red } } circle { fill: blue }", 1, kAtRule},
        SheetCase{"@import url(a.css); rect { fill: red }", 1, kAtRule},
        SheetCase{"@foo } bar; rect { fill: red }", 1, kAtRule},
        SheetCase{"@media { } } rect { fill: red }", 0, Reasons{"unsupported_css_at_rule", "unsupported_css_rule"}},
        SheetCase{"@media x { } rect {}", 0, Reasons{"unsupported_css_at_rule", "unsupported_css_rule"}},
        SheetCase{"rect {} @media x { }", 0, kRule},
        SheetCase{"rect:hover { fill: red } @page { } g {}", 1,
                  Reasons{"unsupported_css_selector", "unsupported_css_at_rule", "unsupported_css_rule"}},
        SheetCase{"@media print { rect { fill: red }", 0, kAtRule}));

std::string nestedNot(int levels) {
    std::string text;
    for (int i = 0; i < levels; ++i)
        text += ":not(";
    text += "rect";
    text += std::string(static_cast<std::size_t>(levels), ')');
    return text + " { fill: red }";
}

TEST(CssSheetNesting, NestedNotIsCapped) {
    {
        Document document;
        EXPECT_EQ(parseStyleSheet(nestedNot(kMaxCssSelectorNesting), document).size(), 1u);
        EXPECT_TRUE(document.reasons().empty());
    }
    for (int levels : {kMaxCssSelectorNesting + 1, 100000}) {
        Document document;
        EXPECT_TRUE(parseStyleSheet("rect { fill: red } " + nestedNot(levels), document).size() == 1);
        EXPECT_EQ(document.reasons(), kComplexity) << levels;
    }
}

TEST(CssSheetRules, SelectorListSharesDeclarations) {
    Document document;
    const std::vector<StyleRule> rules = parseStyleSheet("rect, circle { fill: red } g { fill: blue }", document);
    ASSERT_EQ(rules.size(), 3u);
    for (std::size_t i = 0; i < rules.size(); ++i)
        EXPECT_EQ(rules[i].position, i);
    EXPECT_EQ(rules[0].declarations, rules[1].declarations);
    EXPECT_NE(rules[0].declarations, rules[2].declarations);
    EXPECT_EQ(rules[0].selector.front().type, static_cast<std::int32_t>(ElementID::Rect));
    EXPECT_EQ(rules[1].selector.front().type, static_cast<std::int32_t>(ElementID::Circle));
}

TEST(CssSheetRules, SelectorStructure) {
    Document document;
    const std::vector<StyleRule> rules =
        parseStyleSheet("g > a.x + *#y ~ [fill|='a-b'] RECT:not(.z) { fill: red }", document);
    ASSERT_EQ(rules.size(), 1u);
    const Selector& s = rules[0].selector;
    ASSERT_EQ(s.size(), 5u);
    const std::int32_t g = static_cast<std::int32_t>(ElementID::G);  // "a" is a g as well
    const std::int32_t combinators[] = {kCssCombinatorNone, kCssCombinatorChild, kCssCombinatorNextSibling,
                                        kCssCombinatorSubsequentSibling, kCssCombinatorDescendant};
    const std::int32_t types[] = {g, g, kCssTypeAny, kCssTypeAny, 0};
    for (std::size_t i = 0; i < s.size(); ++i) {
        EXPECT_EQ(s[i].combinator, combinators[i]) << i;
        EXPECT_EQ(s[i].type, types[i]) << i;
    }
    ASSERT_EQ(s[1].attributeSelectors.size(), 1u);
    EXPECT_EQ(s[1].attributeSelectors[0].matchKind, kCssAttributeWord);
    EXPECT_EQ(s[1].attributeSelectors[0].propertyId, 3);
    EXPECT_EQ(s[1].attributeSelectors[0].value, "x");
    EXPECT_EQ(s[1].attributeSelectors[0].isId, 0);
    ASSERT_EQ(s[2].attributeSelectors.size(), 1u);
    EXPECT_EQ(s[2].attributeSelectors[0].matchKind, kCssAttributeEquals);
    EXPECT_EQ(s[2].attributeSelectors[0].propertyId, 29);
    EXPECT_EQ(s[2].attributeSelectors[0].isId, 1);
    ASSERT_EQ(s[3].attributeSelectors.size(), 1u);
    EXPECT_EQ(s[3].attributeSelectors[0].matchKind, kCssAttributeDashMatch);
    EXPECT_EQ(s[3].attributeSelectors[0].propertyId, static_cast<std::int32_t>(PropertyID::Fill));
    EXPECT_EQ(s[3].attributeSelectors[0].value, "a-b");
    ASSERT_EQ(s[4].pseudoClasses.size(), 1u);
    EXPECT_EQ(s[4].pseudoClasses[0].kind, kCssPseudoNot);
    ASSERT_EQ(s[4].pseudoClasses[0].arguments.size(), 1u);
    EXPECT_EQ(document.reasons(), kSelector);
}

struct SpecificityCase {
    const char* selector;
    CssSpecificity expected;
};

class CssSpecificityTest : public ::testing::TestWithParam<SpecificityCase> {};

TEST_P(CssSpecificityTest, Triple) {
    Document document;
    const std::vector<StyleRule> rules = parseStyleSheet(std::string(GetParam().selector) + " { fill: red }", document);
    ASSERT_EQ(rules.size(), 1u) << GetParam().selector;
    const CssSpecificity& s = rules[0].specificity;
    SCOPED_TRACE(GetParam().selector);
    EXPECT_EQ(s.ids, GetParam().expected.ids);
    EXPECT_EQ(s.classes, GetParam().expected.classes);
    EXPECT_EQ(s.types, GetParam().expected.types);
    EXPECT_EQ(computeSpecificity(rules[0].selector), s);
}

INSTANTIATE_TEST_SUITE_P(
    Triples, CssSpecificityTest,
    ::testing::Values(SpecificityCase{"g > rect.a:first-child", {0, 2, 2}}, SpecificityCase{"#a:not(.b)", {1, 1, 0}},
                      SpecificityCase{"*", {0, 0, 0}}, SpecificityCase{"RECT", {0, 0, 1}},
                      SpecificityCase{"#a#b", {2, 0, 0}}, SpecificityCase{"[id=a]", {0, 1, 0}},
                      SpecificityCase{"rect:hover", {0, 1, 1}}, SpecificityCase{":not(#a, .b.c)", {1, 0, 0}},
                      SpecificityCase{":not(.b.c, rect)", {0, 2, 0}}, SpecificityCase{":is(g .a rect)", {0, 1, 2}},
                      SpecificityCase{":not(:not(#a.b))", {1, 1, 0}}, SpecificityCase{"g rect circle", {0, 0, 3}}));

struct DeclarationCase {
    const char* sheet;
    std::vector<Declaration> expected;
};

class CssDeclarationBlockTest : public ::testing::TestWithParam<DeclarationCase> {};

TEST_P(CssDeclarationBlockTest, Declarations) {
    Document document;
    const std::vector<StyleRule> rules = parseStyleSheet(GetParam().sheet, document);
    SCOPED_TRACE(GetParam().sheet);
    ASSERT_EQ(rules.size(), 1u);
    const DeclarationList& got = *rules[0].declarations;
    const std::vector<Declaration>& want = GetParam().expected;
    ASSERT_EQ(got.size(), want.size());
    for (std::size_t i = 0; i < got.size(); ++i) {
        EXPECT_EQ(got[i].name, want[i].name);
        EXPECT_EQ(got[i].value, want[i].value);
        EXPECT_EQ(got[i].specificity, want[i].specificity);
        EXPECT_EQ(got[i].propertyId, want[i].propertyId);
        EXPECT_EQ(got[i].reason, want[i].reason);
    }
}

constexpr auto kFill = static_cast<std::uint8_t>(PropertyID::Fill);
constexpr auto kStroke = static_cast<std::uint8_t>(PropertyID::Stroke);
constexpr auto kFontFamily = static_cast<std::uint8_t>(PropertyID::FontFamily);

INSTANTIATE_TEST_SUITE_P(
    Blocks, CssDeclarationBlockTest,
    ::testing::Values(DeclarationCase{"rect { fill: red }", {{16, kFill, "fill", "red", ""}}},
                      DeclarationCase{"rect{fill:red}", {{16, kFill, "fill", "red", ""}}},
                      DeclarationCase{"rect { FILL: red }", {{16, kFill, "fill", "red", ""}}},
                      DeclarationCase{"rect { fill: red !IMPORTANT }", {{4096, kFill, "fill", "red", ""}}},
                      DeclarationCase{"rect { fill: red !important; stroke: blue }",
                                      {{4096, kFill, "fill", "red", ""}, {16, kStroke, "stroke", "blue", ""}}},
                      DeclarationCase{"rect { fill: red \t; stroke : blue ; }",
                                      {{16, kFill, "fill", "red", ""}, {16, kStroke, "stroke", "blue", ""}}},
                      // A value ends at "}" in a block.
                      DeclarationCase{"rect { font-family: a}b", {{16, kFontFamily, "font-family", "a", ""}}},
                      DeclarationCase{"rect { stroke: blue fill: red }",
                                      {{16, kStroke, "stroke", "blue fill: red", "unsupported_color_syntax"}}},
                      DeclarationCase{"rect { fill: }", {{16, kFill, "fill", "", "unsupported_color_syntax"}}},
                      DeclarationCase{"rect { width: 10px }", {{16, 0, "width", "10px", "unsupported_css_property"}}},
                      DeclarationCase{
                          "rect { mask: url(#m) }",
                          {{16, static_cast<std::uint8_t>(PropertyID::Mask), "mask", "url(#m)", "unsupported_mask"}}},
                      DeclarationCase{"rect { foo: bar }", {}},
                      DeclarationCase{"rect { --Fill: red; fill: red }", {{16, kFill, "fill", "red", ""}}}));

}  // namespace
}  // namespace pavrix_svg
