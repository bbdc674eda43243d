#pragma once

#include <atomic>
#include <cstdint>
#include <memory_resource>

#include "graphics/affine_matrix.h"

// Reference-counted single-precision path: an array of command headers and points with exact
// running counts and a sticky invalid flag that replaces error reporting on failed growth.

namespace pavrix_graphics {

// The codes equal the path verbs of a recorded paint command.
enum class PathCommand : std::int32_t {
    move_to = 0,
    line_to = 1,
    cubic_to = 2,
    close = 3,
};

struct PathHeader {
    PathCommand command;
    std::int32_t length;  // in elements, header included
};

// 8 bytes: a command header or one point.
union PathElement {
    PathHeader header;
    FloatPoint point;
};
static_assert(sizeof(PathElement) == 8);

inline constexpr std::int32_t kPathMaxElements = 0x7FFFFFFF;

struct PathElementArray {
    PathElement* data = nullptr;  // null while capacity is 0
    std::int32_t size = 0;
    std::int32_t capacity = 0;
};

struct VectorPath {
    std::atomic<std::int32_t> ref_count{1};
    std::int32_t num_points = 0;    // point elements: 1 per move_to, line_to, close; 3 per cubic_to
    std::int32_t num_contours = 0;  // move_to headers
    std::int32_t num_curves = 0;    // cubic_to headers
    std::uint8_t path_invalid = 0;  // set by a failed reserve, cleared only by path_reset
    FloatPoint start_point{0.0f, 0.0f};
    PathElementArray elements;
    // Where the element array lives; null for the C heap. A path in arena storage must not
    // outlive the arena.
    std::pmr::memory_resource* storage = nullptr;
};

struct VectorPathIterator {
    const PathElement* elements;
    std::int32_t size;
    std::int32_t index;
};

// Receives move_to, line_to and close with 1 point, cubic_to with 3.
using PathTraverseFunc = void (*)(void* closure, PathCommand command, const FloatPoint* points, int npoints);

// Lifetime. Null in gives null out or nothing done.
VectorPath* path_create(std::pmr::memory_resource* storage = nullptr);
VectorPath* path_reference(VectorPath* path);
void path_destroy(VectorPath* path);
std::int32_t path_get_reference_count(const VectorPath* path);

// Stores the element pointer (when elements is not null) and returns the element count.
std::int32_t path_get_elements(const VectorPath* path, const PathElement** elements);
// Last point of the array, or (0, 0) for a path without points.
void path_get_current_point(const VectorPath* path, float* x, float* y);

// Room for n more elements; false (and path_invalid set) on failure, n < 0, or an invalid path.
bool path_reserve(VectorPath* path, std::int64_t n);
// Appends a header for n points and returns the n point slots to fill, or null.
FloatPoint* path_add_command(VectorPath* path, PathCommand command, int npoints);

void path_move_to(VectorPath* path, float x, float y);
void path_line_to(VectorPath* path, float x, float y);
void path_quad_to(VectorPath* path, float x1, float y1, float x2, float y2);
void path_cubic_to(VectorPath* path, float x1, float y1, float x2, float y2, float x3, float y3);
// SVG endpoint arc from the current point as cubics of at most pi/8; angle in radians. The last
// cubic ends at the mapped end of the ellipse (within rounding of (x, y)); arcs without a usable
// ellipse become line_to(x, y).
void path_arc_to(VectorPath* path, float rx, float ry, float angle, bool large_arc, bool sweep, float x, float y);
void path_close(VectorPath* path);
void path_add_rect(VectorPath* path, float x, float y, float w, float h);
void path_add_round_rect(VectorPath* path, float x, float y, float w, float h, float rx, float ry);
void path_add_ellipse(VectorPath* path, float cx, float cy, float rx, float ry);
// Appends source (mapped by matrix when not null).
void path_add_path(VectorPath* path, const VectorPath* source, const AffineMatrix* matrix);
// Empties the path and clears path_invalid; the array is kept.
void path_reset(VectorPath* path);

// Readers: the path must not be null.
VectorPath* path_clone(const VectorPath* path);
// Copy made of move_to and line_to only, cut by the dash pattern. Null on allocation failure.
VectorPath* path_clone_dashed(const VectorPath* path, float offset, const float* dashes, int dash_count);
// Bounding box into rect (may be null); returns the traversed length.
float path_extents(const VectorPath* path, FloatRect* rect, bool tight);
// The control-point box of path_extents without its length, for callers that need only the box.
void path_bounds(const VectorPath* path, FloatRect* rect);
void path_traverse(const VectorPath* path, PathTraverseFunc func, void* closure);
// As path_traverse with every cubic_to delivered as line_to pieces.
void path_traverse_flatten(const VectorPath* path, PathTraverseFunc func, void* closure);

void path_iterator_init(VectorPathIterator* it, const VectorPath* path);
bool path_iterator_has_next(const VectorPathIterator* it);
// Copies one point (three for cubic_to) into points and advances past the command.
PathCommand path_iterator_next(VectorPathIterator* it, FloatPoint points[3]);

// Traversal callbacks; the closure is the destination VectorPath.
void copy_path_callback(void* closure, PathCommand command, const FloatPoint* points, int npoints);
// As copy_path_callback without close.
void glyph_outline_to_path(void* closure, PathCommand command, const FloatPoint* points, int npoints);

}  // namespace pavrix_graphics
