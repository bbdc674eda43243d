#pragma once

#include <cstddef>
#include <string_view>

#include "graphics/affine_matrix.h"
#include "graphics/point.h"
#include "graphics/rect.h"

namespace pavrix_svg {

// Value wrapper over AffineMatrix. Angles are in degrees. To pre-apply another transform
// means this = other x this: the other acts first on a point.
class Transform {
public:
    constexpr Transform() : m_matrix{1.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f} {}
    constexpr Transform(float a, float b, float c, float d, float e, float f) : m_matrix{a, b, c, d, e, f} {}
    constexpr explicit Transform(const pavrix_graphics::AffineMatrix& matrix) : m_matrix(matrix) {}

    // The process-wide identity, constant-initialised so no load-time order can see it unset.
    static const Transform Identity;
    static Transform identity();

    static Transform translated(float tx, float ty);
    static Transform scaled(float sx, float sy);
    static Transform rotated(float angle, float cx = 0.0f, float cy = 0.0f);

    Transform& multiply(const Transform& other);         // this = other x this
    Transform multiplied(const Transform& other) const;  // other x this
    Transform& postMultiply(const Transform& other);     // this = this x other
    Transform& translate(float tx, float ty);
    Transform& scale(float sx, float sy);
    Transform& rotate(float angle, float cx = 0.0f, float cy = 0.0f);

    Point mapPoint(const Point& point) const;
    Point mapPoint(float x, float y) const { return mapPoint(Point(x, y)); }
    // An invalid rect (w < 0 or h < 0) maps to Rect::Invalid.
    Rect mapRect(const Rect& rect) const;

    float xScale() const;  // sqrt(a^2 + b^2)
    float yScale() const;  // sqrt(c^2 + d^2)

    // Parses an SVG transform list into this; on failure this holds the items read before.
    bool parse(const char* data, std::size_t length);
    bool parse(std::string_view text) { return parse(text.data(), text.size()); }

    constexpr float a() const { return m_matrix.a; }
    constexpr float b() const { return m_matrix.b; }
    constexpr float c() const { return m_matrix.c; }
    constexpr float d() const { return m_matrix.d; }
    constexpr float e() const { return m_matrix.e; }
    constexpr float f() const { return m_matrix.f; }
    constexpr const pavrix_graphics::AffineMatrix& matrix() const { return m_matrix; }
    constexpr pavrix_graphics::AffineMatrix& matrix() { return m_matrix; }

private:
    pavrix_graphics::AffineMatrix m_matrix;
};

inline constexpr Transform Transform::Identity{1.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f};

// Builds the identity with matrix_init (equal to Transform::Identity).
Transform initStaticIdentityTransform();

}  // namespace pavrix_svg
