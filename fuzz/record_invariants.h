#pragma once

// What every recording must satisfy, whatever the input: checked by the fuzzers, which abort on a
// broken promise so that libFuzzer keeps the input.

#include <cmath>
#include <cstdlib>

#include "recorder/paint_command.h"

namespace pavrix_fuzz {

inline void require(bool condition) {
    if (!condition)
        std::abort();
}

inline void check_recording(const pavrix_svg_core::RecorderResult& result) {
    using pavrix_svg_core::PaintCommandKind;
    const bool supported = result.status == "supported";
    require(supported || result.status == "unsupported" || result.status == "invalid");
    require(supported == result.reason_code.empty());
    require(supported || result.commands.empty());
    long clips = 0;
    long groups = 0;
    for (const auto& command : result.commands) {
        require(pavrix_svg_core::paintCommandIsWellFormed(command));
        for (const auto& point : command.path_points)
            require(std::isfinite(point.x) && std::isfinite(point.y));
        for (const double entry : command.matrix)
            require(std::isfinite(entry));
        clips += command.kind == PaintCommandKind::clip_begin ? 1 : command.kind == PaintCommandKind::clip_end ? -1 : 0;
        groups += command.kind == PaintCommandKind::group_begin ? 1
                  : command.kind == PaintCommandKind::group_end ? -1
                                                                : 0;
        require(clips >= 0 && groups >= 0);
    }
    require(clips == 0 && groups == 0);
}

}  // namespace pavrix_fuzz
