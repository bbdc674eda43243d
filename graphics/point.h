#pragma once

namespace pavrix_svg {

struct Point {
    float x = 0.0f;
    float y = 0.0f;

    constexpr Point() = default;
    constexpr Point(float px, float py) : x(px), y(py) {}
};

}  // namespace pavrix_svg
