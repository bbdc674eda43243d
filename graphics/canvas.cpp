#include "graphics/canvas.h"

#include <plutovg/plutovg.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <vector>

#include "graphics/font.h"
#include "graphics/vector_path.h"

namespace pavrix_svg {

using namespace pavrix_graphics;

namespace {

constexpr float kMaxCanvasSide = 32768.0f;

plutovg_matrix_t toPlutovgMatrix(const AffineMatrix& m) {
    return plutovg_matrix_t{m.a, m.b, m.c, m.d, m.e, m.f};
}

// Our paths cross into the graphics library only here, command by command.
plutovg_path_t* toPlutovgPath(const VectorPath* path) {
    plutovg_path_t* out = plutovg_path_create();
    if (!out || !path)
        return out;
    plutovg_path_reserve(out, path->elements.size);
    VectorPathIterator it;
    path_iterator_init(&it, path);
    FloatPoint p[3] = {};
    while (path_iterator_has_next(&it)) {
        switch (path_iterator_next(&it, p)) {
        case PathCommand::move_to:
            plutovg_path_move_to(out, p[0].x, p[0].y);
            break;
        case PathCommand::line_to:
            plutovg_path_line_to(out, p[0].x, p[0].y);
            break;
        case PathCommand::cubic_to:
            plutovg_path_cubic_to(out, p[0].x, p[0].y, p[1].x, p[1].y, p[2].x, p[2].y);
            break;
        case PathCommand::close:
            plutovg_path_close(out);
            break;
        }
    }
    return out;
}

struct PlutovgPath {
    explicit PlutovgPath(const VectorPath* path) : handle(toPlutovgPath(path)) {}
    ~PlutovgPath() {
        if (handle)
            plutovg_path_destroy(handle);
    }
    PlutovgPath(const PlutovgPath&) = delete;
    PlutovgPath& operator=(const PlutovgPath&) = delete;
    plutovg_path_t* handle;
};

struct OwnedVectorPath {
    explicit OwnedVectorPath(VectorPath* p) : path(p) {}
    ~OwnedVectorPath() { path_destroy(path); }
    OwnedVectorPath(const OwnedVectorPath&) = delete;
    OwnedVectorPath& operator=(const OwnedVectorPath&) = delete;
    VectorPath* path;
};

plutovg_fill_rule_t toPlutovg(FillRule rule) {
    return rule == FillRule::EvenOdd ? PLUTOVG_FILL_RULE_EVEN_ODD : PLUTOVG_FILL_RULE_NON_ZERO;
}

plutovg_line_cap_t toPlutovg(LineCap cap) {
    switch (cap) {
    case LineCap::Round:
        return PLUTOVG_LINE_CAP_ROUND;
    case LineCap::Square:
        return PLUTOVG_LINE_CAP_SQUARE;
    case LineCap::Butt:
        break;
    }
    return PLUTOVG_LINE_CAP_BUTT;
}

plutovg_line_join_t toPlutovg(LineJoin join) {
    switch (join) {
    case LineJoin::Round:
        return PLUTOVG_LINE_JOIN_ROUND;
    case LineJoin::Bevel:
        return PLUTOVG_LINE_JOIN_BEVEL;
    case LineJoin::Miter:
        break;
    }
    return PLUTOVG_LINE_JOIN_MITER;
}

plutovg_spread_method_t toPlutovg(SpreadMethod spread) {
    switch (spread) {
    case SpreadMethod::Reflect:
        return PLUTOVG_SPREAD_METHOD_REFLECT;
    case SpreadMethod::Repeat:
        return PLUTOVG_SPREAD_METHOD_REPEAT;
    case SpreadMethod::Pad:
        break;
    }
    return PLUTOVG_SPREAD_METHOD_PAD;
}

plutovg_operator_t toPlutovg(BlendMode mode) {
    switch (mode) {
    case BlendMode::Src:
        return PLUTOVG_OPERATOR_SRC;
    case BlendMode::DstIn:
        return PLUTOVG_OPERATOR_DST_IN;
    case BlendMode::DstOut:
        return PLUTOVG_OPERATOR_DST_OUT;
    case BlendMode::SrcOver:
        break;
    }
    return PLUTOVG_OPERATOR_SRC_OVER;
}

std::vector<plutovg_gradient_stop_t> toPlutovg(const GradientStops& stops) {
    std::vector<plutovg_gradient_stop_t> out;
    out.reserve(stops.size());
    for (const GradientStop& stop : stops)
        out.push_back({stop.offset, {stop.red, stop.green, stop.blue, stop.alpha}});
    return out;
}

// NaN reads as 0 so that it cannot reach the float-to-integer conversion.
float clampUnit(float value) {
    if (!(value > 0.0f))
        return 0.0f;
    return value < 1.0f ? value : 1.0f;
}

std::uint32_t toByte(float unit) {
    return static_cast<std::uint32_t>(std::lround(clampUnit(unit) * 255.0f));
}

// Glyph outlines arrive in the library's point type and go to our appenders.
void glyphToVectorPath(void* closure, plutovg_path_command_t command, const plutovg_point_t* points, int npoints) {
    FloatPoint p[3] = {};
    const int n = std::clamp(npoints, 0, 3);
    for (int i = 0; i < n; ++i)
        p[i] = {points[i].x, points[i].y};
    glyph_outline_to_path(closure, static_cast<PathCommand>(command), p, n);
}

}  // namespace

Canvas::Canvas(int x, int y, int width, int height)
    : m_translation(1.0f, 0.0f, 0.0f, 1.0f, -static_cast<float>(x), -static_cast<float>(y)), m_x(x), m_y(y) {
    m_width = std::max(width, 1);
    m_height = std::max(height, 1);
    m_surface = plutovg_surface_create(m_width, m_height);
    if (m_surface)
        m_canvas = plutovg_canvas_create(m_surface);
}

Canvas::Canvas(NoopTag) : m_noop(1) {}

Canvas::~Canvas() {
    if (m_canvas)
        plutovg_canvas_destroy(m_canvas);
    if (m_surface)
        plutovg_surface_destroy(m_surface);
}

std::shared_ptr<Canvas> Canvas::create(float x, float y, float width, float height) {
    if (width > 0.0f && width < kMaxCanvasSide && height > 0.0f && height < kMaxCanvasSide) {
        const double x0 = std::floor(x);
        const double y0 = std::floor(y);
        const double x1 = std::ceil(x + width);
        const double y1 = std::ceil(y + height);
        // Bounds outside the int range (or not finite) have no pixel grid to sit on.
        const auto fits = [](double v) {
            return v >= static_cast<double>(INT_MIN) && v <= static_cast<double>(INT_MAX);
        };
        if (fits(x0) && fits(y0) && fits(x1) && fits(y1)) {
            const auto w = static_cast<std::int64_t>(x1) - static_cast<std::int64_t>(x0);
            const auto h = static_cast<std::int64_t>(y1) - static_cast<std::int64_t>(y0);
            // A side that rounding shrank to 0 pixels keeps its place and gets one pixel (the
            // constructor's minimum).
            // The surface holds 4 bytes a pixel and counts its bytes in an int.
            const std::int64_t bytes = std::max<std::int64_t>(w, 1) * std::max<std::int64_t>(h, 1) * 4;
            if (w <= INT_MAX && h <= INT_MAX && bytes <= INT_MAX)
                return std::make_shared<Canvas>(static_cast<int>(x0), static_cast<int>(y0), static_cast<int>(w),
                                                static_cast<int>(h));
        }
    }
    return std::make_shared<Canvas>(0, 0, 1, 1);
}

std::shared_ptr<Canvas> Canvas::createFromRect(const Rect& rect) {
    return create(rect.x, rect.y, rect.w, rect.h);
}

std::shared_ptr<Canvas> Canvas::createNoop() {
    return std::shared_ptr<Canvas>(new Canvas(NoopTag{}));
}

void Canvas::applyMatrix(const Transform& transform) {
    AffineMatrix m;
    matrix_multiply(&m, &transform.matrix(), &m_translation.matrix());
    const plutovg_matrix_t pm = toPlutovgMatrix(m);
    plutovg_canvas_set_matrix(m_canvas, &pm);
}

void Canvas::setColor(std::uint32_t color) {
    m_color = color;
    m_paintIsColor = 1;
    if (m_noop || !m_canvas)
        return;
    plutovg_canvas_set_rgba(m_canvas, static_cast<float>((color >> 16) & 0xFF) / 255.0f,
                            static_cast<float>((color >> 8) & 0xFF) / 255.0f, static_cast<float>(color & 0xFF) / 255.0f,
                            static_cast<float>((color >> 24) & 0xFF) / 255.0f);
}

void Canvas::setColorRgba(float red, float green, float blue, float alpha) {
    m_color = (toByte(alpha) << 24) | (toByte(red) << 16) | (toByte(green) << 8) | toByte(blue);
    m_paintIsColor = 1;
    if (m_noop || !m_canvas)
        return;
    plutovg_canvas_set_rgba(m_canvas, clampUnit(red), clampUnit(green), clampUnit(blue), clampUnit(alpha));
}

void Canvas::setLinearGradient(float x1, float y1, float x2, float y2, SpreadMethod spread, const GradientStops& stops,
                               const Transform& transform) {
    m_paintIsColor = 0;
    if (m_noop || !m_canvas)
        return;
    const auto plutoStops = toPlutovg(stops);
    const plutovg_matrix_t m = toPlutovgMatrix(transform.matrix());
    plutovg_canvas_set_linear_gradient(m_canvas, x1, y1, x2, y2, toPlutovg(spread), plutoStops.data(),
                                       static_cast<int>(std::min<std::size_t>(plutoStops.size(), INT_MAX)), &m);
}

void Canvas::setRadialGradient(float cx, float cy, float r, float fx, float fy, SpreadMethod spread,
                               const GradientStops& stops, const Transform& transform) {
    m_paintIsColor = 0;
    if (m_noop || !m_canvas)
        return;
    const auto plutoStops = toPlutovg(stops);
    const plutovg_matrix_t m = toPlutovgMatrix(transform.matrix());
    plutovg_canvas_set_radial_gradient(m_canvas, cx, cy, r, fx, fy, 0.0f, toPlutovg(spread), plutoStops.data(),
                                       static_cast<int>(std::min<std::size_t>(plutoStops.size(), INT_MAX)), &m);
}

void Canvas::setTexture(const Canvas& source, TextureType type, float opacity, const Transform& transform) {
    m_paintIsColor = 0;
    if (m_noop || !m_canvas || !source.m_surface)
        return;
    const plutovg_matrix_t m = toPlutovgMatrix(transform.matrix());
    plutovg_canvas_set_texture(m_canvas, source.m_surface,
                               type == TextureType::Tiled ? PLUTOVG_TEXTURE_TYPE_TILED : PLUTOVG_TEXTURE_TYPE_PLAIN,
                               opacity, &m);
}

void Canvas::fillPath(const Path& path, FillRule fillRule, const Transform& transform) {
    if (m_noop || !m_canvas)
        return;
    applyMatrix(transform);
    plutovg_canvas_set_fill_rule(m_canvas, toPlutovg(fillRule));
    plutovg_canvas_set_operator(m_canvas, PLUTOVG_OPERATOR_SRC_OVER);
    PlutovgPath p(path.data());
    if (p.handle)
        plutovg_canvas_fill_path(m_canvas, p.handle);
}

void Canvas::strokePath(const Path& path, const CanvasStroke& stroke, const Transform& transform) {
    if (m_noop || !m_canvas)
        return;
    applyMatrix(transform);
    plutovg_canvas_set_line_width(m_canvas, stroke.width);
    plutovg_canvas_set_miter_limit(m_canvas, stroke.miterLimit);
    plutovg_canvas_set_line_cap(m_canvas, toPlutovg(stroke.lineCap));
    plutovg_canvas_set_line_join(m_canvas, toPlutovg(stroke.lineJoin));
    // Dashing is ours; the library only strokes the resulting pieces.
    plutovg_canvas_set_dash_array(m_canvas, nullptr, 0);
    plutovg_canvas_set_operator(m_canvas, PLUTOVG_OPERATOR_SRC_OVER);
    const VectorPath* source = path.data();
    OwnedVectorPath dashed(nullptr);
    if (source && !stroke.dashArray.empty() && stroke.dashArray.size() <= static_cast<std::size_t>(INT_MAX)) {
        dashed.path = path_clone_dashed(source, stroke.dashOffset, stroke.dashArray.data(),
                                        static_cast<int>(stroke.dashArray.size()));
        if (!dashed.path)
            return;
        source = dashed.path;
    }
    PlutovgPath p(source);
    if (p.handle)
        plutovg_canvas_stroke_path(m_canvas, p.handle);
}

void Canvas::clipPath(const Path& path, FillRule clipRule, const Transform& transform) {
    if (m_noop || !m_canvas)
        return;
    applyMatrix(transform);
    plutovg_canvas_set_fill_rule(m_canvas, toPlutovg(clipRule));
    PlutovgPath p(path.data());
    if (p.handle)
        plutovg_canvas_clip_path(m_canvas, p.handle);
}

void Canvas::clipRect(const Rect& rect, FillRule clipRule, const Transform& transform) {
    if (m_noop || !m_canvas)
        return;
    applyMatrix(transform);
    plutovg_canvas_set_fill_rule(m_canvas, toPlutovg(clipRule));
    plutovg_canvas_clip_rect(m_canvas, rect.x, rect.y, rect.w, rect.h);
}

void Canvas::drawImage(const Bitmap& image, const Rect& dstRect, const Rect& srcRect, const Transform& transform) {
    if (m_noop || !m_canvas || image.isNull() || srcRect.w == 0.0f || srcRect.h == 0.0f)
        return;
    applyMatrix(transform);
    const float sx = dstRect.w / srcRect.w;
    const float sy = dstRect.h / srcRect.h;
    const plutovg_matrix_t m{sx, 0.0f, 0.0f, sy, dstRect.x - srcRect.x * sx, dstRect.y - srcRect.y * sy};
    plutovg_canvas_set_fill_rule(m_canvas, PLUTOVG_FILL_RULE_NON_ZERO);
    plutovg_canvas_set_operator(m_canvas, PLUTOVG_OPERATOR_SRC_OVER);
    plutovg_canvas_set_texture(m_canvas, image.surface(), PLUTOVG_TEXTURE_TYPE_PLAIN, 1.0f, &m);
    plutovg_canvas_fill_rect(m_canvas, dstRect.x, dstRect.y, dstRect.w, dstRect.h);
}

namespace {

// The glyph outlines of a run of text as one path, starting at origin.
Path textPath(std::u32string_view text, const Font& font, const Point& origin) {
    if (font.face().isNull() || !(font.size() > 0.0f))
        return Path();
    VectorPath* target = path_create();
    Path built(target);  // owns the record; target stays the unshared record to append to
    if (!target)
        return built;
    float x = origin.x;
    {
        const auto lock = lockFontLibrary();
        for (const char32_t ch : text) {
            x += plutovg_font_face_traverse_glyph_path(font.face().get(), font.size(), x, origin.y,
                                                       static_cast<plutovg_codepoint_t>(ch), glyphToVectorPath, target);
        }
    }
    return built;
}

}  // namespace

void Canvas::fillText(std::u32string_view text, const Font& font, const Point& origin, const Transform& transform) {
    if (m_noop || !m_canvas)
        return;
    fillPath(textPath(text, font, origin), FillRule::NonZero, transform);
}

void Canvas::strokeText(std::u32string_view text, float strokeWidth, const Font& font, const Point& origin,
                        const Transform& transform) {
    if (m_noop || !m_canvas)
        return;
    CanvasStroke stroke;
    stroke.width = strokeWidth;
    strokePath(textPath(text, font, origin), stroke, transform);
}

void Canvas::blendCanvas(const Canvas& source, BlendMode mode, float opacity) {
    if (m_noop || !m_canvas || !source.m_surface)
        return;
    const plutovg_matrix_t translation = toPlutovgMatrix(m_translation.matrix());
    plutovg_canvas_set_matrix(m_canvas, &translation);
    const plutovg_matrix_t placement{
        1.0f, 0.0f, 0.0f, 1.0f, static_cast<float>(source.m_x), static_cast<float>(source.m_y)};
    plutovg_canvas_set_operator(m_canvas, toPlutovg(mode));
    plutovg_canvas_set_texture(m_canvas, source.m_surface, PLUTOVG_TEXTURE_TYPE_PLAIN, opacity, &placement);
    plutovg_canvas_paint(m_canvas);
    plutovg_canvas_set_operator(m_canvas, PLUTOVG_OPERATOR_SRC_OVER);
}

void Canvas::save() {
    if (m_noop || !m_canvas)
        return;
    plutovg_canvas_save(m_canvas);
}

void Canvas::restore() {
    if (m_noop || !m_canvas)
        return;
    plutovg_canvas_restore(m_canvas);
}

void Canvas::convertToIntensityMask() {
    if (m_noop || !m_surface)
        return;
    unsigned char* data = plutovg_surface_get_data(m_surface);
    const int width = plutovg_surface_get_width(m_surface);
    const int height = plutovg_surface_get_height(m_surface);
    const int stride = plutovg_surface_get_stride(m_surface);
    if (!data)
        return;
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(data + static_cast<std::ptrdiff_t>(y) * stride);
        for (int x = 0; x < width; ++x) {
            const std::uint32_t pixel = row[x];
            const std::uint32_t a = pixel >> 24;
            std::uint32_t r = (pixel >> 16) & 0xFF;
            std::uint32_t g = (pixel >> 8) & 0xFF;
            std::uint32_t b = pixel & 0xFF;
            if (a != 0) {
                // A channel above its alpha is not valid premultiplied data; cap it.
                r = std::min<std::uint32_t>(r * 255 / a, 255);
                g = std::min<std::uint32_t>(g * 255 / a, 255);
                b = std::min<std::uint32_t>(b * 255 / a, 255);
            }
            const float luminance =
                0.2125f * static_cast<float>(r) + 0.7154f * static_cast<float>(g) + 0.0721f * static_cast<float>(b);
            const auto intensity = static_cast<std::uint32_t>(luminance * (static_cast<float>(a) / 255.0f));
            row[x] = std::min<std::uint32_t>(intensity, 255) << 24;
        }
    }
}

}  // namespace pavrix_svg
