#pragma once

// What the replay hands to the preparation of each command: the grid, the flattening error,
// where precision records go and which budget is charged.

#include <cstdint>
#include <optional>
#include <vector>

#include "kernel/commands/boxes.h"
#include "kernel/common/complexity_budget.h"

namespace pavrix_svg_core {

// The bound on how far one lowered edge (its box in source units) may lie from the exact
// outline, in source units.
struct PrecisionRecord {
    DoubleBox box;
    double input_error = 0.0;
};

// The two replay environment variables, read once per analysis by the binding layer (with the
// interpreter lock held, since Python threads may change os.environ) and passed down as values.
struct ReplayEnvironment {
    std::optional<std::uint64_t> replay_threads;  // PAVRIX_SVG_REPLAY_THREADS
    std::optional<std::uint64_t> fail_after;      // PAVRIX_SVG_TEST_REPLAY_FAIL_AFTER
};

struct ReplayParams {
    double origin_x = 0.0;  // source units: the grid's zero
    double origin_y = 0.0;
    double scale = 1.0;                                         // millimetres per source unit
    double grid_quantum = 1.0;                                  // millimetres per grid unit
    double flattening_error = 0.0;                              // millimetres
    std::vector<PrecisionRecord>* precision_records = nullptr;  // optional
    ComplexityBudget* budget = nullptr;                         // required
    // The viewport in source units; paint outside it never prints. Empty box: no viewport clip.
    // Preparation drops geometry far outside it before quantizing, and the replay clips exactly.
    DoubleBox clip_rect;
    ReplayEnvironment environment;
};

}  // namespace pavrix_svg_core
