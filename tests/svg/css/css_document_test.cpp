// The style sheet and style attributes as the XML reader hands them over.
#include "svg/dom/document.h"
#include "svg/xml/document_loading.h"
#include "svg/dom/element_id.h"
#include "svg/dom/property_id.h"
#include "svg/dom/svg_element.h"
#include "svg/dom/svg_svg_element.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace pavrix_svg {
namespace {

std::unique_ptr<Document> load(const std::string& body) {
    return loadDocumentFromString("<svg xmlns=\"http://www.w3.org/2000/svg\">" + body + "</svg>");
}

SVGElement& firstChild(Document& document) {
    SVGElement* root = document.documentElement();
    EXPECT_NE(root, nullptr);
    EXPECT_NE(root->firstElementChild(), nullptr);
    return *root->firstElementChild();
}

TEST(CssDocument, SheetAndInlineStyleReachElements) {
    auto document = load(
        "<style>/* a */ .a { fill: red } /**/rect { stroke: green }</style>"
        "<rect class=\"a\" style=\"stroke: blue /* b */\"/>");
    ASSERT_NE(document, nullptr);
    // The style element comes first; the rect is its next sibling.
    SVGElement& rect = *firstChild(*document).nextElementSibling();
    EXPECT_EQ(findAttribute(rect, PropertyID::Fill), "red");
    EXPECT_EQ(findAttribute(rect, PropertyID::Stroke), "blue ");
    EXPECT_TRUE(document->reasons().empty());
}

TEST(CssDocument, SheetsAreGatheredAndAppliedAfterReading) {
    auto document =
        load("<rect id=\"r\"/><style>#r { fill: red }</style><style>rect { fill: blue !important }</style>");
    ASSERT_NE(document, nullptr);
    EXPECT_EQ(findAttribute(firstChild(*document), PropertyID::Fill), "blue");
}

TEST(CssDocument, WhitespaceTextIsNotEmpty) {
    auto document = load("<style>g:empty { fill: red }</style><g> </g><g></g>");
    ASSERT_NE(document, nullptr);
    SVGElement& style = firstChild(*document);
    SVGElement& spaced = *style.nextElementSibling();
    SVGElement& bare = *spaced.nextElementSibling();
    EXPECT_EQ(findAttribute(spaced, PropertyID::Fill), "");
    EXPECT_EQ(findAttribute(bare, PropertyID::Fill), "red");
}

TEST(CssDocument, SheetReasonsFollowReaderReasons) {
    auto document = load(
        "<style>@media print { } rect:hover { fill: red }</style>"
        "<rect style=\"fill red\"/><foo/>");
    ASSERT_NE(document, nullptr);
    EXPECT_EQ(document->reasons(), (std::vector<std::string>{"unsupported_css_rule", "unsupported_element",
                                                             "unsupported_css_at_rule", "unsupported_css_selector"}));
}

TEST(CssDocument, DeferredReasonStaysOnElement) {
    auto document = load("<style>rect { mask: url(#m) }</style><rect/>");
    ASSERT_NE(document, nullptr);
    EXPECT_TRUE(document->reasons().empty());
    SVGElement& rect = *firstChild(*document).nextElementSibling();
    EXPECT_EQ(deferredCapabilities(rect).at("mask").reason, "unsupported_mask");
}

}  // namespace
}  // namespace pavrix_svg
