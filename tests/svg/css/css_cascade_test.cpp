#include "svg/css/css_cascade.h"

#include "svg/css/css_parser.h"
#include "svg/dom/document.h"
#include "svg/dom/element_factory.h"
#include "svg/dom/element_id.h"
#include "svg/dom/property_id.h"
#include "svg/dom/svg_element.h"
#include "svg/dom/svg_svg_element.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace pavrix_svg {
namespace {

using Attributes = std::vector<std::pair<PropertyID, std::string>>;

// A document whose tree is built by hand, so the cascade is tested apart from the reader.
struct Tree {
    Document document;
    SVGRootElement* root = nullptr;

    explicit Tree(const Attributes& rootAttributes = {}) {
        auto owned = makeNode<SVGRootElement>(document);
        root = owned.get();
        document.resetRoot(std::move(owned));
        set(*root, rootAttributes);
    }

    static void set(SVGElement& element, const Attributes& attributes) {
        for (const auto& [id, value] : attributes)
            setAttribute(element, 1, id, value);
    }

    SVGElement& add(SVGElement& parent, ElementID id, const Attributes& attributes = {}) {
        SVGElement* element = addChild(parent, createElement(document, id));
        set(*element, attributes);
        return *element;
    }
};

// Elements in document order.
std::vector<SVGElement*> elementsOf(SVGElement& root) {
    std::vector<SVGElement*> out;
    std::vector<SVGElement*> stack{&root};
    while (!stack.empty()) {
        SVGElement* e = stack.back();
        stack.pop_back();
        out.push_back(e);
        for (SVGElement* c = e->lastElementChild(); c; c = c->previousElementSibling())
            stack.push_back(c);
    }
    return out;
}

std::string_view fill(const SVGElement& e) {
    return findAttribute(e, PropertyID::Fill);
}

// A cascade state over the tree with the sheet's rules parsed and sorted, nothing applied yet.
CssCascadeState preparedState(Tree& t, const std::string& sheet) {
    CssCascadeState state;
    state.document = &t.document;
    state.rules = parseStyleSheet(sheet, t.document);
    sortStyleRules(state.rules);
    return state;
}

// ---------------------------------------------------------------------------------------------
// Matching: one fixed tree, one selector per case; the matched elements are listed by id.
//
//   svg#root
//     g#g1: rect#r1.a, circle#c1, rect#r2, path#p1
//     g#g2: g#g3: rect#r3
//     g#g4 (empty), g#g5 (whitespace text)
struct MatchCase {
    const char* selector;
    const char* expected;  // ids of the matched elements, in document order
};

class CssMatchTest : public ::testing::TestWithParam<MatchCase> {};

TEST_P(CssMatchTest, MatchesElements) {
    Tree t({{PropertyID::Id, "root"}});
    SVGElement& g1 = t.add(*t.root, ElementID::G, {{PropertyID::Id, "g1"}});
    t.add(g1, ElementID::Rect, {{PropertyID::Id, "r1"}, {PropertyID::Class, "a"}});
    t.add(g1, ElementID::Circle, {{PropertyID::Id, "c1"}});
    t.add(g1, ElementID::Rect, {{PropertyID::Id, "r2"}});
    t.add(g1, ElementID::Path, {{PropertyID::Id, "p1"}});
    SVGElement& g2 = t.add(*t.root, ElementID::G, {{PropertyID::Id, "g2"}});
    SVGElement& g3 = t.add(g2, ElementID::G, {{PropertyID::Id, "g3"}});
    t.add(g3, ElementID::Rect, {{PropertyID::Id, "r3"}});
    t.add(*t.root, ElementID::G, {{PropertyID::Id, "g4"}});
    SVGElement& g5 = t.add(*t.root, ElementID::G, {{PropertyID::Id, "g5"}});
    g5.hasCharacterData = 1;

    applyStyleSheet(t.document, std::string(GetParam().selector) + " { font-family: m }");
    std::string matched;
    for (SVGElement* e : elementsOf(*t.root)) {
        if (findAttribute(*e, PropertyID::FontFamily) == "m")
            matched += (matched.empty() ? "" : " ") + std::string(findAttribute(*e, PropertyID::Id));
    }
    EXPECT_EQ(matched, GetParam().expected) << GetParam().selector;
}

INSTANTIATE_TEST_SUITE_P(
    Selectors, CssMatchTest,
    ::testing::Values(
        MatchCase{"rect", "r1 r2 r3"}, MatchCase{"*", "root g1 r1 c1 r2 p1 g2 g3 r3 g4 g5"}, MatchCase{"RECT", ""},
        MatchCase{"#r2", "r2"}, MatchCase{".a", "r1"}, MatchCase{"rect.a", "r1"}, MatchCase{"circle.a", ""},
        // Descendant and child.
        MatchCase{"svg rect", "r1 r2 r3"}, MatchCase{"g > rect", "r1 r2 r3"}, MatchCase{"svg > rect", ""},
        MatchCase{"#g1 > rect", "r1 r2"}, MatchCase{"#g2 rect", "r3"}, MatchCase{"#g2 > rect", ""},
        MatchCase{"svg g rect", "r1 r2 r3"}, MatchCase{"svg > g > g > rect", "r3"},
        // Greedy: the nearest g above r3 is g3, whose parent is not the svg; g2 is never tried.
        MatchCase{"svg > g rect", "r1 r2"},
        // Next and subsequent sibling.
        MatchCase{"rect + circle", "c1"}, MatchCase{"rect + rect", ""}, MatchCase{"circle + rect", "r2"},
        MatchCase{"rect ~ rect", "r2"}, MatchCase{"rect ~ path", "p1"}, MatchCase{"circle + path", ""},
        MatchCase{".a ~ path", "p1"}, MatchCase{"#g1 ~ g", "g2 g4 g5"}, MatchCase{"#g1 + g", "g2"},
        MatchCase{"circle + rect ~ path", "p1"},
        // Greedy along siblings: "*" takes r2, the nearest sibling before p1, whose previous
        // sibling is not .a; c1 (right after r1.a) is never tried.
        MatchCase{".a + * ~ path", ""}, MatchCase{".a + circle ~ path", "p1"},
        // Structural pseudo-classes.
        MatchCase{":root", "root"}, MatchCase{"svg:root", "root"}, MatchCase{"g:root", ""},
        MatchCase{"g:first-child", "g1 g3"}, MatchCase{"rect:first-child", "r1 r3"},
        MatchCase{":last-child", "root p1 g3 r3 g5"}, MatchCase{":only-child", "root g3 r3"},
        MatchCase{"rect:first-of-type", "r1 r3"}, MatchCase{"rect:last-of-type", "r2 r3"},
        MatchCase{"rect:only-of-type", "r3"}, MatchCase{"circle:only-of-type", "c1"},
        MatchCase{"g:last-of-type", "g3 g5"}, MatchCase{":empty", "r1 c1 r2 p1 r3 g4"}, MatchCase{"g:empty", "g4"},
        // is() needs every compound to match the element itself; not() needs none to.
        MatchCase{":is(rect)", "r1 r2 r3"}, MatchCase{":is(g rect)", ""}, MatchCase{":is(rect.a)", "r1"},
        MatchCase{"g > :not(rect)", "c1 p1 g3"}, MatchCase{"#g1 > :not(rect, circle)", "p1"},
        MatchCase{":not(g rect)", "root c1 p1"}, MatchCase{"rect:not(:not(.a))", "r1"}, MatchCase{"rect:hover", ""},
        // Attribute selectors on stored values.
        MatchCase{"[class]", "r1"}, MatchCase{"[class~=a]", "r1"}, MatchCase{"[id^=g]", "g1 g2 g3 g4 g5"},
        MatchCase{"[id$='1']", "g1 r1 c1 p1"}, MatchCase{"[id*=o]", "root"}, MatchCase{"[foo]", ""}));

TEST(CssMatch, SameTypeSiblingsGoByElementId) {
    // "a" and "g" share one ElementID; polygon and polyline do not.
    Tree t;
    SVGElement& first = t.add(*t.root, ElementID::G, {{PropertyID::Id, "a1"}});
    SVGElement& second = t.add(*t.root, ElementID::G, {{PropertyID::Id, "g1"}});
    SVGElement& polygon = t.add(*t.root, ElementID::Polygon);
    SVGElement& polyline = t.add(*t.root, ElementID::Polyline);
    applyStyleSheet(t.document,
                    "a:first-of-type { fill: red } g:last-of-type { stroke: red } "
                    "polygon:only-of-type, polyline:only-of-type { font-family: x }");
    EXPECT_EQ(fill(first), "red");
    EXPECT_EQ(fill(second), "");
    EXPECT_EQ(findAttribute(first, PropertyID::Stroke), "");
    EXPECT_EQ(findAttribute(second, PropertyID::Stroke), "red");
    EXPECT_EQ(findAttribute(polygon, PropertyID::FontFamily), "x");
    EXPECT_EQ(findAttribute(polyline, PropertyID::FontFamily), "x");
}

// ---------------------------------------------------------------------------------------------
// Attribute operators, including empty values and an absent attribute (read as "").
struct AttributeCase {
    const char* stored;  // nullptr: no attribute
    const char* selector;
    bool matches;
};

class CssAttributeOperatorTest : public ::testing::TestWithParam<AttributeCase> {};

TEST_P(CssAttributeOperatorTest, Operator) {
    Tree t;
    SVGElement& rect = t.add(*t.root, ElementID::Rect);
    if (GetParam().stored)
        setAttribute(rect, 1, PropertyID::FontFamily, GetParam().stored);
    Document scratch;
    const std::vector<StyleRule> rules = parseStyleSheet(std::string(GetParam().selector) + " { fill: red }", scratch);
    ASSERT_EQ(rules.size(), 1u);
    CssMatchCounter counter;
    EXPECT_EQ(matchSelector(rules[0].selector, rect, counter), GetParam().matches)
        << GetParam().selector << " on " << (GetParam().stored ? GetParam().stored : "(absent)");
}

INSTANTIATE_TEST_SUITE_P(
    Operators, CssAttributeOperatorTest,
    ::testing::Values(
        AttributeCase{nullptr, "[font-family]", false}, AttributeCase{"", "[font-family]", true},
        AttributeCase{nullptr, "[font-family='']", true}, AttributeCase{nullptr, "[font-family*='']", true},
        AttributeCase{"x", "[font-family*='']", true}, AttributeCase{"x", "[font-family~='']", false},
        AttributeCase{"", "[font-family~='']", false}, AttributeCase{"x", "[font-family^='']", false},
        AttributeCase{"x", "[font-family$='']", false}, AttributeCase{"", "[font-family|='']", false},
        AttributeCase{"red blue", "[font-family=red]", false},
        AttributeCase{"red blue", "[font-family='red blue']", true},
        AttributeCase{"red blue", "[font-family~=blue]", true}, AttributeCase{"red\tblue", "[font-family~=blue]", true},
        AttributeCase{"red blue", "[font-family~=re]", false}, AttributeCase{"red blue", "[font-family*='d b']", true},
        AttributeCase{"red blue", "[font-family*=bluee]", false}, AttributeCase{"aaab", "[font-family*=aab]", true},
        AttributeCase{"abab", "[font-family*=abac]", false}, AttributeCase{"red blue", "[font-family^=red]", true},
        AttributeCase{"red blue", "[font-family$=blue]", true}, AttributeCase{"red blue", "[font-family$=Blue]", false},
        AttributeCase{"en-US", "[font-family|=en]", true}, AttributeCase{"en-US", "[font-family|=en-US]", true},
        AttributeCase{"en", "[font-family|=en]", true}, AttributeCase{"enx", "[font-family|=en]", false},
        AttributeCase{"en-US", "[font-family|=e]", false}));

struct KmpCase {
    const char* haystack;
    const char* needle;
    bool found;
};

class CssKmpTest : public ::testing::TestWithParam<KmpCase> {};

TEST_P(CssKmpTest, Search) {
    EXPECT_EQ(findSubstringKmp(GetParam().haystack, GetParam().needle), GetParam().found)
        << GetParam().haystack << " / " << GetParam().needle;
}

INSTANTIATE_TEST_SUITE_P(Kmp, CssKmpTest,
                         ::testing::Values(KmpCase{"", "", true}, KmpCase{"abc", "", true}, KmpCase{"ab", "abc", false},
                                           KmpCase{"abc", "abc", true}, KmpCase{"aabaabaaab", "aabaaab", true},
                                           KmpCase{"aabaabaab", "aabaaab", false}, KmpCase{"xyzabab", "abab", true},
                                           KmpCase{"abacabad", "abad", true}));

// ---------------------------------------------------------------------------------------------
// Cascade order and specificities.
struct OrderCase {
    const char* sheet;
    const char* inlineStyle;   // nullptr: none
    const char* presentation;  // fill attribute, nullptr: none
    const char* expectedFill;
};

class CssCascadeOrderTest : public ::testing::TestWithParam<OrderCase> {};

TEST_P(CssCascadeOrderTest, Winner) {
    Tree t;
    SVGElement& rect = t.add(*t.root, ElementID::Rect, {{PropertyID::Id, "a"}, {PropertyID::Class, "b a"}});
    if (GetParam().presentation)
        setAttribute(rect, 1, PropertyID::Fill, GetParam().presentation);
    if (GetParam().inlineStyle) {
        ASSERT_TRUE(parseInlineStyle(GetParam().inlineStyle, rect));
    }
    applyStyleSheet(t.document, GetParam().sheet);
    EXPECT_EQ(fill(rect), GetParam().expectedFill) << GetParam().sheet;
    EXPECT_TRUE(t.document.reasons().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Order, CssCascadeOrderTest,
    ::testing::Values(OrderCase{"rect { fill: red } #a { fill: blue }", nullptr, nullptr, "blue"},
                      OrderCase{"#a { fill: blue } rect { fill: red }", nullptr, nullptr, "blue"},
                      OrderCase{"rect { fill: red } rect { fill: blue }", nullptr, nullptr, "blue"},
                      OrderCase{"rect { fill: red !important }", "fill: blue", nullptr, "red"},
                      OrderCase{"rect { fill: red !important }", "fill: blue !important", nullptr, "blue "},
                      OrderCase{"rect { fill: red }", "fill: blue", nullptr, "blue"},
                      OrderCase{"rect { fill: red }", nullptr, "green", "red"},
                      // The declaration's own specificity beats a more specific selector.
                      OrderCase{"#a { fill: red } rect { fill: blue !important }", nullptr, nullptr, "blue"},
                      // Fast path, then the same rules with one rule that forces the plain path.
                      OrderCase{".a { fill: red } .b { fill: blue }", nullptr, nullptr, "blue"},
                      OrderCase{".a { fill: red } .b { fill: blue } circle { fill: green }", nullptr, nullptr, "blue"},
                      OrderCase{".b { fill: blue } .a { fill: red }", nullptr, nullptr, "red"},
                      OrderCase{".b { fill: blue } [class~=a] { fill: red }", nullptr, nullptr, "red"},
                      // rect (0,0,1) is applied before [stroke=blue] (0,1,0) on the same element.
                      OrderCase{"[stroke=blue] { fill: red } rect { stroke: blue }", nullptr, nullptr, "red"}));

TEST(CssCascade, AttributeSelectorsDoNotSeeLaterRules) {
    Tree u;
    SVGElement& other = u.add(*u.root, ElementID::Rect, {{PropertyID::Class, "x"}});
    // rect.x (0,1,1) sorts after [stroke=blue] (0,1,0): the value is not there yet.
    applyStyleSheet(u.document, "rect.x { stroke: blue } [stroke=blue] { fill: red }");
    EXPECT_EQ(findAttribute(other, PropertyID::Stroke), "blue");
    EXPECT_EQ(fill(other), "");
}

TEST(CssCascade, ReasonsAreDeferredToMatchedElements) {
    Tree t;
    SVGElement& rect = t.add(*t.root, ElementID::Rect);
    SVGElement& circle = t.add(*t.root, ElementID::Circle);
    applyStyleSheet(t.document, "rect { mask: url(#m); fill: red; width: 5 }");
    EXPECT_TRUE(t.document.reasons().empty());
    const DeferredCapabilityMap& deferred = deferredCapabilities(rect);
    ASSERT_EQ(deferred.count("mask"), 1u);
    EXPECT_EQ(deferred.at("mask").reason, "unsupported_mask");
    EXPECT_EQ(deferred.at("mask").specificity, kSheetDeclarationSpecificity);
    ASSERT_EQ(deferred.count("width"), 1u);
    EXPECT_EQ(deferred.at("width").reason, "unsupported_css_property");
    EXPECT_EQ(findAttribute(rect, PropertyID::Mask), "");
    EXPECT_EQ(fill(rect), "red");
    EXPECT_TRUE(deferredCapabilities(circle).empty());
}

TEST(CssCascade, SupportedDeclarationClearsWeakerDeferredReason) {
    Tree t;
    SVGElement& rect = t.add(*t.root, ElementID::Rect);
    ASSERT_TRUE(parseInlineStyle("mask: url(#m)", rect));
    applyStyleSheet(t.document, "rect { mask: none !important }");
    EXPECT_EQ(deferredCapabilities(rect).at("mask").reason, "");
    EXPECT_EQ(deferredCapabilities(rect).at("mask").specificity, kSheetImportantSpecificity);
    EXPECT_EQ(findAttribute(rect, PropertyID::Mask), "none");
}

TEST(CssCascade, SheetReasonsComeAfterEarlierReasons) {
    Tree t;
    t.add(*t.root, ElementID::Rect);
    t.document.addReason("unsupported_element");
    applyStyleSheet(t.document, "@media x {} rect:hover { fill: red } g {}");
    EXPECT_EQ(t.document.reasons(), (std::vector<std::string>{"unsupported_element", "unsupported_css_at_rule",
                                                              "unsupported_css_selector", "unsupported_css_rule"}));
}

// Ten class "a" rects under the root, cascaded with one limit of the state tightened first.
struct LimitedCascade {
    Tree t;
    std::vector<SVGElement*> rects;
    CssCascadeState state;

    template <typename Limit>
    LimitedCascade(const std::string& sheet, Limit limit) {
        for (int i = 0; i < 10; ++i)
            rects.push_back(&t.add(*t.root, ElementID::Rect, {{PropertyID::Class, "a"}}));
        state = preparedState(t, sheet);
        limit(state);
        if (buildClassIndex(state.rules, state.classIndex))
            applyIndexedRulesToTree(*t.root, state);
        else
            applyRulesToTree(*t.root, state);
    }
};

TEST(CssCascade, WorkCounterOverflowStopsOnce) {
    for (const char* sheet : {"rect { fill: red }", ".a { fill: red }"}) {
        // Room for a few elements' work only.
        LimitedCascade run(sheet, [](CssCascadeState& state) { state.counter.work = UINT64_MAX - 20; });
        EXPECT_TRUE(run.state.stopped);
        EXPECT_EQ(run.t.document.reasons(), std::vector<std::string>{"unsupported_complexity"});
        EXPECT_EQ(fill(*run.rects.front()), "red") << sheet;
        EXPECT_EQ(fill(*run.rects.back()), "") << sheet;
    }
}

TEST(CssCascade, StoredBytesAreCapped) {
    // A long value matched by many elements is copied into each: the stored bytes (value + 1 per
    // stored declaration) stop the cascade once past the cap, on both paths.
    const std::string value(100, 'm');
    for (const std::string selector : {"rect", ".a"}) {
        LimitedCascade run(selector + " { font-family: " + value + " }",
                           [](CssCascadeState& state) { state.storedBytesCap = 3 * 101 + 100; });
        EXPECT_TRUE(run.state.stopped) << selector;
        EXPECT_EQ(run.state.storedBytes, 3u * 101u) << selector;
        EXPECT_EQ(run.t.document.reasons(), std::vector<std::string>{"unsupported_complexity"});
        EXPECT_EQ(findAttribute(*run.rects[2], PropertyID::FontFamily), value) << selector;
        EXPECT_EQ(findAttribute(*run.rects[3], PropertyID::FontFamily), "") << selector;
    }
    EXPECT_EQ(CssCascadeState{}.storedBytesCap, kMaxCascadeStoredBytes);
}

TEST(CssCascade, RepeatedClassWordCollectsItsRulesOnce) {
    // One class attribute naming the same class a thousand times must not gather the class's
    // rules a thousand times over; the charges stay those of every word's lookup.
    Tree t;
    std::string classes;
    for (int i = 0; i < 1000; ++i)
        classes += "a ";
    SVGElement& rect = t.add(*t.root, ElementID::Rect, {{PropertyID::Class, classes}});
    std::string sheet;
    for (int i = 0; i < 50; ++i)
        sheet += ".a { fill: red }";
    CssCascadeState state = preparedState(t, sheet);
    ASSERT_TRUE(buildClassIndex(state.rules, state.classIndex));
    matchRulesByClass(state, rect);
    EXPECT_EQ(fill(rect), "red");
    EXPECT_EQ(state.scratch.size(), 50u);
    EXPECT_LT(state.scratch.capacity(), 1000u);
    // Class length, 1000 list lookups of 50 rules, then 50 rules of one declaration "red".
    EXPECT_EQ(state.counter.work, classes.size() + 1000u * 50u + 50u * (1u + 1u + 3u));
    EXPECT_FALSE(state.stopped);
}

TEST(CssCascade, DeepTreesDoNotRecurse) {
    Tree t;
    SVGElement* e = t.root;
    for (int i = 0; i < 100000; ++i)
        e = &t.add(*e, ElementID::G);
    SVGElement& leaf = t.add(*e, ElementID::Rect, {{PropertyID::Class, "a"}});
    applyStyleSheet(t.document, "g rect { fill: red }");
    EXPECT_EQ(fill(leaf), "red");
    applyStyleSheet(t.document, ".a { stroke: blue }");
    EXPECT_EQ(findAttribute(leaf, PropertyID::Stroke), "blue");
}

// ---------------------------------------------------------------------------------------------
// Inline styles.
struct InlineCase {
    const char* style;
    bool ok;
    const char* fill;
    const char* stroke;
};

class CssInlineStyleTest : public ::testing::TestWithParam<InlineCase> {};

TEST_P(CssInlineStyleTest, Applies) {
    Tree t;
    SVGElement& rect = t.add(*t.root, ElementID::Rect);
    EXPECT_EQ(parseInlineStyle(GetParam().style, rect), GetParam().ok) << GetParam().style;
    EXPECT_EQ(fill(rect), GetParam().fill);
    EXPECT_EQ(findAttribute(rect, PropertyID::Stroke), GetParam().stroke);
}

INSTANTIATE_TEST_SUITE_P(Inline, CssInlineStyleTest,
                         ::testing::Values(InlineCase{"", true, "", ""}, InlineCase{" \t\n", true, "", ""},
                                           InlineCase{"fill: red; stroke: blue;", true, "red", "blue"},
                                           InlineCase{"fill:red;stroke:blue", true, "red", "blue"},
                                           InlineCase{"fill: red;  ", true, "red", ""},
                                           // Trailing whitespace of an inline value is kept.
                                           InlineCase{"fill: red ; stroke: blue", true, "red ", "blue"},
                                           InlineCase{"FILL: red", true, "red", ""},
                                           InlineCase{"fill: red;;", false, "red", ""},
                                           InlineCase{"fill red", false, "", ""}, InlineCase{"fill", false, "", ""},
                                           InlineCase{"fill:", true, "", ""}, InlineCase{"; fill: red", false, "", ""},
                                           InlineCase{"fill: red !important; stroke: blue", true, "red ", "blue"},
                                           InlineCase{"fill: red ! IMPORTANT ;stroke: blue", true, "red ", "blue"},
                                           InlineCase{"fill: red !important stroke: blue", false, "", ""},
                                           InlineCase{"fill: red !foo", false, "", ""},
                                           InlineCase{"stroke: blue; fill: bogus(1)", true, "", "blue"},
                                           InlineCase{"foo: bar; fill: red", true, "red", ""}));

TEST(CssInlineStyle, ValueRunsPastBrace) {
    Tree t;
    SVGElement& rect = t.add(*t.root, ElementID::Rect);
    EXPECT_TRUE(parseInlineStyle("font-family: a}b", rect));
    EXPECT_EQ(findAttribute(rect, PropertyID::FontFamily), "a}b");
}

TEST(CssInlineStyle, SpecificitiesAgainstSheet) {
    Tree t;
    SVGElement& rect = t.add(*t.root, ElementID::Rect);
    ASSERT_TRUE(parseInlineStyle("fill: blue; stroke: red !important; width: 3", rect));
    EXPECT_EQ(deferredCapabilities(rect).at("width").specificity, kInlineDeclarationSpecificity);
    EXPECT_EQ(deferredCapabilities(rect).at("width").reason, "unsupported_css_property");
    applyStyleSheet(t.document, "rect { fill: green !important; stroke: green !important }");
    EXPECT_EQ(fill(rect), "green");
    EXPECT_EQ(findAttribute(rect, PropertyID::Stroke), "red ");  // inline values keep their trailing space
    EXPECT_TRUE(t.document.reasons().empty());
}

// ---------------------------------------------------------------------------------------------
// Property: on class-only sheets the class index and plain matching give the same attributes and
// deferred reasons on every element.
std::string snapshot(SVGElement& root) {
    std::string out;
    for (SVGElement* e : elementsOf(root)) {
        for (const Attribute& a : e->attributes())
            out += std::to_string(static_cast<int>(a.id)) + ":" + std::to_string(a.specificity) + "=" +
                   std::string(a.value) + ";";
        for (const auto& [name, d] : deferredCapabilities(*e))
            out += name + "@" + std::to_string(d.specificity) + "=" + d.reason + ";";
        out += "\n";
    }
    return out;
}

void buildRandomTree(Tree& t, std::mt19937& random) {
    static const char* const kClasses[] = {"a", "b", "c", "d", "e", "f"};
    static const char* const kSeparators[] = {" ", "  ", "\t", "\n ", "\r"};
    std::vector<SVGElement*> parents{t.root};
    const int count = 1 + static_cast<int>(random() % 40);
    for (int i = 0; i < count; ++i) {
        SVGElement& parent = *parents[random() % parents.size()];
        const ElementID kinds[] = {ElementID::G, ElementID::Rect, ElementID::Circle, ElementID::Path};
        std::string classes;
        const int words = static_cast<int>(random() % 4);
        for (int w = 0; w < words; ++w) {
            if (random() % 3 == 0)
                classes += kSeparators[random() % 5];
            classes += kClasses[random() % 6];
            classes += kSeparators[random() % 5];
        }
        Attributes attributes;
        if (words > 0 || random() % 2)
            attributes.emplace_back(PropertyID::Class, classes);
        if (random() % 4 == 0)
            attributes.emplace_back(PropertyID::Fill, "black");
        SVGElement& e = t.add(parent, kinds[random() % 4], attributes);
        if (random() % 5 == 0)
            parseInlineStyle(random() % 2 ? "stroke: red" : "fill: blue !important", e);
        if (e.id() == ElementID::G)
            parents.push_back(&e);
    }
}

std::string randomClassSheet(std::mt19937& random) {
    static const char* const kClasses[] = {"a", "b", "c", "d", "e", "f", "zz"};
    static const char* const kDeclarations[] = {
        "fill: red",   "fill: blue !important", "stroke: green", "mask: url(#m)",          "stroke-width: 2",
        "fill: nope(", "opacity: 0.5",          "width: 3",      "stroke: none !important"};
    std::string sheet;
    const int rules = 1 + static_cast<int>(random() % 12);
    for (int r = 0; r < rules; ++r) {
        const int selectors = 1 + static_cast<int>(random() % 2);
        for (int s = 0; s < selectors; ++s) {
            if (s)
                sheet += ", ";
            const char* name = kClasses[random() % 7];
            sheet += random() % 4 == 0 ? std::string("[class~=\"") + name + "\"]" : std::string(".") + name;
        }
        sheet += " {";
        const int declarations = 1 + static_cast<int>(random() % 3);
        for (int d = 0; d < declarations; ++d)
            sheet += std::string(" ") + kDeclarations[random() % 9] + ";";
        sheet += " }\n";
    }
    return sheet;
}

TEST(CssCascadeProperty, FastAndPlainPathsAgree) {
    for (unsigned seed = 1; seed <= 300; ++seed) {
        std::mt19937 treeRandom(seed);
        std::mt19937 sheetRandom(seed * 7919u);
        const std::string sheet = randomClassSheet(sheetRandom);
        Tree fast;
        Tree plain;
        std::mt19937 copy = treeRandom;
        buildRandomTree(fast, treeRandom);
        buildRandomTree(plain, copy);
        ASSERT_EQ(snapshot(*fast.root), snapshot(*plain.root));

        CssCascadeState fastState = preparedState(fast, sheet);
        ASSERT_TRUE(buildClassIndex(fastState.rules, fastState.classIndex)) << sheet;
        applyIndexedRulesToTree(*fast.root, fastState);

        CssCascadeState plainState = preparedState(plain, sheet);
        applyRulesToTree(*plain.root, plainState);

        EXPECT_EQ(snapshot(*fast.root), snapshot(*plain.root)) << "seed " << seed << "\n" << sheet;
        EXPECT_EQ(fast.document.reasons(), plain.document.reasons());

        // Through the entry point, with a never-matching rule that forces the plain path.
        Tree viaEntry;
        std::mt19937 again(seed);
        buildRandomTree(viaEntry, again);
        applyStyleSheet(viaEntry.document, sheet + "#never-present { fill: red }");
        EXPECT_EQ(snapshot(*viaEntry.root), snapshot(*fast.root)) << "seed " << seed;
    }
}

// ---------------------------------------------------------------------------------------------
// Property: the plain path with rule buckets and the "~" memo (as applyStyleSheet runs it) gives
// the same attributes and reasons as matching every rule against every element step by step.
void buildRandomMixedTree(Tree& t, std::mt19937& random) {
    static const char* const kWords[] = {"a", "b", "c"};
    static const char* const kIds[] = {"x", "y", "z", ""};
    const ElementID kinds[] = {ElementID::G, ElementID::Rect, ElementID::Circle, ElementID::Path};
    std::vector<SVGElement*> parents{t.root};
    const int count = 1 + static_cast<int>(random() % 60);
    for (int i = 0; i < count; ++i) {
        SVGElement& parent = *parents[random() % parents.size()];
        Attributes attributes;
        if (random() % 2) {
            std::string classes = kWords[random() % 3];
            if (random() % 2)
                classes += std::string(" ") + kWords[random() % 3];
            attributes.emplace_back(PropertyID::Class, classes);
        }
        if (random() % 3 == 0)
            attributes.emplace_back(PropertyID::Id, kIds[random() % 4]);
        if (random() % 4 == 0)
            attributes.emplace_back(PropertyID::Fill, "black");
        SVGElement& e = t.add(parent, kinds[random() % 4], attributes);
        if (e.id() == ElementID::G)
            parents.push_back(&e);
    }
}

std::string randomMixedSheet(std::mt19937& random) {
    static const char* const kTypes[] = {"", "", "*", "rect", "circle", "g", "path"};
    static const char* const kParts[] = {
        "",         "",           "#x",     "#y",           "[id='']",      ".a",
        ".b",       "[class~=c]", "[fill]", "[fill=black]", ":first-child", ":last-of-type",
        ":not(.a)", ":empty",     ".a.b"};
    static const char* const kCombinators[] = {" ", " > ", " + ", " ~ ", "~"};
    static const char* const kDeclarations[] = {"fill: red", "stroke: green", "fill: blue !important", "mask: url(#m)",
                                                "stroke-width: 2"};
    std::string sheet;
    const int rules = 1 + static_cast<int>(random() % 10);
    for (int r = 0; r < rules; ++r) {
        const int compounds = 1 + static_cast<int>(random() % 3);
        for (int c = 0; c < compounds; ++c) {
            if (c)
                sheet += kCombinators[random() % 5];
            std::string compound = std::string(kTypes[random() % 7]) + kParts[random() % 15];
            sheet += compound.empty() ? "*" : compound;
        }
        sheet += " { font-family: r" + std::to_string(r) + "; " + kDeclarations[random() % 5] + " }\n";
    }
    return sheet;
}

TEST(CssCascadeProperty, CandidatePathAgreesWithMatchingEveryRule) {
    for (unsigned seed = 1; seed <= 3000; ++seed) {
        std::mt19937 sheetRandom(seed * 104729u);
        const std::string sheet = randomMixedSheet(sheetRandom);
        Tree viaEntry;
        Tree everyRule;
        std::mt19937 treeRandom(seed);
        std::mt19937 copy = treeRandom;
        buildRandomMixedTree(viaEntry, treeRandom);
        buildRandomMixedTree(everyRule, copy);

        applyStyleSheet(viaEntry.document, sheet);

        CssCascadeState state = preparedState(everyRule, sheet);
        applyRulesToTree(*everyRule.root, state);

        EXPECT_EQ(snapshot(*viaEntry.root), snapshot(*everyRule.root)) << "seed " << seed << "\n" << sheet;
        EXPECT_EQ(viaEntry.document.reasons(), everyRule.document.reasons()) << "seed " << seed;
    }
}

// Walking cost of the candidate path, as applyStyleSheet sets it up.
std::uint64_t cascadeWork(Tree& t, const std::string& sheet) {
    CssCascadeState state = preparedState(t, sheet);
    buildRuleBuckets(state.rules, state.buckets);
    applyRulesToTree(*t.root, state);
    return state.counter.work;
}

TEST(CssCascade, SubsequentSiblingWalksStayLinear) {
    // Without the memo every rect walks back over all earlier siblings: N^2 / 2 steps.
    constexpr int kSiblings = 20000;
    for (const int circleAt : {-1, 0, kSiblings / 2}) {
        Tree t;
        std::vector<SVGElement*> rects;
        for (int i = 0; i < kSiblings; ++i) {
            if (i == circleAt)
                t.add(*t.root, ElementID::Circle);
            rects.push_back(&t.add(*t.root, ElementID::Rect));
        }
        EXPECT_LT(cascadeWork(t, "circle ~ rect { fill: red }"), 10u * kSiblings) << circleAt;
        EXPECT_EQ(fill(*rects.front()), circleAt == 0 ? "red" : "") << circleAt;
        EXPECT_EQ(fill(*rects.back()), circleAt < 0 ? "" : "red") << circleAt;
        if (circleAt > 0) {
            EXPECT_EQ(fill(*rects[circleAt - 1]), "");
            EXPECT_EQ(fill(*rects[circleAt]), "red");
        }
    }
}

TEST(CssCascade, OnlyCandidateRulesAreMatched) {
    // A thousand id rules against a thousand elements: each element meets its own rule only.
    constexpr int kCount = 1000;
    Tree t;
    std::string sheet;
    for (int i = 0; i < kCount; ++i) {
        t.add(*t.root, ElementID::Rect, {{PropertyID::Id, "e" + std::to_string(i)}});
        sheet += "#e" + std::to_string(i) + " { font-family: f" + std::to_string(i) + " }\n";
    }
    EXPECT_LT(cascadeWork(t, sheet), 20u * kCount);
    const SVGElement* last = t.root->lastElementChild();
    EXPECT_EQ(findAttribute(*last, PropertyID::FontFamily), "f" + std::to_string(kCount - 1));
}

TEST(CssCascade, ClassIndexQualification) {
    struct Case {
        const char* sheet;
        bool indexed;
    };
    for (const Case& c : {Case{".a { fill: red } [class~=b] { fill: red }", true}, Case{".a.b { fill: red }", false},
                          Case{"*.a { fill: red }", true}, Case{"rect.a { fill: red }", false},
                          Case{"[class~=''] { fill: red }", false}, Case{"[class=a] { fill: red }", false},
                          Case{".a:first-child { fill: red }", false}, Case{"g .a { fill: red }", false},
                          Case{"#a { fill: red }", false}}) {
        Document document;
        std::vector<StyleRule> rules = parseStyleSheet(c.sheet, document);
        StyleSheetClassIndex index;
        EXPECT_EQ(buildClassIndex(rules, index), c.indexed) << c.sheet;
        EXPECT_EQ(index.empty(), !c.indexed);
    }
}

}  // namespace
}  // namespace pavrix_svg
