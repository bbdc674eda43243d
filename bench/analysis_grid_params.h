#pragma once

// Replay parameters on the grid an analysis chose for a document (documents without clips), so a
// benchmark can run the stages after the replay on the very regions the analysis saw.

#include "kernel/replay/clip_prepass.h"
#include "kernel/result/native_result.h"
#include "kernel/commands/replay_params.h"
#include "recorder/paint_command.h"

inline pavrix_svg_core::ReplayParams analysis_grid_params(const pavrix_svg_core::NativeResult& analysis,
                                                          const pavrix_svg_core::RecorderResult& recording,
                                                          pavrix_svg_core::ComplexityBudget& budget) {
    pavrix_svg_core::ReplayParams params;
    params.origin_x = analysis.bbox[0];
    params.origin_y = analysis.bbox[1];
    params.scale = analysis.scale_factor;
    params.grid_quantum = analysis.grid_to_source_unit * analysis.scale_factor;
    params.flattening_error = analysis.max_flattening_error_mm;
    params.budget = &budget;
    params.clip_rect = pavrix_svg_core::viewport_source_rect(recording.viewport);
    return params;
}
