#include "kernel/commands/boxes.h"

#include <cmath>

namespace pavrix_svg_core {

bool box_non_empty(const DoubleBox& box) noexcept {
    return std::isfinite(box.xmin) && std::isfinite(box.ymin) && box.xmax > box.xmin && box.ymax > box.ymin;
}

bool box_valid(const DoubleBox& box) noexcept {
    return std::isfinite(box.xmin) && std::isfinite(box.ymin) && std::isfinite(box.xmax) && std::isfinite(box.ymax) &&
           box.xmax >= box.xmin && box.ymax >= box.ymin;
}

void include_box(DoubleBox& into, const DoubleBox& add) noexcept {
    if (!box_non_empty(add))
        return;
    into.xmin = std::min(into.xmin, add.xmin);
    into.ymin = std::min(into.ymin, add.ymin);
    into.xmax = std::max(into.xmax, add.xmax);
    into.ymax = std::max(into.ymax, add.ymax);
}

DoubleBox intersect_boxes(const DoubleBox& p, const DoubleBox& q) noexcept {
    if (!box_non_empty(p) || !box_non_empty(q))
        return DoubleBox{};
    const DoubleBox result{std::max(p.xmin, q.xmin), std::max(p.ymin, q.ymin), std::min(p.xmax, q.xmax),
                           std::min(p.ymax, q.ymax)};
    return box_non_empty(result) ? result : DoubleBox{};
}

void grow_int_box(IntBox& box, const Clipper2Lib::Point64& point) noexcept {
    if (!box.valid) {
        box = IntBox{point.x, point.y, point.x, point.y, true};
        return;
    }
    box.xmin = std::min(box.xmin, point.x);
    box.ymin = std::min(box.ymin, point.y);
    box.xmax = std::max(box.xmax, point.x);
    box.ymax = std::max(box.ymax, point.y);
}

IntBox box_paths_bounds(const Clipper2Lib::Paths64& paths) noexcept {
    IntBox box;
    for (const auto& path : paths)
        for (const auto& point : path)
            grow_int_box(box, point);
    return box;
}

std::vector<IntBox> per_path_bounds(const Clipper2Lib::Paths64& paths) {
    std::vector<IntBox> boxes;
    boxes.reserve(paths.size());
    for (const auto& path : paths) {
        IntBox box;
        for (const auto& point : path)
            grow_int_box(box, point);
        boxes.push_back(box);
    }
    return boxes;
}

bool int_boxes_overlap(const IntBox& a, const IntBox& b) noexcept {
    return a.valid && b.valid && a.xmax >= b.xmin && b.xmax >= a.xmin && a.ymax >= b.ymin && b.ymax >= a.ymin;
}

}  // namespace pavrix_svg_core
