#include <gtest/gtest.h>

#include <plutovg/plutovg.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include "graphics/canvas.h"

namespace {

using namespace pavrix_svg;

std::uint32_t pixel(const Canvas& canvas, int x, int y) {
    const unsigned char* data = plutovg_surface_get_data(canvas.surface());
    const int stride = plutovg_surface_get_stride(canvas.surface());
    return reinterpret_cast<const std::uint32_t*>(data + y * stride)[x];
}

Path rectPath(float x, float y, float w, float h) {
    Path p;
    p.addRect(Rect(x, y, w, h));
    return p;
}

struct CreateCase {
    float x, y, w, h;
    int cx, cy, width, height;
};

class CanvasCreate : public ::testing::TestWithParam<CreateCase> {};

TEST_P(CanvasCreate, SnapsToPixelsOrFallsBack) {
    const CreateCase& c = GetParam();
    const auto canvas = Canvas::createFromRect(Rect(c.x, c.y, c.w, c.h));
    ASSERT_TRUE(canvas);
    EXPECT_EQ(canvas->x(), c.cx);
    EXPECT_EQ(canvas->y(), c.cy);
    EXPECT_EQ(canvas->width(), c.width);
    EXPECT_EQ(canvas->height(), c.height);
    EXPECT_FALSE(canvas->isNoop());
}

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

INSTANTIATE_TEST_SUITE_P(
    Bounds, CanvasCreate,
    ::testing::Values(CreateCase{0.5f, 0.5f, 10, 10, 0, 0, 11, 11}, CreateCase{-2.5f, 3, 4, 2, -3, 3, 5, 2},
                      CreateCase{0, 0, 32768, 10, 0, 0, 1, 1}, CreateCase{0, 0, 0, 10, 0, 0, 1, 1},
                      CreateCase{0, 0, 10, -1, 0, 0, 1, 1},
                      // A side rounded away to 0 pixels keeps its place with one pixel.
                      CreateCase{5, 5, 1e-7f, 1e-7f, 5, 5, 1, 1}, CreateCase{0, 0, kNaN, 10, 0, 0, 1, 1},
                      CreateCase{kNaN, 0, 10, 10, 0, 0, 1, 1}, CreateCase{kInf, 0, 10, 10, 0, 0, 1, 1},
                      CreateCase{0, -kInf, 10, 10, 0, 0, 1, 1}, CreateCase{3e9f, 0, 10, 10, 0, 0, 1, 1},
                      CreateCase{0, -3e9f, 10, 10, 0, 0, 1, 1},
                      // Pixel buffers whose byte count does not fit the surface's int.
                      CreateCase{0, 0, 30000, 30000, 0, 0, 1, 1}, CreateCase{0, 0, 23171, 23171, 0, 0, 1, 1}));

TEST(CanvasNoop, KeepsPaintStateAndDrawsNothing) {
    const auto canvas = Canvas::createNoop();
    EXPECT_TRUE(canvas->isNoop());
    EXPECT_EQ(canvas->width(), 1);
    EXPECT_EQ(canvas->height(), 1);
    EXPECT_EQ(canvas->surface(), nullptr);
    EXPECT_EQ(canvas->color(), 0u);
    EXPECT_TRUE(canvas->paintIsColor());

    canvas->setColor(0x80102030u);
    EXPECT_EQ(canvas->color(), 0x80102030u);
    EXPECT_TRUE(canvas->paintIsColor());
    canvas->setLinearGradient(0, 0, 1, 1, SpreadMethod::Pad, {{0, 1, 0, 0, 1}, {1, 0, 0, 1, 1}}, Transform());
    EXPECT_FALSE(canvas->paintIsColor());
    EXPECT_EQ(canvas->color(), 0x80102030u);
    canvas->setColorRgba(0, 0, 0, 1);
    canvas->setRadialGradient(0, 0, 1, 0, 0, SpreadMethod::Pad, {}, Transform());
    EXPECT_FALSE(canvas->paintIsColor());
    const auto other = Canvas::createNoop();
    canvas->setTexture(*other, TextureType::Plain, 1, Transform());
    EXPECT_FALSE(canvas->paintIsColor());

    // None of these may touch the (absent) graphics canvas.
    const Path p = rectPath(0, 0, 1, 1);
    canvas->fillPath(p, FillRule::NonZero, Transform());
    canvas->strokePath(p, CanvasStroke{}, Transform());
    canvas->clipPath(p, FillRule::EvenOdd, Transform());
    canvas->clipRect(Rect(0, 0, 1, 1), FillRule::NonZero, Transform());
    canvas->drawImage(Bitmap(), Rect(0, 0, 1, 1), Rect(0, 0, 1, 1), Transform());
    canvas->fillText(U"a", Font(), Point(), Transform());
    canvas->strokeText(U"a", 1, Font(), Point(), Transform());
    canvas->blendCanvas(*other, BlendMode::SrcOver, 1);
    canvas->save();
    canvas->restore();
    canvas->convertToIntensityMask();
}

struct RgbaCase {
    float r, g, b, a;
    std::uint32_t expected;
};

class CanvasRgba : public ::testing::TestWithParam<RgbaCase> {};

TEST_P(CanvasRgba, ClampsRoundsAndPacks) {
    const auto canvas = Canvas::createNoop();
    canvas->setLinearGradient(0, 0, 1, 1, SpreadMethod::Pad, {}, Transform());
    canvas->setColorRgba(GetParam().r, GetParam().g, GetParam().b, GetParam().a);
    EXPECT_EQ(canvas->color(), GetParam().expected);
    EXPECT_TRUE(canvas->paintIsColor());
}

INSTANTIATE_TEST_SUITE_P(Values, CanvasRgba,
                         ::testing::Values(RgbaCase{1.5f, -0.2f, 0.5f, 1, 0xFFFF0080u},
                                           RgbaCase{0, 0, 0, 0, 0x00000000u},
                                           RgbaCase{kNaN, 1, kNaN, kNaN, 0x0000FF00u},
                                           RgbaCase{kInf, -kInf, 0.2f, 0.5f, 0x80FF0033u}));

TEST(CanvasDrawing, FillHonoursTheCanvasOrigin) {
    const auto canvas = Canvas::create(5, 5, 10, 10);
    ASSERT_NE(canvas->surface(), nullptr);
    canvas->setColor(0xFFFF0000u);
    canvas->fillPath(rectPath(5, 5, 2, 2), FillRule::NonZero, Transform());
    EXPECT_EQ(pixel(*canvas, 0, 0), 0xFFFF0000u);
    EXPECT_EQ(pixel(*canvas, 1, 1), 0xFFFF0000u);
    EXPECT_EQ(pixel(*canvas, 3, 3), 0u);

    // The given transform acts before the canvas translation.
    canvas->setColor(0xFF0000FFu);
    canvas->fillPath(rectPath(0, 0, 1, 1), FillRule::NonZero, Transform(2, 0, 0, 2, 10, 10));
    EXPECT_EQ(pixel(*canvas, 5, 5), 0xFF0000FFu);
    EXPECT_EQ(pixel(*canvas, 6, 6), 0xFF0000FFu);
    EXPECT_EQ(pixel(*canvas, 7, 7), 0u);
}

TEST(CanvasDrawing, StrokeUsesOurDashing) {
    const auto canvas = Canvas::create(0, 0, 12, 4);
    canvas->setColor(0xFF00FF00u);
    Path line;
    line.moveTo(0, 2);
    line.lineTo(12, 2);
    CanvasStroke stroke;
    stroke.width = 2;
    stroke.dashArray = {2, 2};
    canvas->strokePath(line, stroke, Transform());
    EXPECT_EQ(pixel(*canvas, 0, 1), 0xFF00FF00u);
    EXPECT_EQ(pixel(*canvas, 1, 2), 0xFF00FF00u);
    EXPECT_EQ(pixel(*canvas, 2, 2), 0u);
    EXPECT_EQ(pixel(*canvas, 3, 1), 0u);
    EXPECT_EQ(pixel(*canvas, 4, 1), 0xFF00FF00u);
}

TEST(CanvasDrawing, ClipSaveRestoreAndBlend) {
    const auto canvas = Canvas::create(0, 0, 4, 4);
    canvas->save();
    canvas->clipRect(Rect(0, 0, 2, 4), FillRule::NonZero, Transform());
    canvas->setColor(0xFFFFFFFFu);
    canvas->fillPath(rectPath(0, 0, 4, 4), FillRule::NonZero, Transform());
    canvas->restore();
    EXPECT_EQ(pixel(*canvas, 1, 1), 0xFFFFFFFFu);
    EXPECT_EQ(pixel(*canvas, 3, 1), 0u);

    const auto layer = Canvas::create(2, 0, 2, 2);
    layer->setColor(0xFF0000FFu);
    layer->fillPath(rectPath(2, 0, 2, 2), FillRule::NonZero, Transform());
    canvas->blendCanvas(*layer, BlendMode::SrcOver, 1);
    EXPECT_EQ(pixel(*canvas, 3, 0), 0xFF0000FFu);
    EXPECT_EQ(pixel(*canvas, 1, 1), 0xFFFFFFFFu);
    EXPECT_EQ(pixel(*canvas, 3, 3), 0u);

    canvas->convertToIntensityMask();
    EXPECT_GE(pixel(*canvas, 1, 1) >> 24, 254u);  // white: full intensity
    EXPECT_EQ(pixel(*canvas, 1, 1) & 0xFFFFFFu, 0u);
    EXPECT_EQ(pixel(*canvas, 3, 0) >> 24, 18u);  // blue: 0.0721 * 255
    EXPECT_EQ(pixel(*canvas, 3, 3), 0u);
}

TEST(CanvasDrawing, DrawImageScalesTheSource) {
    plutovg_surface_t* surface = plutovg_surface_create(1, 1);
    const plutovg_color_t red{1, 0, 0, 1};
    plutovg_surface_clear(surface, &red);
    const Bitmap image(surface);
    const auto canvas = Canvas::create(0, 0, 4, 4);
    canvas->drawImage(image, Rect(0, 0, 2, 2), Rect(0, 0, 1, 1), Transform());
    EXPECT_EQ(pixel(*canvas, 1, 1), 0xFFFF0000u);
    EXPECT_EQ(pixel(*canvas, 3, 3), 0u);
}

}  // namespace
