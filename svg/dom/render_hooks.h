#pragma once

namespace pavrix_svg {

class SVGRenderState;  // recorder/render_state.h
class SVGGElement;
class SVGSVGElement;
class SVGUseElement;
class SVGGeometryElement;
class SVGImageElement;
class SVGTextElement;

// The render pass lives in the recorder, which links against this library; the element classes
// reach it through these hooks. Unset hooks render nothing.
struct RenderHooks {
    void (*renderG)(SVGGElement&, const SVGRenderState&) = nullptr;
    void (*renderSVG)(SVGSVGElement&, const SVGRenderState&) = nullptr;
    void (*renderUse)(SVGUseElement&, const SVGRenderState&) = nullptr;
    void (*renderGeometry)(SVGGeometryElement&, const SVGRenderState&) = nullptr;
    void (*renderImage)(SVGImageElement&, const SVGRenderState&) = nullptr;
    void (*renderText)(SVGTextElement&, const SVGRenderState&) = nullptr;
};

// The table must outlive every render; it is read through an atomic pointer.
void setRenderHooks(const RenderHooks* hooks) noexcept;
const RenderHooks* renderHooks() noexcept;

}  // namespace pavrix_svg
