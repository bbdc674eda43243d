// Text is drawn on the canvas but never recorded; the drawing sets the canvas paint per fragment.

#include "graphics/canvas.h"
#include "recorder/render_state.h"
#include "recorder/text_drawing.h"
#include "svg/dom/text_elements.h"
#include "tests/svg/dom/layout_test_support.h"

using namespace pavrix_svg;
using namespace pavrix_svg::layout_test;

namespace {

struct DrawCase {
    const char* attributes;
    RenderMode mode;
    std::uint32_t lastColor;
};

class TextDrawingTest : public testing::TestWithParam<DrawCase> {};

TEST_P(TextDrawingTest, PaintsPerFragment) {
    const DrawCase& c = GetParam();
    auto doc = layOut(wrap(std::string(R"~(<text id="t" x="0 5" y="10" )~") + c.attributes + ">ab</text>"));
    const auto& text = doc.get<SVGTextElement>("t");
    ASSERT_EQ(text.fragments().size(), 2u);
    const std::shared_ptr<Canvas> canvas = Canvas::createNoop();
    canvas->setColor(0x12345678u);
    const SVGRenderState root(nullptr, nullptr, Transform::Identity, c.mode, canvas, nullptr);
    const SVGRenderState state(&text, root, Transform::Identity, c.mode);
    drawTextFragments(text, state);
    EXPECT_EQ(canvas->color(), c.lastColor);
}

INSTANTIATE_TEST_SUITE_P(Paints, TextDrawingTest,
                         testing::Values(DrawCase{R"~(fill="red")~", RenderMode::Painting, 0xffff0000u},
                                         DrawCase{R"~(fill="red" fill-opacity="0.5")~", RenderMode::Painting,
                                                  0x7fff0000u},
                                         DrawCase{R"~(fill="red" stroke="blue")~", RenderMode::Painting, 0xff0000ffu},
                                         DrawCase{R"~(fill="none")~", RenderMode::Painting, 0x12345678u},
                                         DrawCase{R"~(fill="red" stroke="blue")~", RenderMode::Clipping, 0xffffffffu}));

}  // namespace
