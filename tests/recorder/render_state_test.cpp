#include "recorder/render_state.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <string>

#include "svg/dom/document.h"
#include "svg/xml/document_loading.h"
#include "svg/dom/element_tree.h"

namespace {

using pavrix_svg::chainTransformOperationCount;
using pavrix_svg::Document;
using pavrix_svg::exactLocalTransform;
using pavrix_svg::ExactTransform;
using pavrix_svg::SVGElement;
using pavrix_svg::SVGRenderState;
using pavrix_svg::Transform;

constexpr std::uint32_t kMax = std::numeric_limits<std::uint32_t>::max();

std::unique_ptr<Document> load(const std::string& body) {
    auto document = pavrix_svg::loadDocumentFromString(
        "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"10\" height=\"10\">" + body + "</svg>");
    if (document)
        document->rootElement(true);
    return document;
}

const SVGElement& firstChild(Document& document) {
    return *document.rootElement()->firstElementChild();
}

TEST(RenderState, CountWithoutElementAddsOneForAnyNonIdentity) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    EXPECT_EQ(chainTransformOperationCount(0, nullptr, Transform()), 0u);
    EXPECT_EQ(chainTransformOperationCount(3, nullptr, Transform(1, 0, 0, 1, 0.5f, 0)), 4u);
    // A NaN entry is not the identity.
    EXPECT_EQ(chainTransformOperationCount(3, nullptr, Transform(nan, 0, 0, 1, 0, 0)), 4u);
    EXPECT_EQ(chainTransformOperationCount(kMax, nullptr, Transform(2, 0, 0, 2, 0, 0)), kMax);
}

TEST(RenderState, CountTakesTheElementsOwnOperations) {
    auto document = load("<g transform=\"rotate(30) translate(1 2)\"/><g/>");
    ASSERT_TRUE(document);
    const SVGElement& rotated = firstChild(*document);
    const SVGElement& plain = *rotated.nextElementSibling();
    EXPECT_EQ(chainTransformOperationCount(5, &rotated, rotated.localTransform()), 7u);
    EXPECT_EQ(chainTransformOperationCount(kMax - 1, &rotated, rotated.localTransform()), kMax);
    EXPECT_EQ(chainTransformOperationCount(5, &plain, plain.localTransform()), 5u);
    // A view transform on an element without a transform attribute counts once.
    EXPECT_EQ(chainTransformOperationCount(5, &plain, Transform(2, 0, 0, 2, 0, 0)), 6u);
}

TEST(RenderState, ExactLocalTransformUsesTheDecimalText) {
    auto document = load("<rect transform=\"translate(0.1 0.2)\" width=\"1\" height=\"1\"/>");
    ASSERT_TRUE(document);
    const SVGElement& rect = firstChild(*document);
    const ExactTransform exact = exactLocalTransform(&rect, rect.localTransform());
    EXPECT_EQ(exact, (ExactTransform{1, 0, 0, 1, 0.1, 0.2}));
}

TEST(RenderState, SingularTransformKeepsTheWidenedFloats) {
    auto document = load("<rect transform=\"scale(0) translate(0.1 0.3)\" width=\"1\" height=\"1\"/>");
    ASSERT_TRUE(document);
    const SVGElement& rect = firstChild(*document);
    const Transform local = rect.localTransform();
    EXPECT_EQ(exactLocalTransform(&rect, local), pavrix_svg::toExactTransform(local));
}

TEST(RenderState, ExactRotationReplacesTheFloatOne) {
    auto document = load("<g transform=\"rotate(30)\"/>");
    ASSERT_TRUE(document);
    const SVGElement& g = firstChild(*document);
    const ExactTransform exact = exactLocalTransform(&g, g.localTransform());
    const double angle = 30.0 * 0.017453292519943295;
    // The widened float rotation is off by about 1e-8; the exact one by rounding only.
    EXPECT_NEAR(exact.a, std::cos(angle), 1e-15);
    EXPECT_NEAR(exact.b, std::sin(angle), 1e-15);
    EXPECT_NEAR(exact.c, -std::sin(angle), 1e-15);
    EXPECT_NEAR(exact.d, std::cos(angle), 1e-15);
    EXPECT_GT(std::abs(double(g.localTransform().a()) - std::cos(angle)), 1e-9);
}

