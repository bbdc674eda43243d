// Emission details the entry points cannot reach: per-subpath flags shorter
// than the path, paint servers on the canvas, source text without an exact
// reading, masks beside complex clips.

#include "recorder/paint_emission.h"

#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "recorder/render_pass.h"
#include "svg/dom/document.h"
#include "svg/xml/document_loading.h"
#include "svg/dom/element_tree.h"
#include "svg/dom/paint.h"
#include "svg/exact/path_data_reading.h"

namespace {

using pavrix_svg_core::PaintCommandKind;
using pavrix_svg_core::PaintRecording;

struct Fixture {
    std::unique_ptr<pavrix_svg::Document> document;
    PaintRecording recording;
    std::shared_ptr<pavrix_svg::Canvas> canvas = pavrix_svg::Canvas::createNoop();

    explicit Fixture(const std::string& body) {
        document = pavrix_svg::loadDocumentFromString(
            "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"10\" height=\"10\">" + body + "</svg>");
        if (document)
            document->rootElement(true);
    }
    pavrix_svg::SVGGeometryElement& shape() {
        return static_cast<pavrix_svg::SVGGeometryElement&>(*document->rootElement()->firstElementChild());
    }
    pavrix_svg::SVGRenderState rootState(PaintRecording* target) {
        return pavrix_svg::SVGRenderState(nullptr, nullptr, pavrix_svg::Transform(), pavrix_svg::RenderMode::Painting,
                                          canvas, target);
    }
};

TEST(PaintEmission, MissingSubpathFlagsTakeTheDefault) {
    Fixture f("<path d=\"M0 0 L1 0 L1 1 Z M2 2 L3 2 L3 3 Z M4 4 L5 4 L5 5 Z\"/>");
    ASSERT_TRUE(f.document);
    auto& path = f.shape();
    path.subpathAreaPotential = {0, 0};
    auto root = f.rootState(&f.recording);
    pavrix_svg::SVGRenderState state(&path, root, path.localTransform(), root.mode);
    f.canvas->setColor(0xFF000000u);
    pavrix_svg::emitPaintCommand(state, PaintCommandKind::fill, path.path, 0, nullptr);
    ASSERT_EQ(f.recording.commands.size(), 1u);
    EXPECT_EQ(f.recording.commands[0].source_subpath_area_potential, (std::vector<std::uint8_t>{0, 0, 1}));
}

TEST(PaintEmission, PaintServerOnTheCanvasIsRefused) {
    Fixture f("<rect width=\"1\" height=\"1\"/>");
    ASSERT_TRUE(f.document);
    auto& rect = f.shape();
    auto root = f.rootState(&f.recording);
    pavrix_svg::SVGRenderState state(&rect, root, rect.localTransform(), root.mode);
    f.canvas->setLinearGradient(0, 0, 1, 1, pavrix_svg::SpreadMethod::Pad, {}, pavrix_svg::Transform());
    pavrix_svg::emitPaintCommand(state, PaintCommandKind::fill, rect.path, 0, nullptr);
    EXPECT_TRUE(f.recording.commands.empty());
    EXPECT_EQ(f.document->reasons(), std::vector<std::string>{"unsupported_paint_server"});
}

}  // namespace

