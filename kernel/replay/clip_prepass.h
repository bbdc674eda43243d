#pragma once

// The two replays that run before the main one when the recording clips: at source scale and at a coarse
// print scale, they narrow the source box to the painted area that survives clipping.

#include <string>
#include <vector>

#include "kernel/commands/boxes.h"
#include "kernel/common/complexity_budget.h"
#include "kernel/commands/replay_params.h"
#include "recorder/paint_command.h"

namespace pavrix_svg_core {

struct ClipPrepassRequest {
    const std::vector<PaintCommand>& commands;
    PaintBox viewport;  // x, y, w, h as recorded
    double target_width_mm = 0.0;
    double tolerance_mm = 0.0;
    bool has_strokes = false;
    ComplexityBudget& budget;
    const ReplayEnvironment& environment;
    const std::vector<DoubleBox>* paint_boxes = nullptr;  // command_bounds of every fill and stroke, in order
};

struct ClipPrepassOutcome {
    bool stop = false;   // status and reason below end the analysis
    std::string status;  // "invalid" or "unsupported" when stopping
    std::string reason_code;
    DoubleBox source_box;     // the narrowed source box when going on
    DoubleBox reference_box;  // R: the extent the grid must reach
};

ClipPrepassOutcome run_clip_prepasses(const ClipPrepassRequest& request);

// The viewport (x, y, x + w, y + h) as a source-unit rectangle, or the empty box when its width or height
// is not positive finite. Every replay clips its paint to it.
DoubleBox viewport_source_rect(const PaintBox& viewport) noexcept;

}  // namespace pavrix_svg_core
