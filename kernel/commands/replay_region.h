#pragma once

// What the ordered replay produces for compositing and export: one painted region per fill or
// stroke command, and the paint program (the group tree with its opacities).

#include <array>
#include <cstdint>
#include <vector>

#include <clipper2/clipper.h>

#include "kernel/commands/boxes.h"

namespace pavrix_svg_core {

struct Contributor {
    std::uint32_t draw_index = 0;
    std::int32_t source_index = -1;
    std::int32_t source_kind = 0;
    double weight = 0.0;
};

struct ReplayRegion {
    Clipper2Lib::Paths64 paths;                             // grid geometry after clipping
    std::vector<Clipper2Lib::Paths64> exported_components;  // one path set per exported polygon (alpha mode)
    IntBox bbox;                                            // of `paths`
    double lowering_error_bound = 0.0;                      // maxima of the command's and its clips'
    double input_precision_error_x = 0.0;
    double input_precision_error_y = 0.0;
    std::array<std::uint8_t, 4> rgba{0, 0, 0, 0};
    std::array<double, 4> color{0.0, 0.0, 0.0, 0.0};  // r/255, g/255, b/255, paint opacity
    std::uint32_t draw_index = 0;
    std::int32_t source_index = 0;
    std::uint32_t source_kind = 0;  // 0 fill, 1 stroke, 2 silhouette
    std::vector<Contributor> contributors;
};

// Every field zero or empty, except draw_index 0xFFFFFFFF and source_index -1.
ReplayRegion init_replay_region();

struct PaintProgramNode {
    std::uint8_t is_group = 0;
    std::uint64_t index = 0;              // region index of a leaf, 0 for a group
    double opacity = 1.0;                 // a group's group_opacity; 1 for leaves and the root
    std::vector<std::uint64_t> children;  // node indexes in paint order
};

}  // namespace pavrix_svg_core
