// Paint servers putting their paint on a canvas. No entry point reaches them (a document with a
// paint server is refused before rendering), so they are driven here with a hand-made state.

#include "graphics/canvas.h"
#include "recorder/paint_server_hooks.h"
#include "recorder/render_state.h"
#include "svg/dom/paint_server_elements.h"
#include "tests/svg/dom/layout_test_support.h"

using namespace pavrix_svg;
using namespace pavrix_svg::layout_test;

namespace {

struct Painted {
    LaidOutDocument doc;
    std::shared_ptr<Canvas> canvas = Canvas::createNoop();
};

// Paints the server `id` for the element `target` and reports what the canvas holds.
bool paint(const Painted& painted, std::string_view id, std::string_view target, float opacity = 1.0f) {
    installPaintServerHooks();
    const SVGRenderState root(nullptr, nullptr, Transform::Identity, RenderMode::Painting, painted.canvas, nullptr);
    const SVGRenderState state(&painted.doc.get(target), root, Transform::Identity, RenderMode::Painting);
    return painted.doc.get<SVGPaintElement>(id).applyPaint(state, opacity);
}

Painted document(std::string_view content) {
    return Painted{layOut(wrap(std::string(content) + R"~(<rect id="r" x="10" y="10" width="20" height="10"/>)~"))};
}

TEST(PaintServerPaint, LinearGradientWithTwoStopsIsAGradient) {
    const Painted p =
        document(R"~(<linearGradient id="g"><stop offset="0"/><stop offset="1" stop-color="red"/></linearGradient>)~");
    EXPECT_TRUE(paint(p, "g", "r"));
    EXPECT_FALSE(p.canvas->paintIsColor());
}

TEST(PaintServerPaint, OneStopPaintsItsColour) {
    const Painted p =
        document(R"~(<linearGradient id="g"><stop offset="0.3" stop-color="#00ff00"/></linearGradient>)~");
    EXPECT_TRUE(paint(p, "g", "r", 0.5f));
    EXPECT_TRUE(p.canvas->paintIsColor());
    EXPECT_EQ(p.canvas->color(), 0x7f00ff00u);  // alpha truncate(255 * 0.5) = 127
}

TEST(PaintServerPaint, NoStopPaintsNothing) {
    const Painted p = document(R"~(<linearGradient id="g"/><radialGradient id="h"/>)~");
    EXPECT_FALSE(paint(p, "g", "r"));
    EXPECT_FALSE(paint(p, "h", "r"));
}

TEST(PaintServerPaint, CoincidentEndsAndZeroRadiusFallBackToTheLastStop) {
    const Painted p = document(
        R"~(<linearGradient id="g" x1="0.5" x2="0.5"><stop offset="0"/><stop offset="1" stop-color="blue"/></linearGradient>)~"
        R"~(<radialGradient id="h" r="0"><stop offset="0"/><stop offset="1" stop-color="red"/></radialGradient>)~");
    EXPECT_TRUE(paint(p, "g", "r"));
    EXPECT_EQ(p.canvas->color(), 0xff0000ffu);
    EXPECT_TRUE(paint(p, "h", "r"));
    EXPECT_EQ(p.canvas->color(), 0xffff0000u);
}

TEST(PaintServerPaint, StopsComeThroughTheHrefChain) {
    const Painted p = document(R"~(<linearGradient id="base"><stop offset="0"/><stop offset="1"/></linearGradient>)~"
                               R"~(<radialGradient id="h" href="#base"/>)~");
    EXPECT_TRUE(paint(p, "h", "r"));
    EXPECT_FALSE(p.canvas->paintIsColor());
}

TEST(PaintServerPaint, PatternRefusals) {
    const Painted p =
        document(R"~(<pattern id="empty" width="4" height="4"/>)~"
                 R"~(<pattern id="flat" width="0" height="4"><rect width="1" height="1"/></pattern>)~"
                 R"~(<pattern id="tile" width="0.5" height="0.5"><rect width="1" height="1"/></pattern>)~");
    EXPECT_FALSE(paint(p, "empty", "r"));
    EXPECT_FALSE(paint(p, "flat", "r"));  // no area: no tile, no division by a zero scale
    EXPECT_TRUE(paint(p, "tile", "r"));
    EXPECT_FALSE(p.canvas->paintIsColor());

    // A pattern already being rendered on the state chain refuses to paint again.
    const SVGRenderState root(nullptr, nullptr, Transform::Identity, RenderMode::Painting, p.canvas, nullptr);
    const SVGRenderState inside(&p.doc.get("tile"), root, Transform::Identity, RenderMode::Painting);
    const SVGRenderState state(&p.doc.get("r"), inside, Transform::Identity, RenderMode::Painting);
    installPaintServerHooks();
    EXPECT_FALSE(p.doc.get<SVGPaintElement>("tile").applyPaint(state, 1.0f));
}

// The tiles of a pattern painted on the inert recording canvas are inert too: a tile of
// 30000 x 30000 user units would otherwise be a raster surface of several gigabytes.
TEST(PaintServerPaint, PatternTilesOnAnInertCanvasAreInert) {
    static int tiles = 0;
    static int inertTiles = 0;
    tiles = inertTiles = 0;
    static const PaintServerHooks hooks{
        .target =
            [](const SVGRenderState& state) {
                return PaintTarget{state.canvas.get(), state.element->fillBoundingBox(), state.transform};
            },
        .chainRenders = [](const SVGRenderState&, const SVGElement&) { return false; },
        .renderContent =
            [](const SVGElement&, const std::shared_ptr<Canvas>& canvas, const Transform&, const SVGRenderState&) {
                ++tiles;
                inertTiles += canvas->isNoop() ? 1 : 0;
            },
    };
    const Painted p = document(R"~(<pattern id="big" patternUnits="userSpaceOnUse" width="30000" height="30000">)~"
                               R"~(<rect width="1" height="1"/></pattern>)~");
    const SVGRenderState root(nullptr, nullptr, Transform::Identity, RenderMode::Painting, p.canvas, nullptr);
    const SVGRenderState state(&p.doc.get("r"), root, Transform::Identity, RenderMode::Painting);
    setPaintServerHooks(&hooks);
    EXPECT_TRUE(p.doc.get<SVGPaintElement>("big").applyPaint(state, 1.0f));
    installPaintServerHooks();
    EXPECT_EQ(tiles, 1);
    EXPECT_EQ(inertTiles, 1);
}

}  // namespace
