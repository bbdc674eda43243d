#include "svg/dom/geometry_element.h"
#include "svg/dom/paint_server_elements.h"
#include "tests/svg/dom/layout_test_support.h"

using namespace pavrix_svg;
using namespace pavrix_svg::layout_test;

namespace {

// Parses a document of paint servers; the reader flags them as unsupported but keeps the tree.
LaidOutDocument servers(std::string_view content) {
    return layOut(wrap(content));
}

TEST(GradientChain, LoopStopsAtTheFirstRepeatedElement) {
    auto doc = servers(R"~(<linearGradient id="a" href="#b"/><linearGradient id="b" href="#a" x1="5" y2="7"/>)~");
    const auto& a = doc.get<SVGLinearGradientElement>("a");
    const GradientAttributes attributes = collectGradientAttributes(a);
    EXPECT_EQ(attributes.x1, &doc.get("b"));
    EXPECT_EQ(attributes.y2, &doc.get("b"));
    EXPECT_EQ(attributes.x2, &a);
    EXPECT_EQ(attributes.gradientUnits, &a);
    EXPECT_EQ(attributes.stops, &a);
}

TEST(GradientChain, SelfReference) {
    auto doc = servers(R"~(<radialGradient id="a" href="#a" r="3"/>)~");
    const auto& a = doc.get<SVGRadialGradientElement>("a");
    const GradientAttributes attributes = collectRadialGradientAttributes(a);
    EXPECT_EQ(attributes.r, &a);
    EXPECT_EQ(attributes.fx, nullptr);
    EXPECT_EQ(attributes.fy, nullptr);
}

TEST(GradientChain, GeometryOnlyFromTheSameKindCommonFromAny) {
    auto doc = servers(
        R"~(<radialGradient id="r" href="#l"/>)~"
        R"~(<linearGradient id="l" href="#r2" r="5" fx="1" gradientUnits="userSpaceOnUse" spreadMethod="reflect">)~"
        R"~(<stop offset="0.5"/></linearGradient>)~"
        R"~(<radialGradient id="r2" cx="9" fy="4" gradientTransform="scale(2)"/>)~");
    const auto& r = doc.get<SVGRadialGradientElement>("r");
    const GradientAttributes attributes = collectRadialGradientAttributes(r);
    EXPECT_EQ(attributes.r, &r);  // the linear gradient's r attribute does not count
    EXPECT_EQ(attributes.fx, nullptr);
    EXPECT_EQ(attributes.cx, &doc.get("r2"));
    EXPECT_EQ(attributes.fy, &doc.get("r2"));
    EXPECT_EQ(attributes.gradientUnits, &doc.get("l"));
    EXPECT_EQ(attributes.spreadMethod, &doc.get("l"));
    EXPECT_EQ(attributes.gradientTransform, &doc.get("r2"));
    EXPECT_EQ(attributes.stops, &doc.get("l"));
    EXPECT_EQ(attributes.spreadMethod->spreadMethod().value(), SpreadMethod::Reflect);
}

TEST(GradientChain, PatternsFollowOnlyPatterns) {
    auto doc = servers(
        R"~(<pattern id="p" href="#q" x="1"/><pattern id="q" href="#g" width="4"><rect width="1" height="1"/></pattern>)~"
        R"~(<linearGradient id="g" height="9"/>)~");
    const auto& p = doc.get<SVGPatternElement>("p");
    const PatternAttributes attributes = collectPatternAttributes(p);
    EXPECT_EQ(attributes.x, &p);
    EXPECT_EQ(attributes.width, &doc.get("q"));
    EXPECT_EQ(attributes.height, &p);
    EXPECT_EQ(attributes.content, &doc.get("q"));

    auto empty = servers(R"~(<pattern id="p"/>)~");
    EXPECT_EQ(collectPatternAttributes(empty.get<SVGPatternElement>("p")).content, nullptr);
}

TEST(GradientStops, ColoursAndOpacity) {
    auto doc = servers(R"~(<linearGradient id="g"><stop id="a" offset="0.25" stop-color="#ff8000"/>)~"
                       R"~(<rect/><stop id="b" offset="75%" stop-color="rgba(0,0,255,0.5)"/></linearGradient>)~");
    setAttribute(doc.get("a"), 1, PropertyID::StopOpacity, "0.5");
    layoutIfNeeded(doc.root());
    EXPECT_EQ(doc.get<SVGStopElement>("a").stopOpacity, 0.5f);

    const GradientStops stops = buildGradientStops(&doc.get("g"), 1.0f);
    ASSERT_EQ(stops.size(), 2u);
    EXPECT_FLOAT_EQ(stops[0].offset, 0.25f);
    EXPECT_FLOAT_EQ(stops[0].red, 1.0f);
    EXPECT_FLOAT_EQ(stops[0].green, 128.0f / 255.0f);
    EXPECT_FLOAT_EQ(stops[0].blue, 0.0f);
    EXPECT_FLOAT_EQ(stops[0].alpha, 127.0f / 255.0f);
    EXPECT_FLOAT_EQ(stops[1].offset, 0.75f);
    EXPECT_FLOAT_EQ(stops[1].alpha, 128.0f / 255.0f);

    const GradientStops faded = buildGradientStops(&doc.get("g"), 0.5f);
    EXPECT_FLOAT_EQ(faded[1].alpha, 64.0f / 255.0f);
    EXPECT_TRUE(buildGradientStops(nullptr, 1.0f).empty());
}

TEST(StopElement, StopColourAndOpacityAreReset) {
    auto doc = servers(R"~(<linearGradient id="g" stop-color="red" stop-opacity="0"><stop id="s"/></linearGradient>)~");
    const auto& stop = doc.get<SVGStopElement>("s");
    EXPECT_EQ(stop.stopColor, 0xff000000u);
    EXPECT_EQ(stop.stopOpacity, 1.0f);
}

TEST(PaintServer, UrlPaintResolvesTheServer) {
    auto doc = servers(R"~(<linearGradient id="g"/><rect id="r"/>)~");
    setAttribute(doc.get("r"), 1, PropertyID::Fill, "url(#g)");
    layoutIfNeeded(doc.root());
    const auto& rect = doc.get<SVGGeometryElement>("r");
    EXPECT_EQ(rect.fillPaint.server, &doc.get("g"));
    EXPECT_EQ(rect.fillPaint.color, 0u);
    EXPECT_TRUE(isRenderable(rect.fillPaint));
}

}  // namespace
