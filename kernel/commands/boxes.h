#pragma once

// The kernel's two box types: DoubleBox in source units and IntBox on the integer grid.

#include <algorithm>
#include <cstdint>
#include <limits>
#include <vector>

#include <clipper2/clipper.h>

namespace pavrix_svg_core {

// Empty is (+inf, +inf, -inf, -inf).
struct DoubleBox {
    double xmin = std::numeric_limits<double>::infinity();
    double ymin = std::numeric_limits<double>::infinity();
    double xmax = -std::numeric_limits<double>::infinity();
    double ymax = -std::numeric_limits<double>::infinity();
};

struct IntBox {
    std::int64_t xmin = 0;
    std::int64_t ymin = 0;
    std::int64_t xmax = 0;
    std::int64_t ymax = 0;
    bool valid = false;  // false for an empty box
};

// Minimum finite and a strictly positive width and height.
bool box_non_empty(const DoubleBox& box) noexcept;
// All four finite, zero width or height allowed.
bool box_valid(const DoubleBox& box) noexcept;
// `into` becomes the union with `add` when `add` is non-empty.
void include_box(DoubleBox& into, const DoubleBox& add) noexcept;
// The intersection when both and it are non-empty, else the empty box.
DoubleBox intersect_boxes(const DoubleBox& p, const DoubleBox& q) noexcept;

void grow_int_box(IntBox& box, const Clipper2Lib::Point64& point) noexcept;
IntBox box_paths_bounds(const Clipper2Lib::Paths64& paths) noexcept;
// One box per path, an invalid box for an empty path.
std::vector<IntBox> per_path_bounds(const Clipper2Lib::Paths64& paths);
// Inclusive overlap of two valid boxes.
bool int_boxes_overlap(const IntBox& a, const IntBox& b) noexcept;

}  // namespace pavrix_svg_core
