#include "recorder/text_drawing.h"

#include <string_view>

#include "graphics/canvas.h"
#include "recorder/paint_emission.h"
#include "recorder/render_state.h"
#include "svg/dom/text_elements.h"

namespace pavrix_svg {

void drawTextFragments(const SVGTextElement& text, const SVGRenderState& state) {
    if (state.canvas == nullptr)
        return;
    Canvas& canvas = *state.canvas;
    const bool clipping = state.mode == RenderMode::Clipping;
    for (const TextFragment& fragment : text.fragments()) {
        const std::u32string_view run(text.text().data() + fragment.start, fragment.length);
        const Transform transform = state.transform.multiplied(fragment.transform);
        const Point origin(fragment.x, fragment.y);
        const SVGTextPositioningElement& owner = *fragment.element;
        if (clipping) {
            canvas.setColor(0xffffffffu);
            canvas.fillText(run, owner.font, origin, transform);
            continue;
        }
        if (applyToCanvas(owner.fillPaint, state))
            canvas.fillText(run, owner.font, origin, transform);
        if (applyToCanvas(owner.strokePaint, state))
            canvas.strokeText(run, owner.strokeWidth, owner.font, origin, transform);
    }
}

}  // namespace pavrix_svg
