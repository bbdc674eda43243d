#pragma once

// What the replay hands to the preparation of each command: the grid, the flattening error,
// where precision records go and which budget is charged.

#include <vector>

#include "kernel/boxes.h"
#include "kernel/complexity_budget.h"

namespace pavrix_svg_core {

// The bound on how far one lowered edge (its box in source units) may lie from the exact
// outline, in source units.
struct PrecisionRecord {
    DoubleBox box;
    double input_error = 0.0;
};

struct ReplayParams {
    double origin_x = 0.0;            // source units: the grid's zero
    double origin_y = 0.0;
    double scale = 1.0;               // millimetres per source unit
    double grid_quantum = 1.0;        // millimetres per grid unit
    double flattening_error = 0.0;    // millimetres
    std::vector<PrecisionRecord>* precision_records = nullptr;  // optional
    ComplexityBudget* budget = nullptr;                         // required
};

}  // namespace pavrix_svg_core
