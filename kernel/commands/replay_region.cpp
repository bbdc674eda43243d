#include "kernel/commands/replay_region.h"

namespace pavrix_svg_core {

ReplayRegion init_replay_region() {
    ReplayRegion region;
    region.draw_index = 0xFFFFFFFFu;
    region.source_index = -1;
    return region;
}

}  // namespace pavrix_svg_core
