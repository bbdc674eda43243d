#pragma once

namespace pavrix_svg {

class SVGRenderState;
class SVGTextElement;

// Draws the text's fragments (fill, then stroke; fill only, in white, when clipping) on the
// state's canvas. `state` is the text element's own render state: its transform already holds
// the element's local transform. Text is drawn, never recorded.
void drawTextFragments(const SVGTextElement& text, const SVGRenderState& state);

}  // namespace pavrix_svg
