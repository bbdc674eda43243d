#pragma once

// The frame every painting element is rendered in: an opacity group, a simple
// clip path, or a refusal with a reason code.

#include "recorder/render_state.h"

namespace pavrix_svg {

void beginGroup(SVGRenderState& state, const SVGBlendInfo& blend);
void endGroup(SVGRenderState& state, const SVGBlendInfo& blend);

}  // namespace pavrix_svg
