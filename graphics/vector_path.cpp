#include "graphics/vector_path.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

namespace pavrix_graphics {

namespace {

constexpr std::int64_t kGrowthDoublingLimit = 0x3FFFFFFF;

void mark_invalid(VectorPath* path) {
    path->path_invalid = 1;
}

void release_elements(VectorPath& path) noexcept {
    PathElementArray& array = path.elements;
    if (path.storage && array.data)
        path.storage->deallocate(array.data, static_cast<std::size_t>(array.capacity) * sizeof(PathElement),
                                 alignof(PathElement));
    else
        std::free(array.data);
}

void* reallocate_in_storage(VectorPath& path, std::size_t bytes) noexcept {
    void* data = nullptr;
    try {
        data = path.storage->allocate(bytes, alignof(PathElement));
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    if (path.elements.size > 0)
        std::memcpy(data, path.elements.data, static_cast<std::size_t>(path.elements.size) * sizeof(PathElement));
    release_elements(path);
    return data;
}

// Room for n more elements under the int32 limit; failure marks the path invalid.
bool grow(VectorPath* path, std::int64_t n) {
    if (path->path_invalid)
        return false;
    if (n < 0) {
        mark_invalid(path);
        return false;
    }
    PathElementArray& array = path->elements;
    const std::int64_t need = static_cast<std::int64_t>(array.size) + n;
    if (need > kPathMaxElements) {
        mark_invalid(path);
        return false;
    }
    if (array.capacity >= need)
        return true;
    std::int64_t capacity = array.capacity == 0 ? 8 : array.capacity;
    while (capacity < need && capacity <= kGrowthDoublingLimit)
        capacity *= 2;
    if (capacity < need)
        capacity = need;
    const std::uint64_t bytes = static_cast<std::uint64_t>(capacity) * sizeof(PathElement);
    void* data = path->storage ? reallocate_in_storage(*path, static_cast<std::size_t>(bytes))
                               : std::realloc(array.data, static_cast<std::size_t>(bytes));
    if (!data) {
        mark_invalid(path);
        return false;
    }
    array.data = static_cast<PathElement*>(data);
    array.capacity = static_cast<std::int32_t>(capacity);
    return true;
}

}  // namespace

VectorPath* path_create(std::pmr::memory_resource* storage) {
    VectorPath* path = new (std::nothrow) VectorPath();
    if (path)
        path->storage = storage;
    return path;
}

VectorPath* path_reference(VectorPath* path) {
    if (path)
        path->ref_count.fetch_add(1, std::memory_order_relaxed);
    return path;
}

void path_destroy(VectorPath* path) {
    if (!path)
        return;
    if (path->ref_count.fetch_sub(1, std::memory_order_acq_rel) != 1)
        return;
    release_elements(*path);
    delete path;
}

std::int32_t path_get_reference_count(const VectorPath* path) {
    return path ? path->ref_count.load(std::memory_order_acquire) : 0;
}

std::int32_t path_get_elements(const VectorPath* path, const PathElement** elements) {
    if (!path)
        return 0;
    if (elements)
        *elements = path->elements.data;
    return path->elements.size;
}

void path_get_current_point(const VectorPath* path, float* x, float* y) {
    float cx = 0.0f;
    float cy = 0.0f;
    if (path && path->num_points > 0 && path->elements.size > 0) {
        const FloatPoint& p = path->elements.data[path->elements.size - 1].point;
        cx = p.x;
        cy = p.y;
    }
    if (x)
        *x = cx;
    if (y)
        *y = cy;
}

bool path_reserve(VectorPath* path, std::int64_t n) {
    return path && grow(path, n);
}

FloatPoint* path_add_command(VectorPath* path, PathCommand command, int npoints) {
    if (!path)
        return nullptr;
    if (npoints < 0) {
        mark_invalid(path);
        return nullptr;
    }
    if (!grow(path, static_cast<std::int64_t>(npoints) + 1))
        return nullptr;
    PathElementArray& array = path->elements;
    PathElement* header = array.data + array.size;
    header->header.command = command;
    header->header.length = npoints + 1;
    array.size += npoints + 1;
    path->num_points += npoints;
    return &header[1].point;
}

void path_move_to(VectorPath* path, float x, float y) {
    FloatPoint* p = path_add_command(path, PathCommand::move_to, 1);
    if (!p)
        return;
    p[0] = {x, y};
    path->num_contours += 1;
    path->start_point = {x, y};
}

void path_line_to(VectorPath* path, float x, float y) {
    if (!path)
        return;
    if (path->elements.size == 0)
        path_move_to(path, 0.0f, 0.0f);
    FloatPoint* p = path_add_command(path, PathCommand::line_to, 1);
    if (!p)
        return;
    p[0] = {x, y};
}

void path_cubic_to(VectorPath* path, float x1, float y1, float x2, float y2, float x3, float y3) {
    if (!path)
        return;
    if (path->elements.size == 0)
        path_move_to(path, 0.0f, 0.0f);
    FloatPoint* p = path_add_command(path, PathCommand::cubic_to, 3);
    if (!p)
        return;
    p[0] = {x1, y1};
    p[1] = {x2, y2};
    p[2] = {x3, y3};
    path->num_curves += 1;
}

void path_quad_to(VectorPath* path, float x1, float y1, float x2, float y2) {
    if (!path)
        return;
    float x0 = 0.0f;
    float y0 = 0.0f;
    path_get_current_point(path, &x0, &y0);
    constexpr float kThird = 0.33333334f;
    constexpr float kTwoThirds = 0.6666667f;
    path_cubic_to(path, x0 * kThird + x1 * kTwoThirds, y0 * kThird + y1 * kTwoThirds, x2 * kThird + x1 * kTwoThirds,
                  y2 * kThird + y1 * kTwoThirds, x2, y2);
}

void path_close(VectorPath* path) {
    if (!path || path->path_invalid || path->elements.size == 0)
        return;
    FloatPoint* p = path_add_command(path, PathCommand::close, 1);
    if (!p)
        return;
    p[0] = path->start_point;
}

void path_add_rect(VectorPath* path, float x, float y, float w, float h) {
    if (!path_reserve(path, 12))
        return;
    path_move_to(path, x, y);
    path_line_to(path, x + w, y);
    path_line_to(path, x + w, y + h);
    path_line_to(path, x, y + h);
    path_line_to(path, x, y);
    path_close(path);
}

namespace {
constexpr float kKappa = 0.5522848f;
}

void path_add_round_rect(VectorPath* path, float x, float y, float w, float h, float rx, float ry) {
    if (!path)
        return;
    rx = std::min(rx, w * 0.5f);
    ry = std::min(ry, h * 0.5f);
    if (rx == 0.0f && ry == 0.0f) {
        path_add_rect(path, x, y, w, h);
        return;
    }
    const float r = x + w;
    const float b = y + h;
    const float kx = rx * kKappa;
    const float ky = ry * kKappa;
    if (!path_reserve(path, 28))
        return;
    path_move_to(path, x, y + ry);
    path_cubic_to(path, x, y + ry - ky, x + rx - kx, y, x + rx, y);
    path_line_to(path, r - rx, y);
    path_cubic_to(path, r - rx + kx, y, r, y + ry - ky, r, y + ry);
    path_line_to(path, r, b - ry);
    path_cubic_to(path, r, b - ry + ky, r - rx + kx, b, r - rx, b);
    path_line_to(path, x + rx, b);
    path_cubic_to(path, x + rx - kx, b, x, b - ry + ky, x, b - ry);
    path_line_to(path, x, y + ry);
    path_close(path);
}

void path_add_ellipse(VectorPath* path, float cx, float cy, float rx, float ry) {
    if (!path_reserve(path, 20))
        return;
    const float kx = rx * kKappa;
    const float ky = ry * kKappa;
    path_move_to(path, cx, cy - ry);
    path_cubic_to(path, cx + kx, cy - ry, cx + rx, cy - ky, cx + rx, cy);
    path_cubic_to(path, cx + rx, cy + ky, cx + kx, cy + ry, cx, cy + ry);
    path_cubic_to(path, cx - kx, cy + ry, cx - rx, cy + ky, cx - rx, cy);
    path_cubic_to(path, cx - rx, cy - ky, cx - kx, cy - ry, cx, cy - ry);
    path_close(path);
}

void path_add_path(VectorPath* path, const VectorPath* source, const AffineMatrix* matrix) {
    if (!path || !source || path->path_invalid)
        return;
    // Read everything of the source first: it may be the destination itself.
    const std::int32_t count = source->elements.size;
    if (count == 0)
        return;
    if (!matrix) {
        const std::int32_t points = source->num_points;
        const std::int32_t contours = source->num_contours;
        const std::int32_t curves = source->num_curves;
        const FloatPoint start = source->start_point;
        if (!grow(path, count))
            return;
        // After the reserve: growth may have moved the source's array when it is ours.
        std::memcpy(path->elements.data + path->elements.size, source->elements.data,
                    static_cast<std::size_t>(count) * sizeof(PathElement));
        path->elements.size += count;
        path->start_point = start;
        path->num_points += points;
        path->num_contours += contours;
        path->num_curves += curves;
        if (source->path_invalid)
            mark_invalid(path);
        return;
    }
    if (!grow(path, count))
        return;
    // Index-based walk that re-reads the array each step, so appending to itself stays safe.
    std::int32_t index = 0;
    while (index < count && !path->path_invalid) {
        const PathHeader header = source->elements.data[index].header;
        const std::int32_t length = std::max<std::int32_t>(header.length, 1);
        FloatPoint pts[3];
        const int n = header.command == PathCommand::cubic_to ? 3 : 1;
        if (length - 1 >= n && index + n < count) {
            for (int i = 0; i < n; ++i)
                pts[i] = source->elements.data[index + 1 + i].point;
            matrix_map_points(matrix, pts, pts, n);
            copy_path_callback(path, header.command, pts, n);
        }
        index += length;
    }
    // What the source lost, the copy lacks too.
    if (source->path_invalid)
        mark_invalid(path);
}

void path_reset(VectorPath* path) {
    if (!path)
        return;
    path->elements.size = 0;
    path->num_points = 0;
    path->num_contours = 0;
    path->num_curves = 0;
    path->start_point = {0.0f, 0.0f};
    path->path_invalid = 0;
}

VectorPath* path_clone(const VectorPath* path) {
    if (!path)
        return nullptr;
    VectorPath* clone = path_create();
    if (!clone)
        return nullptr;
    const std::int32_t count = path->elements.size;
    if (count > 0) {
        if (!grow(clone, count)) {
            path_destroy(clone);
            return nullptr;
        }
        std::memcpy(clone->elements.data, path->elements.data, static_cast<std::size_t>(count) * sizeof(PathElement));
    }
    clone->elements.size = count;
    clone->num_points = path->num_points;
    clone->num_contours = path->num_contours;
    clone->num_curves = path->num_curves;
    clone->start_point = path->start_point;
    // A copy of a path that lost appends must not pass for a complete one.
    clone->path_invalid = path->path_invalid;
    return clone;
}

void path_iterator_init(VectorPathIterator* it, const VectorPath* path) {
    if (!it)
        return;
    it->elements = path ? path->elements.data : nullptr;
    it->size = path ? path->elements.size : 0;
    it->index = 0;
}

bool path_iterator_has_next(const VectorPathIterator* it) {
    return it && it->index < it->size;
}

PathCommand path_iterator_next(VectorPathIterator* it, FloatPoint points[3]) {
    if (!path_iterator_has_next(it))
        return PathCommand::move_to;  // past the end: nothing to copy
    const PathHeader header = it->elements[it->index].header;
    const std::int32_t length = std::max<std::int32_t>(header.length, 1);
    const int wanted = header.command == PathCommand::cubic_to ? 3 : 1;
    const int available = std::min<std::int64_t>(std::min<std::int32_t>(wanted, length - 1),
                                                 static_cast<std::int64_t>(it->size) - it->index - 1);
    for (int i = 0; i < available; ++i)
        points[i] = it->elements[it->index + 1 + i].point;
    it->index += std::min<std::int32_t>(length, it->size - it->index);
    return header.command;
}

void copy_path_callback(void* closure, PathCommand command, const FloatPoint* points, int npoints) {
    auto* path = static_cast<VectorPath*>(closure);
    switch (command) {
    case PathCommand::move_to:
        if (npoints >= 1)
            path_move_to(path, points[0].x, points[0].y);
        break;
    case PathCommand::line_to:
        if (npoints >= 1)
            path_line_to(path, points[0].x, points[0].y);
        break;
    case PathCommand::cubic_to:
        if (npoints >= 3)
            path_cubic_to(path, points[0].x, points[0].y, points[1].x, points[1].y, points[2].x, points[2].y);
        break;
    case PathCommand::close:
        path_close(path);
        break;
    }
}

void glyph_outline_to_path(void* closure, PathCommand command, const FloatPoint* points, int npoints) {
    if (command != PathCommand::close)
        copy_path_callback(closure, command, points, npoints);
}

}  // namespace pavrix_graphics
