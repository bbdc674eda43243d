#include "graphics/transform.h"

#include <cmath>

#include "graphics/transform_list_parser.h"

namespace pavrix_svg {

using namespace pavrix_graphics;

Transform initStaticIdentityTransform() {
    AffineMatrix m;
    matrix_init(&m, 1.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f);
    return Transform(m);
}

Transform Transform::identity() {
    return Identity;
}

Transform Transform::translated(float tx, float ty) {
    AffineMatrix m;
    matrix_init_translate(&m, tx, ty);
    return Transform(m);
}

Transform Transform::scaled(float sx, float sy) {
    AffineMatrix m;
    matrix_init_scale(&m, sx, sy);
    return Transform(m);
}

Transform Transform::rotated(float angle, float cx, float cy) {
    AffineMatrix m;
    const float radians = angle * kDegreesToRadians;
    if (cx == 0.0f && cy == 0.0f) {
        matrix_init_rotate(&m, radians);
    } else {
        matrix_init_translate(&m, cx, cy);
        matrix_rotate(&m, radians);
        matrix_translate(&m, -cx, -cy);
    }
    return Transform(m);
}

Transform& Transform::multiply(const Transform& other) {
    matrix_multiply(&m_matrix, &other.m_matrix, &m_matrix);
    return *this;
}

Transform Transform::multiplied(const Transform& other) const {
    Transform result;
    matrix_multiply(&result.m_matrix, &other.m_matrix, &m_matrix);
    return result;
}

Transform& Transform::postMultiply(const Transform& other) {
    matrix_multiply(&m_matrix, &m_matrix, &other.m_matrix);
    return *this;
}

Transform& Transform::translate(float tx, float ty) {
    return multiply(translated(tx, ty));
}

Transform& Transform::scale(float sx, float sy) {
    return multiply(scaled(sx, sy));
}

Transform& Transform::rotate(float angle, float cx, float cy) {
    return multiply(rotated(angle, cx, cy));
}

Point Transform::mapPoint(const Point& point) const {
    Point result;
    matrix_map_point(&m_matrix, point.x, point.y, &result.x, &result.y);
    return result;
}

Rect Transform::mapRect(const Rect& rect) const {
    if (!rect.isValid())
        return Rect::Invalid;
    const FloatRect src{rect.x, rect.y, rect.w, rect.h};
    FloatRect dst{};
    matrix_map_rect(&m_matrix, &src, &dst);
    return Rect(dst.x, dst.y, dst.w, dst.h);
}

float Transform::xScale() const {
    return std::sqrt(m_matrix.a * m_matrix.a + m_matrix.b * m_matrix.b);
}

float Transform::yScale() const {
    return std::sqrt(m_matrix.c * m_matrix.c + m_matrix.d * m_matrix.d);
}

bool Transform::parse(const char* data, std::size_t length) {
    return parse_transform_list(&m_matrix, data, static_cast<std::ptrdiff_t>(length));
}

}  // namespace pavrix_svg
