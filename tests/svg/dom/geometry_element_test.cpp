#include <array>
#include <cmath>
#include <vector>

#include "svg/dom/geometry_element.h"
#include "svg/dom/shape_elements.h"
#include "tests/svg/dom/layout_test_support.h"

using namespace pavrix_svg;
using namespace pavrix_svg::layout_test;

namespace {

std::vector<PathCommand> commandsOf(const Path& path) {
    std::vector<PathCommand> commands;
    std::array<Point, 3> points{};
    for (PathIterator it(path); !it.isDone(); it.next())
        commands.push_back(it.currentSegment(points));
    return commands;
}

void expectRect(const Rect& actual, const Rect& expected) {
    EXPECT_FLOAT_EQ(actual.x, expected.x);
    EXPECT_FLOAT_EQ(actual.y, expected.y);
    EXPECT_FLOAT_EQ(actual.w, expected.w);
    EXPECT_FLOAT_EQ(actual.h, expected.h);
}

// --- Stroke data read from the text -------------------------------------------------------------

struct StrokeCase {
    const char* attributes;
    float width;
    double exactWidth;
    double exactMiterLimit;
    double exactDashOffset;
    std::vector<double> exactDashes;
};

class StrokeDataTest : public testing::TestWithParam<StrokeCase> {};

TEST_P(StrokeDataTest, ExactSideFromTheText) {
    const StrokeCase& c = GetParam();
    auto doc = layOut(wrap(std::string(R"~(<path id="p" d="M0 0 L10 0" )~") + c.attributes + "/>"));
    const StrokeData& data = doc.get<SVGGeometryElement>("p").strokeData;
    EXPECT_FLOAT_EQ(data.width, c.width);
    EXPECT_EQ(data.exactWidth, c.exactWidth);
    EXPECT_EQ(data.exactMiterLimit, c.exactMiterLimit);
    EXPECT_EQ(data.exactDashOffset, c.exactDashOffset);
    EXPECT_EQ(data.exactDashArray, c.exactDashes);
    EXPECT_EQ(data.exactDashArray.size(), data.dashArray.size());
}

INSTANTIATE_TEST_SUITE_P(
    Texts, StrokeDataTest,
    testing::Values(
        StrokeCase{"", 1.0f, 1.0, 4.0, 0.0, {}},
        StrokeCase{R"~(stroke-width="2mm")~", 2.0f * 96.0f / 25.4f, 7.559055118110237, 4.0, 0.0, {}},
        StrokeCase{R"~(stroke-width="0.1" stroke-miterlimit="4.1")~", 0.1f, 0.1, 4.1, 0.0, {}},
        StrokeCase{
            R"~(stroke-width="1pt" stroke-dashoffset="-0.3")~", 96.0f / 72.0f, 1.3333333333333333, 4.0, -0.3, {}},
        StrokeCase{R"~(stroke-dasharray="0.1, 1mm 3")~", 1.0f, 1.0, 4.0, 0.0, {0.1, 3.7795275590551185, 3.0}},
        // A refused float value falls back on both sides; the exact reader alone
        // would take "-1" and hexadecimal "0x10" (16) beside the float fallback.
        StrokeCase{R"~(stroke-width="-1" stroke-miterlimit="x")~", 1.0f, 1.0, 4.0, 0.0, {}},
        StrokeCase{
            R"~(stroke-width="0x10" stroke-miterlimit="0x10" stroke-dashoffset="0x10")~", 1.0f, 1.0, 4.0, 0.0, {}}));

// The float list ends at a doubled comma; the exact entries stay aligned with it by index.
TEST(StrokeData, DashEntriesAlignByIndex) {
    auto doc = layOut(wrap(R"~(<path id="p" d="M0 0 L1 0"/>)~"));
    setAttribute(doc.get("p"), 1, PropertyID::StrokeDasharray, "0.1,,3");
    layoutIfNeeded(doc.root());
    const StrokeData& data = doc.get<SVGGeometryElement>("p").strokeData;
    ASSERT_EQ(data.dashArray.size(), 1u);
    EXPECT_EQ(data.exactDashArray, (std::vector<double>{0.1}));
}

TEST(StrokeData, EmWidthsUseTheElementsOwnFontSize) {
    auto doc =
        layOut(wrap(R"~(<path id="p" d="M0 0 L1 0" font-size="20" stroke-width="2em" stroke-dasharray="0.5em"/>)~"));
    const StrokeData& data = doc.get<SVGGeometryElement>("p").strokeData;
    EXPECT_FLOAT_EQ(data.width, 40.0f);
    EXPECT_DOUBLE_EQ(data.exactWidth, 40.0);
    ASSERT_EQ(data.dashArray.size(), 1u);
    EXPECT_FLOAT_EQ(data.dashArray[0], 10.0f);
    EXPECT_DOUBLE_EQ(data.exactDashArray[0], 10.0);
}

TEST(StrokeData, CapJoinAndCanvasSide) {
    auto doc = layOut(wrap(
        R"~(<path id="p" d="M0 0 L1 0" stroke-linecap="round" stroke-linejoin="bevel" stroke-dasharray="2 3"/>)~"));
    const StrokeData& data = doc.get<SVGGeometryElement>("p").strokeData;
    EXPECT_EQ(data.lineCap, 1);
    EXPECT_EQ(data.lineJoin, 2);
    const CanvasStroke stroke = data.canvasStroke();
    EXPECT_EQ(stroke.lineCap, LineCap::Round);
    EXPECT_EQ(stroke.lineJoin, LineJoin::Bevel);
    EXPECT_EQ(stroke.dashArray, (std::vector<float>{2.0f, 3.0f}));
}

// --- Shapes ----------------------------------------------------------------------------------------

struct ShapeCase {
    const char* element;
    Rect box;
    std::vector<PathCommand> commands;
};

class ShapeTest : public testing::TestWithParam<ShapeCase> {};

using PC = PathCommand;

TEST_P(ShapeTest, PathAndFillBox) {
    const ShapeCase& c = GetParam();
    auto doc = layOut(wrap(c.element, R"~(viewBox="0 0 300 400")~"));
    const auto& shape = doc.get<SVGGeometryElement>("s");
    expectRect(shape.fillBox, c.box);
    expectRect(shape.fillBoundingBox(), c.box);
    EXPECT_EQ(commandsOf(shape.path), c.commands);
}

const std::vector<PathCommand> kEllipse = {PC::move_to,  PC::cubic_to, PC::cubic_to,
                                           PC::cubic_to, PC::cubic_to, PC::close};
const std::vector<PathCommand> kRoundRect = {PC::move_to,  PC::cubic_to, PC::line_to,  PC::cubic_to, PC::line_to,
                                             PC::cubic_to, PC::line_to,  PC::cubic_to, PC::line_to,  PC::close};
const std::vector<PathCommand> kRect = {PC::move_to, PC::line_to, PC::line_to, PC::line_to, PC::line_to, PC::close};

INSTANTIATE_TEST_SUITE_P(
    Shapes, ShapeTest,
    testing::Values(
        ShapeCase{R"~(<circle id="s" cx="10" cy="20" r="5"/>)~", {5, 15, 10, 10}, kEllipse},
        ShapeCase{R"~(<circle id="s" cx="10" cy="20" r="0"/>)~", {0, 0, 0, 0}, {}},
        ShapeCase{R"~(<circle id="s" cx="10" cy="20"/>)~", {0, 0, 0, 0}, {}},
        // Diagonal percentages: sqrt(300^2 + 400^2) / sqrt(2) = 353.55339.
        ShapeCase{R"~(<ellipse id="s" rx="10%" ry="20"/>)~", {-35.355339f, -20, 70.710678f, 40}, kEllipse},
        ShapeCase{R"~(<ellipse id="s" rx="10" ry="0"/>)~", {0, 0, 0, 0}, {}},
        ShapeCase{R"~(<line id="s" x1="1" y1="2" x2="4" y2="8"/>)~", {1, 2, 3, 6}, {PC::move_to, PC::line_to}},
        ShapeCase{R"~(<line id="s" x1="4" y1="2" x2="1" y2="8"/>)~", {4, 2, -3, 6}, {PC::move_to, PC::line_to}},
        ShapeCase{
            R"~(<path id="s" d="M1 2 C 5 0 9 10 3 4 Z"/>)~", {1, 0, 8, 10}, {PC::move_to, PC::cubic_to, PC::close}},
        ShapeCase{R"~(<path id="s"/>)~", {0, 0, 0, 0}, {}},
        ShapeCase{R"~(<polyline id="s" points="3 4"/>)~", {3, 4, 0, 0}, {PC::move_to}},
        ShapeCase{
            R"~(<polyline id="s" points="0 0 4 0 4 3"/>)~", {0, 0, 4, 3}, {PC::move_to, PC::line_to, PC::line_to}},
        ShapeCase{R"~(<polygon id="s" points="0 0 4 0 4 3"/>)~",
                  {0, 0, 4, 3},
                  {PC::move_to, PC::line_to, PC::line_to, PC::close}},
        ShapeCase{R"~(<polygon id="s"/>)~", {0, 0, 0, 0}, {}},
        ShapeCase{R"~(<rect id="s" x="1" y="2" width="30" height="40"/>)~", {1, 2, 30, 40}, kRect},
        ShapeCase{R"~(<rect id="s" width="30" height="40" rx="0" ry="5"/>)~", {0, 0, 30, 40}, kRoundRect},
        ShapeCase{R"~(<rect id="s" width="0" height="40"/>)~", {0, 0, 0, 0}, {}},
        ShapeCase{R"~(<rect id="s" width="10%" height="10%"/>)~", {0, 0, 30, 40}, kRect}));

TEST(Shapes, RectRadiiMirrorAndClamp) {
    // rx = 0 takes ry; rx beyond half the width is limited to it: the corner curves then meet.
    auto doc =
        layOut(wrap(R"~(<rect id="a" width="30" height="40" ry="5"/><rect id="b" width="10" height="40" rx="50"/>)~"));
    std::array<Point, 3> points{};
    PathIterator a(doc.get<SVGGeometryElement>("a").path);
    a.currentSegment(points);
    EXPECT_FLOAT_EQ(points[0].x, 0.0f);
    EXPECT_FLOAT_EQ(points[0].y, 5.0f);  // move_to(x, y + ry)
    a.next();
    a.currentSegment(points);
    EXPECT_FLOAT_EQ(points[2].x, 5.0f);  // first corner ends at (x + rx, y)
    EXPECT_FLOAT_EQ(points[2].y, 0.0f);

    PathIterator b(doc.get<SVGGeometryElement>("b").path);
    b.currentSegment(points);
    EXPECT_FLOAT_EQ(points[0].y, 20.0f);  // ry follows rx = 50, limited to 40 / 2
    b.next();
    b.currentSegment(points);
    EXPECT_FLOAT_EQ(points[2].x, 5.0f);  // rx limited to 10 / 2
}

// --- Paints and the stroke box -------------------------------------------------------------------

struct StrokeBoxCase {
    const char* attributes;
    float grow;
};

class StrokeBoxTest : public testing::TestWithParam<StrokeBoxCase> {};

TEST_P(StrokeBoxTest, GrowsByTheStrokeExtent) {
    auto doc = layOut(
        wrap(std::string(R"~(<rect id="r" x="10" y="20" width="30" height="40" )~") + GetParam().attributes + "/>"));
    const float g = GetParam().grow;
    expectRect(doc.get("r").strokeBoundingBox(), {10 - g, 20 - g, 30 + 2 * g, 40 + 2 * g});
}

INSTANTIATE_TEST_SUITE_P(
    Extents, StrokeBoxTest,
    testing::Values(
        StrokeBoxCase{"", 0.0f}, StrokeBoxCase{R"~(stroke="red" stroke-width="2" stroke-linejoin="round")~", 1.0f},
        StrokeBoxCase{R"~(stroke="red" stroke-width="2" stroke-linejoin="round" stroke-linecap="square")~", 1.4142135f},
        StrokeBoxCase{R"~(stroke="red" stroke-width="2")~", 4.0f},
        StrokeBoxCase{R"~(stroke="red" stroke-width="2" stroke-miterlimit="10" stroke-linecap="square")~", 10.0f},
        StrokeBoxCase{R"~(stroke="red" stroke-width="2" stroke-opacity="0")~", 0.0f},
        StrokeBoxCase{R"~(stroke="none" stroke-width="2")~", 0.0f},
        StrokeBoxCase{R"~(stroke="rgba(0,0,0,0)" stroke-width="2")~", 0.0f}));

TEST(StrokeBox, BackwardsLineStaysInvalid) {
    auto doc = layOut(wrap(R"~(<line id="l" x1="10" y1="0" x2="0" y2="0" stroke="red" stroke-width="30"/>)~"));
    EXPECT_FALSE(doc.get("l").strokeBoundingBox().isValid());
}

TEST(Paints, FillAndStrokePaintsAreResolved) {
    auto doc = layOut(wrap(R"~(<rect id="r" fill="rgba(255,0,0,0.5)" fill-opacity="0.5" stroke="blue" )~"
                           R"~(stroke-opacity="0.25" fill-rule="evenodd" clip-rule="evenodd"/>)~"));
    const auto& rect = doc.get<SVGGeometryElement>("r");
    EXPECT_EQ(rect.fillPaint.color, 0x80ff0000u);
    EXPECT_EQ(rect.fillPaint.opacity, 0.5f);
    EXPECT_EQ(rect.fillPaint.partialAlpha, 1);
    EXPECT_EQ(rect.strokePaint.color, 0xff0000ffu);
    EXPECT_EQ(rect.strokePaint.opacity, 0.25f);
    EXPECT_EQ(rect.strokePaint.partialAlpha, 1);
    EXPECT_EQ(rect.fillRule, 1);
    EXPECT_EQ(rect.clipRule, 1);
    EXPECT_DOUBLE_EQ(rect.fillOpacityExact, 0.25);
}

TEST(Paints, ZeroPaintIsNotRenderable) {
    EXPECT_FALSE(isRenderable(Paint{}));
    EXPECT_FALSE(isRenderable(Paint{nullptr, 0xff000000u, 0.0f, 0}));
    EXPECT_FALSE(isRenderable(Paint{nullptr, 0x00ff0000u, 1.0f, 0}));
    EXPECT_TRUE(isRenderable(Paint{nullptr, 0x00ff0000u, 0.0f, 1}));
    EXPECT_TRUE(isRenderable(Paint{nullptr, 0x01000000u, 0.5f, 0}));
}

TEST(Paints, UrlToANonServerGivesNoServer) {
    auto doc = layOut(wrap(R"~(<rect id="target"/><rect id="r"/>)~"));
    setAttribute(doc.get("r"), 1, PropertyID::Fill, "url(#target) red");
    layoutIfNeeded(doc.root());
    const auto& rect = doc.get<SVGGeometryElement>("r");
    EXPECT_EQ(rect.fillPaint.server, nullptr);
    EXPECT_EQ(rect.fillPaint.color, 0xffff0000u);
}

}  // namespace
