#include "svg/xml/xml_reader.h"

#include <gtest/gtest.h>

#include <clocale>
#include <stdexcept>
#include <string>
#include <vector>

#include "svg/dom/document.h"
#include "svg/xml/document_loading.h"
#include "svg/dom/svg_element.h"
#include "svg/dom/svg_node.h"
#include "svg/dom/svg_svg_element.h"

namespace {

using namespace pavrix_svg;
using namespace std::string_literals;
using Reasons = std::vector<std::string>;

std::unique_ptr<Document> load(std::string_view text) {
    return loadDocumentFromString(text);
}

std::string repeat(std::string_view piece, std::size_t count) {
    std::string out;
    out.reserve(piece.size() * count);
    for (std::size_t i = 0; i < count; ++i)
        out += piece;
    return out;
}

std::string nested(std::string_view name, std::size_t levels) {
    return "<svg>" + repeat("<" + std::string(name) + ">", levels) + repeat("</" + std::string(name) + ">", levels) +
           "</svg>";
}

// Every case table below is printed by its label.
template <typename Case>
    requires requires(const Case& c) { c.label; }
std::ostream& operator<<(std::ostream& os, const Case& c) {
    return os << c.label;
}

// ---------------------------------------------------------------------------------------------

struct RefusalCase {
    const char* label;
    std::string text;
};

class RefusalTest : public testing::TestWithParam<RefusalCase> {};

TEST_P(RefusalTest, DocumentIsRefused) {
    EXPECT_EQ(load(GetParam().text), nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Encoding, RefusalTest,
    testing::Values(RefusalCase{"byte_c0", "<svg>\xC0\x80</svg>"}, RefusalCase{"byte_c1", "<svg>\xC1\xBF</svg>"},
                    RefusalCase{"byte_f5", "<svg>\xF5\x80\x80\x80</svg>"}, RefusalCase{"byte_ff", "<svg>\xFF</svg>"},
                    RefusalCase{"lone_continuation", "<svg>\x80</svg>"},
                    RefusalCase{"surrogate", "<svg>\xED\xA0\x80</svg>"},
                    RefusalCase{"u_fffe", "<svg>\xEF\xBF\xBE</svg>"}, RefusalCase{"u_ffff", "<svg>\xEF\xBF\xBF</svg>"},
                    RefusalCase{"overlong_three", "<svg>\xE0\x80\xAF</svg>"},
                    RefusalCase{"truncated", "<svg/>\xE4\xB8"}, RefusalCase{"control_01", "<svg>\x01</svg>"},
                    RefusalCase{"nul", "<svg>\0</svg>"s}, RefusalCase{"bad_byte_in_comment", "<!-- \xFF --><svg/>"}));

// The text check reads eight bytes at a time: each kind of byte at each place in a word.
TEST(TextCheck, EveryBytePlaceInAWord) {
    for (std::size_t offset = 0; offset < 17; ++offset) {
        const auto inComment = [offset](std::string_view bytes) {
            return "<!--" + std::string(offset, 'a') + std::string(bytes) + std::string(offset % 5, 'b') + "--><svg/>";
        };
        EXPECT_EQ(load(inComment("\x1F")), nullptr) << offset;
        EXPECT_EQ(load(inComment("\x80")), nullptr) << offset;
        EXPECT_EQ(load(inComment("\xFF")), nullptr) << offset;
        EXPECT_NE(load(inComment("\x7F \t\r\n")), nullptr) << offset;
        EXPECT_NE(load(inComment("\xC3\xA9")), nullptr) << offset;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Structure, RefusalTest,
    testing::Values(
        RefusalCase{"empty", ""}, RefusalCase{"whitespace_only", " \n\t"}, RefusalCase{"text_before_root", "x<svg/>"},
        RefusalCase{"text_after_root", "<svg/>x"}, RefusalCase{"root_not_svg", "<g/>"},
        RefusalCase{"root_svg_other_case", "<SVG/>"}, RefusalCase{"second_root", "<svg/><svg/>"},
        RefusalCase{"second_root_after_close", "<svg></svg><svg></svg>"}, RefusalCase{"unclosed_root", "<svg>"},
        RefusalCase{"unclosed_child", "<svg><g></svg>"}, RefusalCase{"end_tag_mismatch", "<svg><g></h></svg>"},
        RefusalCase{"end_tag_without_open", "</svg>"}, RefusalCase{"end_tag_unterminated", "<svg></svg"},
        RefusalCase{"end_tag_junk", "<svg></svg x>"}, RefusalCase{"start_tag_unterminated", "<svg"},
        RefusalCase{"start_tag_junk", "<svg %></svg>"}, RefusalCase{"start_tag_empty_local", "<svg><a:/></svg>"},
        RefusalCase{"start_tag_colon_first", "<svg><:g/></svg>"},
        RefusalCase{"start_tag_two_colons", "<svg><a:b:c/></svg>"},
        RefusalCase{"start_tag_no_name", "<svg>< g/></svg>"}, RefusalCase{"unknown_top_level_unclosed", "<svg/><foo>"},
        RefusalCase{"text_in_top_level_ignored", "<svg/><foo>x</foo>"},
        RefusalCase{"markup_decl", "<!ELEMENT svg ANY><svg/>"},
        RefusalCase{"cdata_outside_root", "<![CDATA[x]]><svg/>"},
        RefusalCase{"cdata_unterminated", "<svg><![CDATA[x</svg>"}, RefusalCase{"cdata_short", "<svg><![CDATA["},
        RefusalCase{"cdata_end_in_text", "<svg>a]]>b</svg>"}));

INSTANTIATE_TEST_SUITE_P(
    Markup, RefusalTest,
    testing::Values(RefusalCase{"comment_double_hyphen", "<!-- a -- b --><svg/>"},
                    RefusalCase{"comment_trailing_hyphen", "<!-- a ---><svg/>"},
                    RefusalCase{"comment_single_hyphen_content", "<!-----><svg/>"},
                    RefusalCase{"comment_unterminated", "<svg/><!-- x"}, RefusalCase{"comment_short", "<svg/><!--"},
                    RefusalCase{"doctype_unterminated", "<!DOCTYPE svg [ <!ENTITY x 'y'> <svg/>"},
                    RefusalCase{"pi_unterminated", "<?pi x <svg/>"}, RefusalCase{"pi_without_target", "<? x?><svg/>"},
                    RefusalCase{"declaration_after_space", " <?xml version=\"1.0\"?><svg/>"},
                    RefusalCase{"declaration_after_comment", "<!----><?xml version=\"1.0\"?><svg/>"},
                    RefusalCase{"declaration_twice", "<?xml version=\"1.0\"?><?xml version=\"1.0\"?><svg/>"},
                    RefusalCase{"declaration_inside_element", "<svg><?xml version=\"1.0\"?></svg>"},
                    RefusalCase{"declaration_after_root", "<svg/><?xml version=\"1.0\"?>"},
                    RefusalCase{"declaration_empty", "<?xml?><svg/>"},
                    RefusalCase{"declaration_encoding_first", "<?xml encoding=\"UTF-8\" version=\"1.0\"?><svg/>"},
                    RefusalCase{"declaration_standalone_before_encoding",
                                "<?xml version=\"1.0\" standalone=\"no\" encoding=\"UTF-8\"?><svg/>"},
                    RefusalCase{"declaration_bad_version", "<?xml version=\"2.0\"?><svg/>"},
                    RefusalCase{"declaration_other_encoding", "<?xml version=\"1.0\" encoding=\"latin1\"?><svg/>"}));

INSTANTIATE_TEST_SUITE_P(Attributes, RefusalTest,
                         testing::Values(RefusalCase{"duplicate", "<svg><rect x=\"1\" x=\"2\"/></svg>"},
                                         RefusalCase{"duplicate_in_ignored", "<svg><foo a=\"1\" a=\"2\"/></svg>"},
                                         RefusalCase{"missing_equals", "<svg><rect x \"1\"/></svg>"},
                                         RefusalCase{"missing_quote", "<svg><rect x=1/></svg>"},
                                         RefusalCase{"missing_close_quote", "<svg><rect x=\"1/></svg>"},
                                         RefusalCase{"mixed_quotes", "<svg><rect x=\"1'/></svg>"},
                                         RefusalCase{"lt_in_value", "<svg><rect x=\"<\"/></svg>"},
                                         RefusalCase{"empty_local_part", "<svg><rect a:=\"1\"/></svg>"},
                                         RefusalCase{"bad_reference", "<svg><rect id=\"&amp\"/></svg>"},
                                         RefusalCase{"bad_reference_in_ignored", "<svg><foo a=\"&bogus;\"/></svg>"}));

INSTANTIATE_TEST_SUITE_P(References, RefusalTest,
                         testing::Values(RefusalCase{"upper_hex_marker", "<svg>&#X41;</svg>"},
                                         RefusalCase{"code_point_zero", "<svg>&#0;</svg>"},
                                         RefusalCase{"surrogate", "<svg>&#xD800;</svg>"},
                                         RefusalCase{"amp_without_semicolon", "<svg>&amp</svg>"},
                                         RefusalCase{"ampersand_at_end", "<svg><g>&"},
                                         RefusalCase{"unknown_without_doctype", "<svg>&nbsp;</svg>"},
                                         RefusalCase{"overflow", "<svg>&#4294967361;</svg>"},
                                         RefusalCase{"bad_in_ignored_text", "<svg><foo>&bogus;</foo></svg>"}));

// ---------------------------------------------------------------------------------------------

struct ReasonCase {
    const char* label;
    std::string text;
    Reasons expected;
};

class ReasonTest : public testing::TestWithParam<ReasonCase> {};

TEST_P(ReasonTest, ReasonsInFirstSeenOrder) {
    const auto document = load(GetParam().text);
    ASSERT_NE(document, nullptr);
    EXPECT_EQ(document->reasons(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Accepted, ReasonTest,
    testing::Values(ReasonCase{"minimal", "<svg/>", {}}, ReasonCase{"bom", "\xEF\xBB\xBF<svg/>", {}},
                    ReasonCase{"bom_then_declaration", "\xEF\xBB\xBF<?xml version=\"1.0\"?><svg/>", {}},
                    ReasonCase{"raw_tab_lf_cr", "<svg>\t\n\r</svg>\r\n", {}},
                    ReasonCase{
                        "declaration_full", "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?><svg/>", {}},
                    ReasonCase{"declaration_no_spaces", "<?xml version='1.1'encoding='utf-8'?><svg/>", {}},
                    ReasonCase{"declaration_upper_case_target_is_pi",
                               "<?XML version=\"1.0\"?><svg/>",
                               {"unsupported_processing_instruction"}},
                    ReasonCase{"comments", "<!----><svg><!-- - a - --></svg><!-- x -->", {}},
                    ReasonCase{"cdata_ends_at_first_terminator", "<svg><g><![CDATA[a]]b]]></g></svg>", {}},
                    ReasonCase{"prefixed_names", "<svg xmlns:s=\"x\"><s:g s:x=\"1\"/></svg>", {}},
                    ReasonCase{"attributes_without_spaces", "<svg><rect x=\"1\"y='2'/></svg>", {}},
                    ReasonCase{"whitespace_around_equals", "<svg><rect x = \"1\" /></svg>", {}},
                    ReasonCase{"end_tag_with_space", "<svg></svg \n>", {}}));

INSTANTIATE_TEST_SUITE_P(
    Reasons, ReasonTest,
    testing::Values(
        ReasonCase{"stylesheet_pi", "<?xml-stylesheet href=\"a.css\"?><svg/>", {"unsupported_external_resource"}},
        ReasonCase{"other_pi", "<svg><?foo bar?></svg>", {"unsupported_processing_instruction"}},
        ReasonCase{"doctype_internal", "<!DOCTYPE svg><svg/>", {"unsupported_doctype"}},
        ReasonCase{"doctype_system", "<!DOCTYPE svg SYSTEM \"x.dtd\"><svg/>", {"unsupported_external_resource"}},
        ReasonCase{
            "doctype_public_after_subset", "<!DOCTYPE svg [ <!ENTITY a 'PUBLIC'> ]><svg/>", {"unsupported_doctype"}},
        ReasonCase{"doctype_nested_brackets", "<!DOCTYPE svg [ [ > ] > ]><svg/>", {"unsupported_doctype"}},
        ReasonCase{"doctype_inside_element", "<svg><!DOCTYPE x></svg>", {"unsupported_doctype"}},
        ReasonCase{"doctype_enables_named_references",
                   "<!DOCTYPE svg><svg><g id=\"&nbsp;\">&a.b-c:d_e;</g></svg>",
                   {"unsupported_doctype"}},
        ReasonCase{"unknown_before_root", "<foo/><svg/>", {"unsupported_element"}},
        ReasonCase{"unknown_after_root", "<svg/><foo><bar/></foo>", {"unsupported_element"}},
        ReasonCase{"unknown_hides_content",
                   "<svg><foo><mask/><rect filter=\"blur\" media=\"x\"/><image/></foo></svg>",
                   {"unsupported_element"}},
        ReasonCase{"non_ascii_name_inside_ignored",
                   "<svg><foo><b\xC3\xA9 \xC3\xA9=\"1\"/></foo></svg>",
                   {"unsupported_element", "unsupported_xml_name"}},
        ReasonCase{"non_ascii_element_name", "<svg><\xC3\xA9/></svg>", {"unsupported_xml_name", "unsupported_element"}},
        ReasonCase{"non_ascii_attribute_name", "<svg \xC3\xA9=\"1\" \xC3\xA8=\"2\"/>", {"unsupported_xml_name"}},
        ReasonCase{"element_reasons_in_order",
                   "<svg><script/><mask/><linearGradient/><pattern/><radialGradient/><stop/>"
                   "<image/><text/><tspan/><foo/><mask/></svg>",
                   {"unsupported_script", "unsupported_mask", "unsupported_paint_server", "unsupported_image",
                    "unsupported_text", "unsupported_element"}},
        ReasonCase{"other_case_is_unknown", "<svg><Rect/><A/></svg>", {"unsupported_element"}},
        ReasonCase{"style_element_attributes",
                   "<svg><style media=\"print\" type=\"text/x\" scoped=\"\"/></svg>",
                   {"unsupported_css_media", "unsupported_css_type", "unsupported_css_scope"}},
        ReasonCase{"style_element_plain_attributes", "<svg><style media=\"all\" type=\"text/css\"/></svg>", {}},
        ReasonCase{"xml_base", "<svg xml:base=\"http://x/\"/>", {"unsupported_external_resource"}},
        ReasonCase{"external_href", "<svg><use href=\"other.svg#a\"/></svg>", {"unsupported_external_resource"}},
        ReasonCase{"image_href", "<svg><image href=\"a.png\"/></svg>", {"unsupported_image"}},
        ReasonCase{"deferred_reason_not_reported", "<svg><rect filter=\"url(#f)\"/></svg>", {}},
        ReasonCase{"conditional_deferred", "<svg><rect systemLanguage=\"en\"/></svg>", {}},
        ReasonCase{"deferrable_on_style_element_reported",
                   "<svg><style systemLanguage=\"en\"/></svg>",
                   {"unsupported_conditional_processing"}},
        ReasonCase{"color_syntax", "<svg flood-color=\"bogus\"/>", {"unsupported_color_syntax"}},
        ReasonCase{
            "color_syntax_trailing", "<svg><g lighting-color=\"red blue\"/></svg>", {"unsupported_color_syntax"}},
        ReasonCase{"color_syntax_trimmed_ok", "<svg><g flood-color=\" red \"/></svg>", {}},
        ReasonCase{"color_syntax_of_css_property_deferred", "<svg><g fill=\"bogus\"/></svg>", {}},
        ReasonCase{"duplicate_id", "<svg><g id=\"a\"/><g id=\"a\"/></svg>", {"unsupported_duplicate_id"}},
        ReasonCase{"ids_inside_ignored_not_registered",
                   "<svg><foo><g id=\"a\"/></foo><g id=\"a\"/></svg>",
                   {"unsupported_element"}},
        ReasonCase{"empty_ids_not_registered", "<svg><g id=\"\"/><g id=\"\"/></svg>", {}},
        ReasonCase{"inline_style_syntax", "<svg><g style=\"fill\"/></svg>", {"unsupported_css_rule"}},
        ReasonCase{"inline_style_comment_removed", "<svg><g style=\"/* x */fill:red\"/></svg>", {}}));

// ---------------------------------------------------------------------------------------------

TEST(XmlReaderTree, ElementsTextAndCharacterData) {
    const auto document = load("<svg><g>text<rect/> </g><text>a&amp;b<![CDATA[<c>]]></text></svg>");
    ASSERT_NE(document, nullptr);
    const SVGRootElement* root = document->rootElement();
    ASSERT_NE(root, nullptr);
    const SVGElement* g = root->firstElementChild();
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(g->id(), ElementID::G);
    EXPECT_EQ(g->hasCharacterData, 1);
    // Text directly inside a group is dropped.
    ASSERT_EQ(g->children().size(), 1u);
    EXPECT_EQ(g->firstElementChild()->hasCharacterData, 0);
    const SVGElement* text = g->nextElementSibling();
    ASSERT_NE(text, nullptr);
    ASSERT_EQ(text->children().size(), 2u);
    EXPECT_EQ(static_cast<const SVGTextNode&>(*text->children()[0]).text(), "a&b");
    EXPECT_EQ(static_cast<const SVGTextNode&>(*text->children()[1]).text(), "<c>");
    EXPECT_EQ(root->hasCharacterData, 0);
}

TEST(XmlReaderTree, WhitespaceOnlyTextCounts) {
    const auto document = load("<svg><g> </g><g></g><g><![CDATA[]]></g></svg>");
    ASSERT_NE(document, nullptr);
    const SVGElement* first = document->rootElement()->firstElementChild();
    EXPECT_EQ(first->hasCharacterData, 1);
    EXPECT_EQ(first->nextElementSibling()->hasCharacterData, 0);
    EXPECT_EQ(first->nextElementSibling()->nextElementSibling()->hasCharacterData, 0);
}

TEST(XmlReaderTree, DuplicateIdKeepsFirstAndStoresBoth) {
    const auto document = load("<svg><g id=\"a\"/><rect id=\"a\"/></svg>");
    ASSERT_NE(document, nullptr);
    const SVGRootElement& root = *document->rootElement();
    const SVGElement* g = root.firstElementChild();
    const SVGElement* rect = g->nextElementSibling();
    EXPECT_EQ(getElementById(root, "a"), g);
    EXPECT_EQ(findAttribute(*rect, PropertyID::Id), "a");
}

TEST(XmlReaderTree, StoredAttributeOfFirstChild) {
    const struct {
        const char* text;
        PropertyID id;
        const char* expected;  // null: not stored
    } cases[] = {
        // href wins over xlink:href in either order.
        {"<svg><use href=\"#a\" xlink:href=\"#b\"/></svg>", PropertyID::Href, "#a"},
        {"<svg><use xlink:href=\"#b\" href=\"#a\"/></svg>", PropertyID::Href, "#a"},
        // Values are decoded.
        {"<svg><g id=\"&#x41;&#65;&#+66;&#x+43;&lt;&gt;&quot;&apos;&amp;\"/></svg>", PropertyID::Id, "AABC<>\"'&"},
        // Style text is not stored.
        {"<svg><g style=\"fill:red\"/></svg>", PropertyID::Style, nullptr}};
    for (const auto& c : cases) {
        const auto document = load(c.text);
        ASSERT_NE(document, nullptr) << c.text;
        const SVGElement& child = *document->rootElement()->firstElementChild();
        if (c.expected)
            EXPECT_EQ(findAttribute(child, c.id), c.expected) << c.text;
        else
            EXPECT_FALSE(hasAttribute(child, c.id)) << c.text;
    }
}

TEST(XmlReaderTree, DeferredReasonsStayOnTheElement) {
    const auto document = load("<svg><rect fill=\"bogus\" filter=\"url(#f)\" pathLength=\"3\"/></svg>");
    ASSERT_NE(document, nullptr);
    EXPECT_TRUE(document->reasons().empty());
    const SVGElement& rect = *document->rootElement()->firstElementChild();
    const DeferredCapabilityMap& deferred = deferredCapabilities(rect);
    ASSERT_EQ(deferred.size(), 3u);
    EXPECT_EQ(deferred.at("fill").reason, "unsupported_color_syntax");
    EXPECT_EQ(deferred.at("fill").specificity, 1);
    EXPECT_EQ(deferred.at("filter").reason, "unsupported_filter");
    EXPECT_EQ(deferred.at("pathLength").reason, "unsupported_path_length");
    // An attribute with a reason is never stored.
    EXPECT_FALSE(hasAttribute(rect, PropertyID::Fill));
}

TEST(XmlReaderTree, StyleSheetAppliedAfterWholeDocument) {
    // The rule matches an element that follows the style element and comes from two sheets.
    const auto document = load(
        "<svg><style>#a { fill: /* x */ red; }</style><g id=\"a\" fill=\"blue\"/>"
        "<style>/* y */#b{stroke:red}</style><g id=\"b\"/></svg>");
    ASSERT_NE(document, nullptr);
    EXPECT_TRUE(document->reasons().empty());
    const SVGElement* a = document->rootElement()->firstElementChild()->nextElementSibling();
    EXPECT_EQ(findAttribute(*a, PropertyID::Fill), "red");
    EXPECT_EQ(findAttribute(*a->nextElementSibling()->nextElementSibling(), PropertyID::Stroke), "red");
}

TEST(XmlReaderTree, NoCommentSpansTwoStyleElements) {
    // Comments are removed per run of text, so an unterminated one cannot swallow a later sheet.
    const auto document = load("<svg><style>/* open</style><style>#b{stroke:red}</style><g id=\"b\"/></svg>");
    ASSERT_NE(document, nullptr);
    const SVGElement* b = document->rootElement()->lastElementChild();
    EXPECT_EQ(findAttribute(*b, PropertyID::Stroke), "red");
}

struct OriginCase {
    const char* label;
    std::string text;
    int expected;
};

class OriginTest : public testing::TestWithParam<OriginCase> {};

TEST_P(OriginTest, Flag) {
    const auto document = load(GetParam().text);
    ASSERT_NE(document, nullptr);
    EXPECT_EQ(document->originFlag(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OriginTest,
    testing::Values(OriginCase{"root", "<svg data-pavrix-origin=\"image-vectorizer\"/>", 1},
                    OriginCase{"root_with_reference", "<svg data-pavrix-origin=\"image&#x2D;vectorizer\"/>", 1},
                    OriginCase{"other_case", "<svg data-pavrix-origin=\"Image-Vectorizer\"/>", 0},
                    OriginCase{"padded", "<svg data-pavrix-origin=\" image-vectorizer\"/>", 0},
                    OriginCase{"child", "<svg><g data-pavrix-origin=\"image-vectorizer\"/></svg>", 0},
                    OriginCase{"ignored_before_root", "<foo data-pavrix-origin=\"image-vectorizer\"/><svg/>", 0},
                    OriginCase{"absent", "<svg/>", 0}));

// ---------------------------------------------------------------------------------------------

TEST(XmlReaderDepth, DeepestAcceptedNesting) {
    // The root is level 1, so 1023 nested groups reach the limit exactly.
    const auto document = load(nested("g", Document::kMaxElementDepth - 1));
    ASSERT_NE(document, nullptr);
    EXPECT_TRUE(document->reasons().empty());
}

TEST(XmlReaderDepth, PastTheLimitFailsCleanly) {
    // One level too deep, a self-closing element past the limit, and hostile nesting.
    for (const std::string& text :
         {nested("g", Document::kMaxElementDepth),
          "<svg>" + repeat("<g>", 1023) + "<rect/>" + repeat("</g>", 1023) + "</svg>", nested("g", 200'000)}) {
        try {
            load(text);
            ADD_FAILURE() << "no capacity error at size " << text.size();
        } catch (const std::length_error& error) {
            EXPECT_STREQ(error.what(), "svg_element_capacity");
        }
    }
}

TEST(XmlReaderDepth, DeepIgnoredContentNeedsNoTree) {
    const auto document = load(nested("foo", 200'000));
    ASSERT_NE(document, nullptr);
    EXPECT_EQ(document->reasons(), Reasons{"unsupported_element"});
}

// ---------------------------------------------------------------------------------------------

TEST(XmlReaderCounters, AttributesAreChargedEverywhere) {
    const auto document = load("<svg a=\"12\"><foo bc=\"&amp;\"><g d=\"\"/></foo></svg>");
    ASSERT_NE(document, nullptr);
    EXPECT_EQ(document->attributeCount(), 3u);
    // Raw value lengths: the reference counts as written.
    EXPECT_EQ(document->attributeBytes(), 1u + 2u + 2u + 5u + 1u + 0u);
}

TEST(XmlReaderNumbers, ValuesIgnoreTheProcessLocale) {
    const char* previous = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = previous ? previous : "C";
    if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8") && !std::setlocale(LC_NUMERIC, "fr_FR.UTF-8"))
        GTEST_SKIP() << "no locale with a decimal comma installed";
    const auto point = load("<svg><rect width=\"1.5\"/></svg>");
    const auto comma = load("<svg><rect width=\"2,5\"/></svg>");
    std::setlocale(LC_NUMERIC, saved.c_str());
    ASSERT_NE(point, nullptr);
    ASSERT_NE(comma, nullptr);
    EXPECT_EQ(point->reasons(), Reasons{});
    EXPECT_EQ(comma->reasons(), Reasons{"unsupported_attribute_value"});
}

// ---------------------------------------------------------------------------------------------

TEST(DecodeEntities, Forms) {
    const struct {
        const char* raw;
        bool doctype;
        const char* expected;  // null: refused
    } cases[] = {{"plain", false, "plain"},
                 {"&#x41;&#65;&#+65;&#x+41;&#x4a;&#x4A;", false, "AAAAJJ"},
                 {"&#xE9;&#x20AC;&#x10000;", false, "\xC3\xA9\xE2\x82\xAC\xF0\x90\x80\x80"},
                 {"&#9;&#10;&#13;", false, "\t\n\r"},
                 {"&amp;&lt;&gt;&quot;&apos;", false, "&<>\"'"},
                 {"&#X41;", false, nullptr},
                 {"&#0;", false, nullptr},
                 {"&#x1F;", false, nullptr},
                 {"&#xD800;", false, nullptr},
                 {"&#xFFFE;", false, nullptr},
                 {"&#x110000;", false, nullptr},
                 {"&#++65;", false, nullptr},
                 {"&#;", false, nullptr},
                 {"&#x;", false, nullptr},
                 {"&#65", false, nullptr},
                 {"&amp", false, nullptr},
                 {"&ampx;", true, nullptr},
                 {"&", false, nullptr},
                 {"a&", true, nullptr},
                 {"&nbsp;", false, nullptr},
                 {"&nbsp;x&a-b.c:d_e9;", true, "?x?"},
                 {"&9a;", true, nullptr},
                 {"&;", true, nullptr},
                 {"&a b;", true, nullptr},
                 {"&#4294967295;", false, nullptr},
                 {"&#4294967296;", false, nullptr},
                 {"&#x00000041;", false, "A"}};
    for (const auto& c : cases) {
        std::string out;
        const bool ok = decodeEntities(c.raw, out, c.doctype);
        if (c.expected) {
            EXPECT_TRUE(ok) << c.raw;
            EXPECT_EQ(out, c.expected) << c.raw;
        } else {
            EXPECT_FALSE(ok) << c.raw;
        }
    }
}

TEST(ValidateXmlDeclaration, Forms) {
    const struct {
        const char* text;
        bool expected;
    } cases[] = {{" version=\"1.0\"", true},
                 {" version='1.1' ", true},
                 {" version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"", true},
                 {" version=\"1.0\" standalone=\"yes\"", true},
                 {" version = \"1.0\"encoding = 'uTf-8'", true},
                 {"", false},
                 {"   ", false},
                 {" encoding=\"utf-8\"", false},
                 {" version=\"1.0\" version=\"1.0\"", false},
                 {" version=\"1.0\" standalone=\"no\" encoding=\"utf-8\"", false},
                 {" version=\"1.0\" standalone=\"no\" standalone=\"no\"", false},
                 {" version=\"1.0\" encoding=\"utf-8\" encoding=\"utf-8\"", false},
                 {" version=\"1.0\" standalone=\"No\"", false},
                 {" version=\"1.0\" encoding=\"utf8\"", false},
                 {" version=\"1.0 \"", false},
                 {" version=\"1.0'", false},
                 {" version=\"1.0", false},
                 {" version \"1.0\"", false},
                 {" version=\"1.0\" other=\"x\"", false},
                 {" version=\"1.0\" 9=\"x\"", false}};
    for (const auto& c : cases)
        EXPECT_EQ(validateXmlDeclaration(c.text), c.expected) << c.text;
}

TEST(ReadXmlName, Forms) {
    const struct {
        std::string input;
        const char* name;  // null: no name
        std::size_t rest;
    } cases[] = {{"rect x", "rect", 2},
                 {"s:rect>", "s:rect", 1},
                 {"_a-b.c9\xC2\xB7=", "_a-b.c9\xC2\xB7", 1},
                 {"\xC3\xA9t\xC3\xA9/", "\xC3\xA9t\xC3\xA9", 1},
                 {"a\xC3", "a", 1},
                 {"9a", nullptr, 2},
                 {"-a", nullptr, 2},
                 {"", nullptr, 0},
                 {"\xC2\xB7", nullptr, 2}};
    for (const auto& c : cases) {
        std::string_view view = c.input;
        std::string name = "unchanged";
        const bool ok = readXmlName(view, name);
        EXPECT_EQ(ok, c.name != nullptr) << c.input;
        EXPECT_EQ(name, c.name ? c.name : "unchanged") << c.input;
        EXPECT_EQ(view.size(), c.rest) << c.input;
    }
}

TEST(StripNamePrefix, Forms) {
    const std::pair<const char*, const char*> cases[] = {
        {"rect", "rect"}, {"xlink:href", "href"}, {":href", ""}, {"xlink:", ""}, {"a:b:c", ""}};
    for (const auto& [name, expected] : cases)
        EXPECT_EQ(stripNamePrefix(name), expected) << name;
}

TEST(ElementReason, Table) {
    EXPECT_EQ(elementReason("script", ElementID::Unknown), "unsupported_script");
    EXPECT_EQ(elementReason("script", ElementID::G), "unsupported_script");
    EXPECT_EQ(elementReason("mask", ElementID::Mask), "unsupported_mask");
    for (ElementID id : {ElementID::LinearGradient, ElementID::Pattern, ElementID::RadialGradient, ElementID::Stop})
        EXPECT_EQ(elementReason("x", id), "unsupported_paint_server");
    EXPECT_EQ(elementReason("image", ElementID::Image), "unsupported_image");
    EXPECT_EQ(elementReason("text", ElementID::Text), "unsupported_text");
    EXPECT_EQ(elementReason("tspan", ElementID::TSpan), "unsupported_text");
    EXPECT_EQ(elementReason("foo", ElementID::Unknown), "unsupported_element");
    for (ElementID id : {ElementID::Circle, ElementID::ClipPath, ElementID::Defs, ElementID::G, ElementID::Marker,
                         ElementID::Path, ElementID::Style, ElementID::Svg, ElementID::Symbol, ElementID::Use})
        EXPECT_EQ(elementReason("x", id), "");
}

TEST(WhitespaceHelpers, Forms) {
    std::string_view view = " \t\r\nab \f";
    EXPECT_TRUE(skipWhitespace(view));
    EXPECT_EQ(view, "ab \f");
    view = " \n";
    EXPECT_FALSE(skipWhitespace(view));
    view = "\t a b \r\n";
    EXPECT_EQ(trimWhitespace(view), 3u);
    EXPECT_EQ(view, "a b");
}

TEST(ParseDocument, NullBytes) {
    Document document;
    EXPECT_FALSE(parseDocument(document, nullptr, 5));
}

}  // namespace
