#include "graphics/affine_matrix.h"

#include <algorithm>
#include <cmath>

namespace pavrix_graphics {

void matrix_init(AffineMatrix* m, float a, float b, float c, float d, float e, float f) {
    if (!m)
        return;
    m->a = a;
    m->b = b;
    m->c = c;
    m->d = d;
    m->e = e;
    m->f = f;
}

void matrix_init_identity(AffineMatrix* m) {
    matrix_init(m, 1.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f);
}

void matrix_init_translate(AffineMatrix* m, float tx, float ty) {
    matrix_init(m, 1.0f, 0.0f, 0.0f, 1.0f, tx, ty);
}

void matrix_init_scale(AffineMatrix* m, float sx, float sy) {
    matrix_init(m, sx, 0.0f, 0.0f, sy, 0.0f, 0.0f);
}

void matrix_init_rotate(AffineMatrix* m, float radians) {
    const float c = std::cos(radians);
    const float s = std::sin(radians);
    matrix_init(m, c, s, -s, c, 0.0f, 0.0f);
}

void matrix_translate(AffineMatrix* m, float tx, float ty) {
    if (!m)
        return;
    AffineMatrix t;
    matrix_init_translate(&t, tx, ty);
    matrix_multiply(m, &t, m);
}

void matrix_scale(AffineMatrix* m, float sx, float sy) {
    if (!m)
        return;
    AffineMatrix s;
    matrix_init_scale(&s, sx, sy);
    matrix_multiply(m, &s, m);
}

void matrix_rotate(AffineMatrix* m, float radians) {
    if (!m)
        return;
    AffineMatrix r;
    matrix_init_rotate(&r, radians);
    matrix_multiply(m, &r, m);
}

void matrix_multiply(AffineMatrix* dst, const AffineMatrix* left, const AffineMatrix* right) {
    if (!dst || !left || !right)
        return;
    // Copies first: dst may be either operand.
    const AffineMatrix l = *left;
    const AffineMatrix r = *right;
    dst->a = l.a * r.a + l.b * r.c;
    dst->b = l.a * r.b + l.b * r.d;
    dst->c = l.c * r.a + l.d * r.c;
    dst->d = l.c * r.b + l.d * r.d;
    dst->e = l.e * r.a + l.f * r.c + r.e;
    dst->f = l.e * r.b + l.f * r.d + r.f;
}

bool matrix_invert(const AffineMatrix* m, AffineMatrix* out) {
    if (!m)
        return false;
    const float det = m->a * m->d - m->b * m->c;
    // A non-finite determinant would fill the inverse with NaN or zeros, so it counts as
    // singular just like an exact zero.
    if (det == 0.0f || !std::isfinite(det))
        return false;
    if (!out)
        return true;
    const AffineMatrix s = *m;
    const float inv = 1.0f / det;
    out->a = s.d * inv;
    out->b = -s.b * inv;
    out->c = -s.c * inv;
    out->d = s.a * inv;
    out->e = (s.c * s.f - s.d * s.e) * inv;
    out->f = (s.b * s.e - s.a * s.f) * inv;
    return true;
}

void matrix_map_point(const AffineMatrix* m, float x, float y, float* out_x, float* out_y) {
    if (!m)
        return;
    const float nx = x * m->a + y * m->c + m->e;
    const float ny = x * m->b + y * m->d + m->f;
    if (out_x)
        *out_x = nx;
    if (out_y)
        *out_y = ny;
}

void matrix_map_points(const AffineMatrix* m, const FloatPoint* src, FloatPoint* dst, int count) {
    if (!m || !src || !dst)
        return;
    for (int i = 0; i < count; ++i) {
        const FloatPoint p = src[i];
        dst[i].x = p.x * m->a + p.y * m->c + m->e;
        dst[i].y = p.x * m->b + p.y * m->d + m->f;
    }
}

void matrix_map_rect(const AffineMatrix* m, const FloatRect* src, FloatRect* dst) {
    if (!m || !src || !dst)
        return;
    FloatPoint p[4] = {
        {src->x, src->y},
        {src->x + src->w, src->y},
        {src->x + src->w, src->y + src->h},
        {src->x, src->y + src->h},
    };
    matrix_map_points(m, p, p, 4);
    float l = p[0].x, t = p[0].y, r = p[0].x, b = p[0].y;
    for (int i = 1; i < 4; ++i) {
        l = std::min(l, p[i].x);
        r = std::max(r, p[i].x);
        t = std::min(t, p[i].y);
        b = std::max(b, p[i].y);
    }
    dst->x = l;
    dst->y = t;
    dst->w = r - l;
    dst->h = b - t;
}

}  // namespace pavrix_graphics
