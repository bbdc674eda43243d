#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "graphics/bitmap.h"
#include "graphics/canvas_paint.h"
#include "graphics/font.h"
#include "graphics/path.h"
#include "graphics/rect.h"
#include "graphics/transform.h"

struct plutovg_surface;
struct plutovg_canvas;

namespace pavrix_svg {

// Drawing target. The inert ("noop") canvas keeps the paint state that command emission reads
// and ignores every drawing call; it never touches the graphics library.
class Canvas {
public:
    // Surface of width x height pixels whose origin is (x, y); width and height are clamped
    // to at least 1.
    Canvas(int x, int y, int width, int height);
    ~Canvas();
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    // Canvas covering the rectangle on whole pixels; a size outside (0, 32768), or bounds that
    // are not finite or leave the int range, give a 1x1 canvas at (0, 0).
    static std::shared_ptr<Canvas> create(float x, float y, float width, float height);
    static std::shared_ptr<Canvas> createFromRect(const Rect& rect);
    // The inert 1x1 canvas at (0, 0) the recording pass draws on.
    static std::shared_ptr<Canvas> createNoop();

    // colour is 0xAARRGGBB.
    void setColor(std::uint32_t color);
    // Each channel clamped to [0, 1] (NaN reads as 0), times 255, rounded to nearest.
    void setColorRgba(float red, float green, float blue, float alpha);
    void setLinearGradient(float x1, float y1, float x2, float y2, SpreadMethod spread, const GradientStops& stops,
                           const Transform& transform);
    void setRadialGradient(float cx, float cy, float r, float fx, float fy, SpreadMethod spread,
                           const GradientStops& stops, const Transform& transform);
    void setTexture(const Canvas& source, TextureType type, float opacity, const Transform& transform);

    void fillPath(const Path& path, FillRule fillRule, const Transform& transform);
    void strokePath(const Path& path, const CanvasStroke& stroke, const Transform& transform);
    void clipPath(const Path& path, FillRule clipRule, const Transform& transform);
    void clipRect(const Rect& rect, FillRule clipRule, const Transform& transform);
    void drawImage(const Bitmap& image, const Rect& dstRect, const Rect& srcRect, const Transform& transform);
    // text is UTF-32; origin is the start of the baseline.
    void fillText(std::u32string_view text, const Font& font, const Point& origin, const Transform& transform);
    void strokeText(std::u32string_view text, float strokeWidth, const Font& font, const Point& origin,
                    const Transform& transform);
    void blendCanvas(const Canvas& source, BlendMode mode, float opacity);
    void save();
    void restore();
    void convertToIntensityMask();

    int width() const { return m_width; }
    int height() const { return m_height; }
    int x() const { return m_x; }
    int y() const { return m_y; }
    bool isNoop() const { return m_noop != 0; }

    // Current paint as command emission reads it: 0xAARRGGBB and whether it is a plain colour.
    std::uint32_t color() const { return m_color; }
    bool paintIsColor() const { return m_paintIsColor != 0; }

    plutovg_surface* surface() const { return m_surface; }

private:
    struct NoopTag {};
    explicit Canvas(NoopTag);
    void applyMatrix(const Transform& transform);

    plutovg_surface* m_surface = nullptr;
    plutovg_canvas* m_canvas = nullptr;
    Transform m_translation;
    std::uint32_t m_color = 0;
    std::uint8_t m_paintIsColor = 1;
    std::uint8_t m_noop = 0;
    std::int32_t m_x = 0;
    std::int32_t m_y = 0;
    std::int32_t m_width = 1;
    std::int32_t m_height = 1;
};

}  // namespace pavrix_svg
