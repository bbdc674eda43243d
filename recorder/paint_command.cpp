#include "recorder/paint_command.h"

#include <cstddef>

namespace pavrix_svg_core {

RecorderResult make_invalid_recorder_result() {
    return RecorderResult{};
}

RecorderResult make_complexity_result() {
    RecorderResult result;
    result.status = "unsupported";
    result.reason_code = "unsupported_complexity";
    return result;
}

bool paintCommandIsWellFormed(const PaintCommand& command) noexcept {
    std::size_t points = 0;
    std::size_t moves = 0;
    for (const PathVerb verb : command.path_verbs) {
        if (verb > PathVerb::close) {
            return false;
        }
        points += pointsPerVerb(verb);
        if (verb == PathVerb::move_to) {
            ++moves;
        }
    }
    if (points != command.path_points.size() || moves != command.source_subpath_area_potential.size()) {
        return false;
    }
    switch (command.kind) {
    case PaintCommandKind::clip_end:
    case PaintCommandKind::group_begin:
    case PaintCommandKind::group_end:
        return command.path_verbs.empty();
    default:
        return true;
    }
}

}  // namespace pavrix_svg_core
