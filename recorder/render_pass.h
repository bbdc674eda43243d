#pragma once

// The render pass: walks a parsed document and records its painting. The
// element classes reach the slots below through the render hooks.

#include "graphics/point.h"
#include "recorder/paint_command.h"
#include "recorder/render_state.h"

namespace pavrix_svg {

class Document;
class SVGGElement;
class SVGSVGElement;
class SVGUseElement;
class SVGGeometryElement;
class SVGImageElement;
class SVGTextElement;
class SVGMarkerElement;

// The reference pre-pass: unresolved clip-path references and use elements
// whose href names no element add their reason to the recording.
void checkElementReferences(const SVGElement& element, const Document& document,
                            pavrix_svg_core::PaintRecording& recording);
void checkSubtreeReferences(const SVGElement& element, const Document& document,
                            pavrix_svg_core::PaintRecording& recording);

void renderGElement(SVGGElement& element, const SVGRenderState& parentState);
void renderSVGElement(SVGSVGElement& element, const SVGRenderState& parentState);
void renderUseElement(SVGUseElement& element, const SVGRenderState& parentState);
void renderGeometryElement(SVGGeometryElement& element, const SVGRenderState& parentState);
void renderImageElement(SVGImageElement& element, const SVGRenderState& parentState);
// Text records nothing; its fragments are drawn on the canvas inside the group.
void renderTextElement(SVGTextElement& element, const SVGRenderState& parentState);
// Nothing when the marker is already being rendered further up the chain.
void renderMarker(const SVGMarkerElement& marker, const SVGRenderState& parentState, const Point& point, float angle,
                  float strokeWidth);
// Points the element classes' render slots (and pattern tiles) at this pass.
void installRenderHooks() noexcept;

// The render slot of every child element, in document order.
void renderChildren(const SVGElement& element, const SVGRenderState& state);

}  // namespace pavrix_svg

namespace pavrix_svg_core {

// Records the document; lays it out and renders only while it carries no
// reason. Any reason left at the end empties the command list.
PaintRecording recordDocument(pavrix_svg::Document& document);

}  // namespace pavrix_svg_core
