#include <limits>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "svg/dom/document.h"
#include "svg/dom/element_tree.h"

namespace pavrix_svg {
namespace {

constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();

class AttributeTest : public ::testing::Test {
protected:
    AttributeTest() {
        auto root = makeNode<SVGRootElement>(document);
        this->root = root.get();
        document.resetRoot(std::move(root));
    }

    SVGElement* add(ElementID id) { return addChild(*root, createElement(document, id)); }

    bool hasReason(std::string_view code) const {
        for (const std::string& reason : document.reasons()) {
            if (reason == code)
                return true;
        }
        return false;
    }

    Document document;
    SVGRootElement* root = nullptr;
};

TEST_F(AttributeTest, SpecificityLadder) {
    SVGElement* rect = add(ElementID::Rect);
    const std::int32_t ladder[] = {1, 16, 256, 4096, 65536};
    for (const std::int32_t specificity : ladder) {
        EXPECT_TRUE(setAttribute(*rect, specificity, PropertyID::Fill, std::to_string(specificity)));
        EXPECT_EQ(findAttribute(*rect, PropertyID::Fill), std::to_string(specificity));
    }
    // Every weaker source is refused once the strongest is stored.
    for (const std::int32_t specificity : ladder) {
        if (specificity == 65536)
            continue;
        EXPECT_FALSE(setAttribute(*rect, specificity, PropertyID::Fill, "weaker"));
        EXPECT_EQ(findAttribute(*rect, PropertyID::Fill), "65536");
    }
    // An equal one replaces.
    EXPECT_TRUE(setAttribute(*rect, 65536, PropertyID::Fill, "equal"));
    EXPECT_EQ(findAttribute(*rect, PropertyID::Fill), "equal");

    // Each rung beats every rung below it.
    for (std::size_t strong = 1; strong < std::size(ladder); ++strong) {
        SVGElement* element = add(ElementID::G);
        ASSERT_TRUE(setAttribute(*element, ladder[strong], PropertyID::Opacity, "strong"));
        for (std::size_t weak = 0; weak < strong; ++weak)
            EXPECT_FALSE(setAttribute(*element, ladder[weak], PropertyID::Opacity, "weak"));
        EXPECT_EQ(findAttribute(*element, PropertyID::Opacity), "strong");
    }
}

TEST_F(AttributeTest, LowerSpecificityIsNeitherParsedNorStored) {
    SVGElement* use = add(ElementID::Use);
    ASSERT_TRUE(setAttribute(*use, 1, PropertyID::Href, "#a"));
    EXPECT_FALSE(setAttribute(*use, 0, PropertyID::Href, "#b"));
    EXPECT_EQ(static_cast<SVGUseElement*>(use)->href(), "#a");
    EXPECT_EQ(findAttribute(*use, PropertyID::Href), "#a");
    // One entry per PropertyID.
    EXPECT_EQ(std::distance(use->attributes().begin(), use->attributes().end()), 1);
}

TEST_F(AttributeTest, FailedParseIsStoredAndReported) {
    SVGElement* svg = add(ElementID::Svg);
    ASSERT_TRUE(setAttribute(*svg, 1, PropertyID::Width, "12"));
    EXPECT_TRUE(setAttribute(*svg, 1, PropertyID::Width, "-5"));
    EXPECT_EQ(findAttribute(*svg, PropertyID::Width), "-5");
    EXPECT_FLOAT_EQ(static_cast<SVGSVGElement*>(svg)->width().value(), 12.0f);  // property keeps its value
    EXPECT_TRUE(hasReason("unsupported_attribute_value"));
}

TEST_F(AttributeTest, AttributeParseMarksDocumentForLayout) {
    root->computedWidth = 10.0f;
    SVGElement* g = add(ElementID::G);
    setAttribute(*g, 1, PropertyID::Fill, "red");
    EXPECT_EQ(root->computedWidth, -1.0f);
}

TEST_F(AttributeTest, PathDataOnNonPathElementIsChargedButNotParsed) {
    SVGElement* g = add(ElementID::G);
    EXPECT_FALSE(g->parseAttribute(PropertyID::D, "M0 0 L1 1"));
    EXPECT_GT(document.pathDataCount(), 0u);
    EXPECT_TRUE(document.reasons().empty());
    EXPECT_TRUE(setAttribute(*g, 1, PropertyID::D, "M0 0 L1 1"));  // stored all the same
}

TEST_F(AttributeTest, PathAuditIsStoredAfterParse) {
    SVGElement* path = add(ElementID::Path);
    ASSERT_TRUE(path->parseAttribute(PropertyID::D, "M0 0 l1 1 l1 1 l1 1"));
    EXPECT_EQ(path->relativePathOperationCount, 3u);
    EXPECT_EQ(path->subpathAreaPotential.size(), 1u);
    EXPECT_FALSE(path->parseAttribute(PropertyID::D, "L0 0"));
    EXPECT_TRUE(hasReason("unsupported_attribute_value"));
    SVGElement* g = add(ElementID::G);
    ASSERT_TRUE(g->parseAttribute(PropertyID::Transform, "rotate(30) translate(1 2)"));
    EXPECT_EQ(g->transformOperationCount, 2u);
    EXPECT_GT(g->transformLinearPrecisionError, 0.0);
}

// A value that cannot be charged must not vanish while the document passes as supported.
TEST(AttributeCharges, FailedChargesReportComplexity) {
    struct Case {
        const char* name;
        bool (*exhaust)(Document&);
        ElementID kind;
        PropertyID id;
        const char* value;
    };
    const Case cases[] = {
        {"path data", [](Document& d) { return d.chargePathData(kMax, 0); }, ElementID::Path, PropertyID::D,
         "M0 0 L1 1"},
        {"points", [](Document& d) { return d.chargePathData(0, kMax); }, ElementID::Polygon, PropertyID::Points,
         "0 0 1 1"},
        {"transform", [](Document& d) { return d.chargeTransform(kMax); }, ElementID::G, PropertyID::Transform,
         "scale(2)"},
        {"deferred", [](Document& d) { return d.chargeDeferredCapability(kMax, 0); }, ElementID::G, PropertyID::Unknown,
         "unsupported_filter"},
    };
    for (const Case& c : cases) {
        Document document;
        document.resetRoot(makeNode<SVGRootElement>(document));
        SVGElement* element = addChild(*document.rootElement(), createElement(document, c.kind));
        ASSERT_TRUE(c.exhaust(document)) << c.name;
        if (c.id == PropertyID::Unknown)
            EXPECT_FALSE(recordDeferredCapability(*element, 1, "filter", c.value));
        else
            setAttribute(*element, 1, c.id, c.value);
        ASSERT_FALSE(document.reasons().empty()) << c.name;
        EXPECT_EQ(document.reasons().front(), "unsupported_complexity") << c.name;
    }
}

TEST_F(AttributeTest, DeferredCapabilitySpecificityAndCharges) {
    SVGElement* g = add(ElementID::G);
    EXPECT_TRUE(deferredCapabilities(*g).empty());
    ASSERT_TRUE(recordDeferredCapability(*g, 16, "filter", "unsupported_filter"));
    EXPECT_EQ(document.deferredCount(), 1u);
    EXPECT_EQ(document.deferredBytes(), 6u + 18u + 136u);
    EXPECT_FALSE(recordDeferredCapability(*g, 1, "filter", ""));
    ASSERT_TRUE(recordDeferredCapability(*g, 16, "filter", "unsupported_filter_longer"));
    EXPECT_EQ(document.deferredBytes(), 6u + 25u + 136u);
    // Shrinking is never credited back; an empty reason keeps the entry.
    ASSERT_TRUE(recordDeferredCapability(*g, 256, "filter", ""));
    EXPECT_EQ(document.deferredBytes(), 6u + 25u + 136u);
    ASSERT_EQ(deferredCapabilities(*g).size(), 1u);
    EXPECT_EQ(deferredCapabilities(*g).at("filter").specificity, 256);
    EXPECT_EQ(deferredCapabilities(*g).at("filter").reason, "");
}

TEST_F(AttributeTest, SharedDeferredMapIsCopiedOnWrite) {
    SVGElement* source = add(ElementID::G);
    ASSERT_TRUE(recordDeferredCapability(*source, 1, "filter", "unsupported_filter"));
    SVGElement* copy = add(ElementID::G);
    shareDeferredCapabilities(*source, *copy);
    EXPECT_EQ(&deferredCapabilities(*source), &deferredCapabilities(*copy));
    const std::uint64_t before = document.deferredBytes();
    ASSERT_TRUE(recordDeferredCapability(*copy, 1, "mask", "unsupported_mask"));
    // The copy paid for its own copy of the map and the new entry.
    EXPECT_EQ(document.deferredBytes(), before + (6u + 18u + 136u) + (4u + 16u + 136u));
    EXPECT_EQ(deferredCapabilities(*source).size(), 1u);
    EXPECT_EQ(deferredCapabilities(*copy).size(), 2u);
    ASSERT_TRUE(recordDeferredCapability(*source, 1, "clip", "x"));
    EXPECT_EQ(deferredCapabilities(*copy).count("clip"), 0u);
}

TEST_F(AttributeTest, ImageHrefDecoding) {
    auto* image = static_cast<SVGImageElement*>(add(ElementID::Image));
    const std::string_view values[] = {"data:,",
                                       "data:",
                                       "data:image/png;base64",
                                       "data:image/png;base64,!!!!",
                                       "/nonexistent/file.png",
                                       std::string_view("a\0b", 3),
                                       ""};
    for (const std::string_view value : values) {
        setAttribute(*image, 1, PropertyID::Href, value);
        EXPECT_TRUE(image->bitmap().isNull()) << value;
    }
    // A 1x1 PNG as base64 decodes.
    setAttribute(
        *image, 1, PropertyID::Href,
        "data:image/"
        "png;base64,iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJAAAADUlEQVR42mNk+M9QDwADhgGAWjR9awAAAABJRU5ErkJggg==");
    EXPECT_FALSE(image->bitmap().isNull());
    EXPECT_EQ(bitmapWidth(image->bitmap()), 1);
}

TEST_F(AttributeTest, CopyAttributesKeepsOrderAndSpecificity) {
    SVGElement* source = add(ElementID::Rect);
    setAttribute(*source, 1, PropertyID::Width, "5");
    setAttribute(*source, 256, PropertyID::Fill, "red");
    SVGElement* target = add(ElementID::Rect);
    copyAttributes(*target, source->attributes());
    auto s = source->attributes().begin();
    auto t = target->attributes().begin();
    for (; s != source->attributes().end() && t != target->attributes().end(); ++s, ++t) {
        EXPECT_EQ(s->id, t->id);
        EXPECT_EQ(s->specificity, t->specificity);
        EXPECT_EQ(s->value, t->value);
    }
    EXPECT_EQ(s, source->attributes().end());
    EXPECT_EQ(t, target->attributes().end());
}

}  // namespace
}  // namespace pavrix_svg
