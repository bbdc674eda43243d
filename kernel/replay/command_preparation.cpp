// One paint command lowered for the replay: fills and strokes to their prepared normalization.

#include "kernel/replay/replay_workers.h"

#include "kernel/lowering/fill_lowering.h"
#include "kernel/lowering/stroke_outline.h"

namespace pavrix_svg_core {

// Kept apart from the worker pool so that tests of the pool can inject their own preparation
// without linking the lowering stages.
PreparedNormalization prepare_replay_command(const PaintCommand& command, const ReplayParams& params) {
    if (command.kind == PaintCommandKind::stroke)
        return prepare_stroke(command, params);
    return prepare_fill(command, params);
}

}  // namespace pavrix_svg_core
