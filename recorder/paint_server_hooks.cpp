#include "recorder/paint_server_hooks.h"

#include "recorder/render_pass.h"
#include "recorder/render_state.h"
#include "svg/dom/paint_server_elements.h"

namespace pavrix_svg {

namespace {

PaintTarget paintTarget(const SVGRenderState& state) {
    PaintTarget target;
    target.canvas = state.canvas.get();
    if (state.element != nullptr)
        target.fillBox = state.element->fillBoundingBox();
    target.transform = state.transform;
    return target;
}

bool chainRenders(const SVGRenderState& state, const SVGElement& element) {
    return stateChainContains(state, &element);
}

// Pattern tiles are drawn in a layer state without a recording.
void renderPatternContent(const SVGElement& holder, const std::shared_ptr<Canvas>& canvas, const Transform& transform,
                          const SVGRenderState& parent) {
    SVGRenderState layer(&holder, &parent, transform, RenderMode::Painting, canvas, nullptr);
    renderChildren(holder, layer);
}

const PaintServerHooks kPaintServerHooks{
    .target = &paintTarget,
    .chainRenders = &chainRenders,
    .renderContent = &renderPatternContent,
};

}  // namespace

void installPaintServerHooks() noexcept {
    setPaintServerHooks(&kPaintServerHooks);
}

}  // namespace pavrix_svg