TEST(RenderState, ChildStateComposesLocalFirst) {
    auto document = load("<g transform=\"translate(10 0)\"><rect transform=\"rotate(90)\"/></g>");
    ASSERT_TRUE(document);
    const SVGElement& g = firstChild(*document);
    const SVGElement& rect = *g.firstElementChild();
    pavrix_svg_core::PaintRecording recording;
    SVGRenderState root(nullptr, nullptr, Transform(), pavrix_svg::RenderMode::Painting,
                        pavrix_svg::Canvas::createNoop(), &recording);
    SVGRenderState outer(&g, root, g.localTransform(), root.mode);
    SVGRenderState inner(&rect, outer, rect.localTransform(), outer.mode);
    EXPECT_NEAR(inner.exactTransform.a, 0.0, 1e-15);
    EXPECT_NEAR(inner.exactTransform.b, 1.0, 1e-15);
    EXPECT_NEAR(inner.exactTransform.c, -1.0, 1e-15);
    EXPECT_NEAR(inner.exactTransform.d, 0.0, 1e-15);
    EXPECT_EQ(inner.exactTransform.e, 10.0);
    EXPECT_EQ(inner.exactTransform.f, 0.0);
    EXPECT_EQ(inner.transformOperationCount, 2u);
    EXPECT_EQ(inner.canvas, root.canvas);
    EXPECT_EQ(inner.recording, &recording);
    EXPECT_TRUE(pavrix_svg::stateChainContains(inner, &g));
    EXPECT_FALSE(pavrix_svg::stateChainContains(outer, &rect));
}

TEST(RenderState, ReasonsNeedARecording) {
    auto document = load("<g/>");
    ASSERT_TRUE(document);
    const SVGElement& g = firstChild(*document);
    SVGRenderState painting(&g, nullptr, Transform(), pavrix_svg::RenderMode::Painting,
                            pavrix_svg::Canvas::createNoop(), nullptr);
    pavrix_svg::reportRenderReason(painting, "unsupported_mask");
    EXPECT_TRUE(document->reasons().empty());
    pavrix_svg_core::PaintRecording recording;
    SVGRenderState recorded(&g, nullptr, Transform(), pavrix_svg::RenderMode::Painting,
                            pavrix_svg::Canvas::createNoop(), &recording);
    pavrix_svg::reportRenderReason(recorded, "unsupported_mask", nullptr);
    EXPECT_TRUE(document->reasons().empty());
    pavrix_svg::reportRenderReason(recorded, "unsupported_mask");
    EXPECT_EQ(document->reasons(), std::vector<std::string>{"unsupported_mask"});
}

TEST(RenderState, MarkerChainAgreesWithTheWholeChain) {
    auto document = load(
        "<marker id=\"a\"><path d=\"M0 0 L1 1\"/></marker>"
        "<marker id=\"b\"><g><path d=\"M0 0 L1 1\"/></g></marker><g/>");
    ASSERT_TRUE(document);
    const SVGElement& a = firstChild(*document);
    const SVGElement& b = *a.nextElementSibling();
    const SVGElement& g = *b.nextElementSibling();
    const SVGElement& pathA = *a.firstElementChild();
    const SVGElement& groupB = *b.firstElementChild();
    pavrix_svg_core::PaintRecording recording;
    SVGRenderState root(nullptr, nullptr, Transform(), pavrix_svg::RenderMode::Painting,
                        pavrix_svg::Canvas::createNoop(), &recording);
    SVGRenderState outer(&g, root, Transform(), root.mode);
    SVGRenderState markerA(&a, outer, Transform(), root.mode);
    SVGRenderState inA(&pathA, markerA, Transform(), root.mode);
    SVGRenderState markerB(&b, inA, Transform(), root.mode);
    SVGRenderState inB(&groupB, markerB, Transform(), root.mode);
    const SVGRenderState* states[] = {&root, &outer, &markerA, &inA, &markerB, &inB};
    for (const SVGRenderState* state : states) {
        for (const SVGElement* marker : {&a, &b}) {
            EXPECT_EQ(pavrix_svg::markerChainContains(*state, marker), pavrix_svg::stateChainContains(*state, marker));
        }
    }
    EXPECT_EQ(inB.depth, 5u);
}

TEST(RenderState, DeferredReasonsAreSeenFromBelow) {
    auto document = load("<g paint-order=\"stroke\"><g><rect width=\"1\" height=\"1\"/></g></g><g/>");
    ASSERT_TRUE(document);
    const SVGElement& outerG = firstChild(*document);
    const SVGElement& innerG = *outerG.firstElementChild();
    const SVGElement& rect = *innerG.firstElementChild();
    const SVGElement& plain = *outerG.nextElementSibling();
    pavrix_svg_core::PaintRecording recording;
    SVGRenderState root(nullptr, nullptr, Transform(), pavrix_svg::RenderMode::Painting,
                        pavrix_svg::Canvas::createNoop(), &recording);
    SVGRenderState clean(&plain, root, Transform(), root.mode);
    EXPECT_TRUE(pavrix_svg::reportDeferredCapabilities(clean));
    SVGRenderState outer(&outerG, root, Transform(), root.mode);
    SVGRenderState inner(&innerG, outer, Transform(), root.mode);
    SVGRenderState shape(&rect, inner, Transform(), root.mode);
    EXPECT_FALSE(pavrix_svg::reportDeferredCapabilities(shape));
    EXPECT_TRUE(shape.suppressed);
    EXPECT_FALSE(inner.suppressed);
    EXPECT_EQ(document->reasons(), std::vector<std::string>{"unsupported_paint_order"});
}

}  // namespace
