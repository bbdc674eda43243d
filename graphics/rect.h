#pragma once

namespace pavrix_svg {

// A rectangle with w < 0 or h < 0 is invalid; Rect::Invalid is (0, 0, -1, -1).
struct Rect {
    float x = 0.0f;
    float y = 0.0f;
    float w = 0.0f;
    float h = 0.0f;

    constexpr Rect() = default;
    constexpr Rect(float rx, float ry, float rw, float rh) : x(rx), y(ry), w(rw), h(rh) {}

    static const Rect Empty;
    static const Rect Invalid;

    constexpr float right() const { return x + w; }
    constexpr float bottom() const { return y + h; }
    // Only a negative side makes a rectangle invalid (a NaN side does not).
    constexpr bool isValid() const { return !(w < 0.0f || h < 0.0f); }
    constexpr bool isEmpty() const { return w <= 0.0f || h <= 0.0f; }

    // Overlap of the two; an invalid operand yields the other, no overlap yields Empty.
    Rect intersected(const Rect& other) const;
    // Enclosing box of the two; an invalid operand yields the other.
    Rect united(const Rect& other) const;
};

inline constexpr Rect Rect::Empty{0.0f, 0.0f, 0.0f, 0.0f};
inline constexpr Rect Rect::Invalid{0.0f, 0.0f, -1.0f, -1.0f};

}  // namespace pavrix_svg