namespace {

// Replaces the stored source text without touching the parsed float value.
void overwriteAttributeText(pavrix_svg::SVGElement& element, pavrix_svg::PropertyID id, const std::string& text) {
    for (auto& attribute : element.attributes()) {
        if (attribute.id == id)
            attribute.value = text;
    }
    // The numbers read with the old text would stand in for it.
    element.exactPathOperands.reset();
}

PaintRecording renderRoot(pavrix_svg::Document& document) {
    PaintRecording recording;
    pavrix_svg::installRenderHooks();
    pavrix_svg::SVGRenderState root(nullptr, nullptr, pavrix_svg::Transform(), pavrix_svg::RenderMode::Painting,
                                    pavrix_svg::Canvas::createNoop(), &recording);
    document.rootElement()->render(root);
    return recording;
}

TEST(PaintEmission, ShapeWithoutExactTextIsRefused) {
    Fixture f("<polygon points=\"0,0 1,0 1,1\"/>");
    ASSERT_TRUE(f.document);
    overwriteAttributeText(f.shape(), pavrix_svg::PropertyID::Points, "not numbers");
    const PaintRecording recording = renderRoot(*f.document);
    EXPECT_TRUE(recording.commands.empty());
    EXPECT_EQ(f.document->reasons(), std::vector<std::string>{"unsupported_input_precision"});
}

TEST(PaintEmission, PathWithoutExactTextKeepsItsFloatPath) {
    Fixture f("<path d=\"M0 0 L1 0 L1 1 Z\"/>");
    ASSERT_TRUE(f.document);
    auto& path = f.shape();
    path.pathInputPrecisionError = 0.25;
    path.strokeDirectionInputAmbiguous = 1;
    overwriteAttributeText(path, pavrix_svg::PropertyID::D, "not path data");
    const PaintRecording recording = renderRoot(*f.document);
    ASSERT_EQ(recording.commands.size(), 1u);
    const auto& fill = recording.commands[0];
    EXPECT_FALSE(fill.path_coordinates_exact);
    EXPECT_TRUE(fill.transform_coordinates_exact);
    EXPECT_EQ(fill.path_input_precision_error, 0.25);
    EXPECT_TRUE(fill.stroke_direction_input_ambiguous);
    EXPECT_EQ(fill.path_verbs.size(), 4u);
    EXPECT_EQ(fill.path_points.size(), 3u);
    EXPECT_EQ(fill.source_subpath_area_potential.size(), 1u);
    EXPECT_TRUE(pavrix_svg_core::paintCommandIsWellFormed(fill));
    EXPECT_EQ(recording.verb_count, 4u);
    EXPECT_EQ(recording.point_count, 3u);
}

TEST(PaintEmission, FloatPathPastFloatRangeIsRefused) {
    // 1e38 + 3e38 is finite in double but not in the float path.
    Fixture f("<path d=\"M0 0 L1e38 0 l3e38 0\"/>");
    ASSERT_TRUE(f.document);
    overwriteAttributeText(f.shape(), pavrix_svg::PropertyID::D, "not path data");
    const PaintRecording recording = renderRoot(*f.document);
    EXPECT_TRUE(recording.commands.empty());
    EXPECT_EQ(f.document->reasons(), std::vector<std::string>{"unsupported_input_precision"});
}

TEST(PaintEmission, MaskIsReportedBeforeAComplexClip) {
    Fixture f(
        "<rect width=\"1\" height=\"1\" clip-path=\"url(#c)\"/>"
        "<clipPath id=\"c\"><rect width=\"1\" height=\"1\"/><rect width=\"2\" height=\"2\"/></clipPath>");
    ASSERT_TRUE(f.document);
    auto& rect = f.shape();
    ASSERT_NE(rect.clipper, nullptr);
    // No mask element survives the reader, so stand one in.
    rect.masker = rect.clipper;
    const PaintRecording recording = renderRoot(*f.document);
    EXPECT_TRUE(recording.commands.empty());
    EXPECT_EQ(f.document->reasons(), (std::vector<std::string>{"unsupported_mask", "unsupported_complex_clip"}));
}

}  // namespace

namespace {

struct CanvasColourCase {
    const char* name;
    pavrix_svg::Paint paint;
    bool applies;
    std::uint32_t colour;  // on the canvas afterwards (starts at 0x12345678)
};

class ApplyToCanvasTest : public ::testing::TestWithParam<CanvasColourCase> {};

TEST_P(ApplyToCanvasTest, SetsTheScaledColour) {
    const CanvasColourCase& c = GetParam();
    PaintRecording recording;
    auto canvas = pavrix_svg::Canvas::createNoop();
    canvas->setColor(0x12345678u);
    const pavrix_svg::SVGRenderState state(nullptr, nullptr, pavrix_svg::Transform(), pavrix_svg::RenderMode::Painting,
                                           canvas, &recording);
    EXPECT_EQ(pavrix_svg::applyToCanvas(c.paint, state), c.applies);
    EXPECT_EQ(canvas->color(), c.colour);
}

const float kNaN = std::numeric_limits<float>::quiet_NaN();

INSTANTIATE_TEST_SUITE_P(
    PaintEmission, ApplyToCanvasTest,
    ::testing::Values(CanvasColourCase{"Opaque", {nullptr, 0xFF102030u, 1.0f, 0}, true, 0xFF102030u},
                      CanvasColourCase{"HalfTruncates", {nullptr, 0xFF102030u, 0.5f, 0}, true, 0x7F102030u},
                      CanvasColourCase{"AboveOneClamps", {nullptr, 0x80102030u, 3.0f, 0}, true, 0x80102030u},
                      CanvasColourCase{"ZeroOpacity", {nullptr, 0xFF102030u, 0.0f, 0}, false, 0x12345678u},
                      CanvasColourCase{"TransparentColour", {nullptr, 0x00102030u, 1.0f, 0}, false, 0x12345678u},
                      // The partial flag keeps a paint that rounds to nothing; NaN scales to 0.
                      CanvasColourCase{"FlaggedZero", {nullptr, 0xFF102030u, 0.0f, 1}, true, 0x00102030u},
                      CanvasColourCase{"FlaggedNaN", {nullptr, 0xFF102030u, kNaN, 1}, true, 0x00102030u},
                      CanvasColourCase{"UnflaggedNaN", {nullptr, 0xFF102030u, kNaN, 0}, false, 0x12345678u}),
    [](const ::testing::TestParamInfo<CanvasColourCase>& info) { return info.param.name; });

}  // namespace
