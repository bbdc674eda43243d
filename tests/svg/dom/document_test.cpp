#include "svg/dom/document.h"
#include "svg/xml/document_loading.h"

#include <gtest/gtest.h>

#include <limits>
#include <stdexcept>

namespace {

using pavrix_svg::Document;
constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();

TEST(DocumentReasons, FirstSeenOrderWithoutDuplicates) {
    Document document;
    for (const char* code : {"a", "b", "a", "B", "b", "c"})
        document.addReason(code);
    EXPECT_EQ(document.reasons(), (std::vector<std::string>{"a", "b", "B", "c"}));
}

TEST(DocumentSerials, LastSerialThenCapacityError) {
    Document document;
    EXPECT_EQ(document.nextElementSerial(), 0);
    EXPECT_EQ(document.nextElementSerial(), 1);
    std::int32_t last = 0;
    while (document.elementSerial() <= Document::kLastElementSerial)
        last = document.nextElementSerial();
    EXPECT_EQ(last, 2147483646);
    try {
        document.nextElementSerial();
        FAIL() << "no capacity error";
    } catch (const std::length_error& error) {
        EXPECT_STREQ(error.what(), "svg_element_capacity");
    }
    EXPECT_EQ(document.elementSerial(), 2147483647);
}

TEST(DocumentDepth, CapAtLimit) {
    EXPECT_NO_THROW(Document::checkElementDepth(Document::kMaxElementDepth));
    EXPECT_THROW(Document::checkElementDepth(Document::kMaxElementDepth + 1), std::length_error);
}

TEST(DocumentCounters, UseExpansion) {
    Document document;
    document.leaveUseExpansion();
    EXPECT_EQ(document.useExpansionDepth(), 0u);
    EXPECT_TRUE(document.enterUseExpansion());
    EXPECT_TRUE(document.enterUseExpansion());
    document.leaveUseExpansion();
    EXPECT_EQ(document.useExpansionDepth(), 1u);
    EXPECT_EQ(document.useExpansionTotal(), 2u);
}

TEST(DocumentCounters, OverflowChangesNothing) {
    Document document;
    ASSERT_TRUE(document.chargePathData(5, kMax - 1));
    EXPECT_FALSE(document.chargePathData(1, 2));
    EXPECT_EQ(document.pathDataCount(), 5u);
    EXPECT_EQ(document.pathDataCost(), kMax - 1);
    EXPECT_TRUE(document.chargePathData(1, 1));

    ASSERT_TRUE(document.chargeTransform(kMax));
    EXPECT_FALSE(document.chargeTransform(1));
    EXPECT_EQ(document.transformCost(), kMax);

    ASSERT_TRUE(document.chargeAttribute(3, 4));
    EXPECT_EQ(document.attributeCount(), 1u);
    EXPECT_EQ(document.attributeBytes(), 7u);
    EXPECT_FALSE(document.chargeAttribute(kMax, 1));
    EXPECT_FALSE(document.chargeAttribute(1, kMax - 7));
    EXPECT_EQ(document.attributeCount(), 1u);
    EXPECT_EQ(document.attributeBytes(), 7u);

    ASSERT_TRUE(document.chargeDeferredCapability(kMax, 1));
    EXPECT_FALSE(document.chargeDeferredCapability(1, 1));
    EXPECT_EQ(document.deferredCount(), kMax);
    EXPECT_EQ(document.deferredBytes(), 1u);
}

TEST(DocumentCounters, CloneCaps) {
    Document document;
    ASSERT_TRUE(document.chargeClonedElements(Document::kMaxClonedElements - 1));
    EXPECT_TRUE(document.chargeClonedElements(1));
    EXPECT_FALSE(document.chargeClonedElements(1));
    EXPECT_FALSE(document.chargeClonedElements(kMax));
    EXPECT_EQ(document.clonedElements(), Document::kMaxClonedElements);

    ASSERT_TRUE(document.chargeCloneAttributeBytes(Document::kMaxCloneAttributeBytes));
    EXPECT_FALSE(document.chargeCloneAttributeBytes(1));
    EXPECT_FALSE(document.chargeCloneAttributeBytes(kMax));
    EXPECT_EQ(document.cloneAttributeBytes(), Document::kMaxCloneAttributeBytes);
}

TEST(DocumentLoad, RootAccess) {
    const auto document = pavrix_svg::loadDocumentFromString("<svg width=\"10\" height=\"20\"/>");
    ASSERT_NE(document, nullptr);
    EXPECT_EQ(document->documentElement(), static_cast<const void*>(document->rootElement()));
    EXPECT_EQ(document->getAttributeByName(document->documentElement(), "width"), "10");
    EXPECT_EQ(document->getAttributeByName(document->documentElement(), "bogus"), "");
    EXPECT_EQ(document->getAttributeByName(nullptr, "width"), "");
    EXPECT_FLOAT_EQ(document->rootWidth(), 10.0f);
    EXPECT_FLOAT_EQ(document->rootHeight(), 20.0f);
}

TEST(DocumentLoad, EmptyDocumentHasNoRoot) {
    Document document;
    EXPECT_EQ(document.documentElement(), nullptr);
    EXPECT_EQ(document.rootElement(true), nullptr);
    EXPECT_EQ(document.rootWidth(), 0.0f);
}

TEST(DocumentLoad, RefusedInputGivesNoDocument) {
    EXPECT_EQ(pavrix_svg::loadDocument(nullptr, 0), nullptr);
    EXPECT_EQ(pavrix_svg::loadDocumentFromString(""), nullptr);
    EXPECT_EQ(pavrix_svg::loadDocumentFromString("<g/>"), nullptr);
}

}  // namespace
