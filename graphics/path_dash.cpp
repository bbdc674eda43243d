// Dashed copy of a path: the flattened outline cut into on and off runs.

#include <cmath>
#include <cstdint>
#include <limits>

#include "graphics/vector_path.h"

namespace pavrix_graphics {

namespace {

struct Dasher {
    const float* dashes;
    int count;
    float start_phase;
    int start_index;
    bool start_on;
    float phase;
    int index;
    bool on;
    FloatPoint current;
    VectorPath* output;
};

void forward(Dasher& dasher, PathCommand command, FloatPoint p) {
    copy_path_callback(dasher.output, command, &p, 1);
}

void dash_segment(Dasher& dasher, FloatPoint end) {
    const FloatPoint start = dasher.current;
    const float dx = end.x - start.x;
    const float dy = end.y - start.y;
    const float d = std::hypot(dx, dy);
    float u = 0.0f;
    for (;;) {
        if (dasher.output->path_invalid)
            return;
        const float dash = dasher.dashes[dasher.index % dasher.count];
        const float step = dash - dasher.phase;
        if (!(d - u > step))
            break;
        const float next = u + step;
        if ((step > 0.0f && !(next > u)) || d == std::numeric_limits<float>::infinity()) {
            // The running length no longer moves at this magnitude (or the segment is infinite):
            // the rest of the segment cannot be cut in float, so it stays in the current state
            // and this dash ends.
            if (dasher.on)
                forward(dasher, PathCommand::line_to, end);
            dasher.phase = dash;
            dasher.current = end;
            return;
        }
        u = next;
        const float t = u / d;
        const FloatPoint at{start.x + dx * t, start.y + dy * t};
        forward(dasher, dasher.on ? PathCommand::line_to : PathCommand::move_to, at);
        dasher.phase = 0.0f;
        dasher.on = !dasher.on;
        dasher.index = (dasher.index + 1) % dasher.count;
    }
    if (dasher.on)
        forward(dasher, PathCommand::line_to, end);
    dasher.phase += d - u;
    dasher.current = end;
}

void dash_callback(void* closure, PathCommand command, const FloatPoint* points, int npoints) {
    auto& dasher = *static_cast<Dasher*>(closure);
    if (dasher.output->path_invalid || npoints < 1)
        return;
    switch (command) {
    case PathCommand::move_to:
        if (dasher.start_on)
            forward(dasher, PathCommand::move_to, points[0]);
        dasher.phase = dasher.start_phase;
        dasher.index = dasher.start_index;
        dasher.on = dasher.start_on;
        dasher.current = points[0];
        break;
    case PathCommand::line_to:
    case PathCommand::close:
        dash_segment(dasher, points[0]);
        break;
    case PathCommand::cubic_to:
        break;  // flattening delivers no cubics
    }
}

}  // namespace

VectorPath* path_clone_dashed(const VectorPath* path, float offset, const float* dashes, int dash_count) {
    VectorPath* copy = path_create();
    if (!copy)
        return nullptr;
    const std::int64_t reserve =
        static_cast<std::int64_t>(path->num_curves) * 32 + static_cast<std::int64_t>(path->elements.size);
    if (!path_reserve(copy, reserve)) {
        path_destroy(copy);
        return nullptr;
    }

    // A negative or non-finite entry makes the pattern meaningless (and could run the phase
    // search backwards), so such a pattern means no dashing, like an all-zero one.
    bool usable = dashes != nullptr && dash_count > 0;
    float total = 0.0f;
    for (int i = 0; usable && i < dash_count; ++i) {
        if (!(dashes[i] >= 0.0f) || !std::isfinite(dashes[i]))
            usable = false;
        else
            total += dashes[i];
    }
    if (usable && dash_count % 2 == 1)
        total *= 2.0f;

    if (!usable || !(total > 0.0f) || !std::isfinite(total)) {
        path_traverse(path, copy_path_callback, copy);
    } else {
        float phase = std::fmod(offset, total);
        // A non-finite offset leaves a NaN phase: nothing is ever cut and the copy stays solid.
        if (phase < 0.0f)
            phase += total;
        int index = 0;
        bool on = true;
        // One pass over the doubled pattern covers any phase below the total; the cap only
        // guards against rounding that keeps a tiny entry from reducing the phase.
        const std::int64_t max_steps = 4 * static_cast<std::int64_t>(dash_count) + 4;
        for (std::int64_t steps = 0; phase > 0.0f && phase >= dashes[index % dash_count] && steps < max_steps;
             ++steps) {
            phase -= dashes[index % dash_count];
            index = (index + 1) % dash_count;
            on = !on;
        }
        Dasher dasher{dashes, dash_count, phase, index, on, phase, index, on, {0.0f, 0.0f}, copy};
        path_traverse_flatten(path, dash_callback, &dasher);
    }

    if (copy->path_invalid) {
        path_destroy(copy);
        return nullptr;
    }
    return copy;
}

}  // namespace pavrix_graphics
