// Plain and flattened walks over a VectorPath, and the extents built on them.

#include <algorithm>
#include <cmath>

#include "graphics/vector_path.h"

namespace pavrix_graphics {

namespace {

constexpr int kFlattenStackDepth = 32;

struct Cubic {
    FloatPoint p0, p1, p2, p3;
};

FloatPoint midpoint(FloatPoint a, FloatPoint b) {
    return {(a.x + b.x) * 0.5f, (a.y + b.y) * 0.5f};
}

// Splits at t = 0.5 by repeated midpoints.
void split_cubic(const Cubic& c, Cubic& first, Cubic& second) {
    const FloatPoint p01 = midpoint(c.p0, c.p1);
    const FloatPoint p12 = midpoint(c.p1, c.p2);
    const FloatPoint p23 = midpoint(c.p2, c.p3);
    const FloatPoint p012 = midpoint(p01, p12);
    const FloatPoint p123 = midpoint(p12, p23);
    const FloatPoint mid = midpoint(p012, p123);
    first = {c.p0, p01, p012, mid};
    second = {mid, p123, p23, c.p3};
}

float cubic_deviation(const Cubic& c, float v) {
    const FloatPoint& p0 = c.p0;
    const FloatPoint& p1 = c.p1;
    const FloatPoint& p2 = c.p2;
    const FloatPoint& p3 = c.p3;
    if (v > 1.0f) {
        return std::fabs((p0.y - p2.y) * (p3.x - p0.x) - (p0.x - p2.x) * (p3.y - p0.y)) +
               std::fabs((p0.y - p1.y) * (p3.x - p0.x) - (p0.x - p1.x) * (p3.y - p0.y));
    }
    return std::fabs(p0.y - p1.y) + std::fabs(p0.x - p1.x) + std::fabs(p0.x - p2.x) + std::fabs(p0.y - p2.y);
}

void flatten_cubic(const Cubic& start, PathTraverseFunc func, void* closure) {
    Cubic stack[kFlattenStackDepth];
    int top = 0;
    stack[0] = start;
    while (top >= 0) {
        const Cubic c = stack[top];
        const float v = std::fabs(c.p3.x - c.p0.x) + std::fabs(c.p3.y - c.p0.y);
        const float deviation = cubic_deviation(c, v);
        // A non-finite cubic never gets flat; splitting it would only multiply the NaNs
        // into 2^31 pieces, so it ends as one line.
        if (deviation < std::max(v, 1.0f) * 0.25f || top == kFlattenStackDepth - 1 || !std::isfinite(deviation)) {
            func(closure, PathCommand::line_to, &c.p3, 1);
            --top;
            continue;
        }
        Cubic first;
        Cubic second;
        split_cubic(c, first, second);
        stack[top] = second;
        stack[top + 1] = first;
        ++top;
    }
}

int command_points(PathCommand command) {
    return command == PathCommand::cubic_to ? 3 : 1;
}

bool is_known(PathCommand command) {
    return command == PathCommand::move_to || command == PathCommand::line_to || command == PathCommand::cubic_to ||
           command == PathCommand::close;
}

// Passes commands on with every cubic_to cut into line_to pieces.
struct FlattenState {
    PathTraverseFunc func;
    void* closure;
    FloatPoint current;
};

void flatten_callback(void* closure, PathCommand command, const FloatPoint* points, int npoints) {
    auto& state = *static_cast<FlattenState*>(closure);
    if (command == PathCommand::cubic_to) {
        flatten_cubic({state.current, points[0], points[1], points[2]}, state.func, state.closure);
        state.current = points[2];
    } else {
        state.func(state.closure, command, points, npoints);
        state.current = points[0];
    }
}

}  // namespace

void path_traverse(const VectorPath* path, PathTraverseFunc func, void* closure) {
    const PathElement* elements = path->elements.data;
    const std::int32_t size = path->elements.size;
    std::int32_t index = 0;
    while (index < size) {
        const PathHeader header = elements[index].header;
        const std::int32_t length = std::max<std::int32_t>(header.length, 1);
        if (is_known(header.command) && length - 1 >= command_points(header.command) &&
            index + command_points(header.command) < size)
            func(closure, header.command, &elements[index + 1].point, command_points(header.command));
        if (length > size - index)
            break;
        index += length;
    }
}

void path_traverse_flatten(const VectorPath* path, PathTraverseFunc func, void* closure) {
    if (path->num_curves == 0) {
        path_traverse(path, func, closure);
        return;
    }
    FlattenState state{func, closure, {0.0f, 0.0f}};
    path_traverse(path, flatten_callback, &state);
}

namespace {

struct ExtentsState {
    bool first = true;
    float min_x = 0.0f, min_y = 0.0f, max_x = 0.0f, max_y = 0.0f;
    FloatPoint current{0.0f, 0.0f};
    float length = 0.0f;
};

// Widens the box by p; false for the first point, which only starts it.
bool widen(ExtentsState& state, FloatPoint p) noexcept {
    if (state.first) {
        state.first = false;
        state.min_x = state.max_x = p.x;
        state.min_y = state.max_y = p.y;
        return false;
    }
    state.min_x = std::min(state.min_x, p.x);
    state.min_y = std::min(state.min_y, p.y);
    state.max_x = std::max(state.max_x, p.x);
    state.max_y = std::max(state.max_y, p.y);
    return true;
}

void extents_callback(void* closure, PathCommand command, const FloatPoint* points, int npoints) {
    auto* state = static_cast<ExtentsState*>(closure);
    for (int i = 0; i < npoints; ++i) {
        const FloatPoint p = points[i];
        if (widen(*state, p) && command != PathCommand::move_to)
            state->length += std::hypot(p.x - state->current.x, p.y - state->current.y);
        state->current = p;
    }
}

void bounds_callback(void* closure, PathCommand, const FloatPoint* points, int npoints) {
    auto* state = static_cast<ExtentsState*>(closure);
    for (int i = 0; i < npoints; ++i)
        widen(*state, points[i]);
}

void write_box(const ExtentsState& state, FloatRect* rect) noexcept {
    rect->x = state.min_x;
    rect->y = state.min_y;
    rect->w = state.max_x - state.min_x;
    rect->h = state.max_y - state.min_y;
}

}  // namespace

void path_bounds(const VectorPath* path, FloatRect* rect) {
    ExtentsState state;
    path_traverse(path, bounds_callback, &state);
    write_box(state, rect);
}

float path_extents(const VectorPath* path, FloatRect* rect, bool tight) {
    ExtentsState state;
    if (tight)
        path_traverse_flatten(path, extents_callback, &state);
    else
        path_traverse(path, extents_callback, &state);
    if (rect)
        write_box(state, rect);
    return state.length;
}

}  // namespace pavrix_graphics
