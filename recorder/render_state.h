#pragma once

// Per-element context of the render pass: a chain of states on the call stack
// from the element being rendered up to the root, carrying the float device
// transform the canvas uses, the exact transform recorded commands carry, and
// the group and clip bookkeeping of beginGroup/endGroup.

#include <cstdint>
#include <memory>
#include <string_view>

#include "graphics/canvas.h"
#include "graphics/transform.h"
#include "recorder/paint_command.h"
#include "svg/exact_transform.h"

namespace pavrix_svg {

class SVGElement;

enum class RenderMode : std::uint8_t {
    Painting = 0,
    Clipping = 1,  // inside a clipPath: shapes record clip commands
};

// What beginGroup/endGroup need of an element.
struct SVGBlendInfo {
    explicit SVGBlendInfo(const SVGElement& element);

    const SVGElement* clipper = nullptr;  // resolved clipPath element
    const SVGElement* masker = nullptr;   // resolved mask element
    float opacity = 1.0f;
    double opacityExact = 1.0;
};

class SVGRenderState {
public:
    // Child state: the local transform acts first, then the parent's.
    SVGRenderState(const SVGElement* element, const SVGRenderState& parent,
                   const Transform& localTransform, RenderMode mode);

    // Layer state (also the root state of a recording): the device transform
    // is taken as it is, not combined with the parent's.
    SVGRenderState(const SVGElement* element, const SVGRenderState* parent,
                   const Transform& deviceTransform, RenderMode mode,
                   std::shared_ptr<Canvas> canvas, pavrix_svg_core::PaintRecording* recording);

    SVGRenderState(const SVGRenderState&) = delete;
    SVGRenderState& operator=(const SVGRenderState&) = delete;

    const SVGElement* element = nullptr;
    const SVGRenderState* parent = nullptr;
    Transform transform;
    RenderMode mode = RenderMode::Painting;
    std::shared_ptr<Canvas> canvas;
    pavrix_svg_core::PaintRecording* recording = nullptr;
    ExactTransform exactTransform;
    std::uint32_t transformOperationCount = 0;
    // Kept for diagnostics; recorded commands carry 0 for both.
    double linearErrorBound = 0.0;
    double translationErrorBound = 0.0;
    bool suppressed = false;
    bool clipRecorded = false;
    bool groupRecorded = false;
    std::uint64_t groupStart = 0;
    // Fill and stroke commands recorded so far by this pass (shared along the
    // chain), so that endGroup can tell in constant time whether its group
    // painted anything.
    std::uint64_t* paintedCommands = nullptr;
    std::uint64_t paintedAtGroupStart = 0;

    bool records() const noexcept { return recording != nullptr; }

private:
    std::uint64_t ownPaintedCommands = 0;
};

// Each float widened to double.
ExactTransform toExactTransform(const Transform& transform) noexcept;

// The local transform with the float copy of the element's own transform
// attribute replaced by the exactly parsed one, when both parse and invert.
ExactTransform exactLocalTransform(const SVGElement* element, const Transform& local);

// Transform operations on the chain, saturating at 2^32 - 1.
std::uint32_t chainTransformOperationCount(std::uint32_t parentCount, const SVGElement* element,
                                           const Transform& local) noexcept;

// True when the element is the element of the state or of any state above it.
bool stateChainContains(const SVGRenderState& state, const SVGElement* element) noexcept;

// With a recording, the element (the state's one by default) reports the
// reason to its document; without an element nothing happens.
void reportRenderReason(const SVGRenderState& state, std::string_view reason);
void reportRenderReason(const SVGRenderState& state, std::string_view reason,
                        const SVGElement* element);

// Reports every pending deferred capability of the elements on the chain and
// suppresses the state when one was found. True when nothing was found.
bool reportDeferredCapabilities(SVGRenderState& state);

}  // namespace pavrix_svg
