#pragma once

namespace pavrix_svg {

// Gives the paint servers of the SVG layer what they need of a render state: its canvas, the
// painted element's fill box and transform, the chain check, and the pattern content drawing.
void installPaintServerHooks() noexcept;

}  // namespace pavrix_svg
