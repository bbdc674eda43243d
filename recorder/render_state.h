#pragma once

// Per-element context of the render pass: a chain of states on the call stack
// from the element being rendered up to the root, carrying the float device
// transform the canvas uses, the exact transform recorded commands carry, and
// the group and clip bookkeeping of beginGroup/endGroup.

#include <cstdint>
#include <memory>
#include <string_view>
#include <unordered_map>

#include "graphics/canvas.h"
#include "graphics/transform.h"
#include "recorder/paint_command.h"
#include "svg/exact/exact_transform.h"

namespace pavrix_svg {

class SVGElement;

enum class RenderMode : std::uint8_t {
    Painting = 0,
    Clipping = 1,  // inside a clipPath: shapes record clip commands
};

// What beginGroup/endGroup need of an element.
// What a clip path records as, which depends only on its laid-out subtree.
struct ClipSummary {
    bool complex = false;
    const SVGElement* simpleChild = nullptr;  // the shape or use recordSimpleClip records
};

// Running figures of one render pass, shared by every state of its chain.
struct RenderPassTally {
    // Fill and stroke commands recorded so far, so that endGroup can tell in
    // constant time whether its group painted anything.
    std::uint64_t paintedCommands = 0;
    // Elements and attribute bytes of marker content rendered so far: every
    // instance renders its marker's whole subtree again.
    std::uint64_t markerContentElements = 0;
    std::uint64_t markerContentBytes = 0;
    bool markerBudgetSpent = false;
    // Clip paths are summarized once per pass, however many elements use them.
    std::unordered_map<const SVGElement*, ClipSummary> clipSummaries;
};

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
    SVGRenderState(const SVGElement* element, const SVGRenderState& parent, const Transform& localTransform,
                   RenderMode mode);

    // Layer state (also the root state of a recording): the device transform
    // is taken as it is, not combined with the parent's.
    SVGRenderState(const SVGElement* element, const SVGRenderState* parent, const Transform& deviceTransform,
                   RenderMode mode, std::shared_ptr<Canvas> canvas, pavrix_svg_core::PaintRecording* recording);

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
    // Shared with the parent when both feed the same recording.
    RenderPassTally* tally = nullptr;
    std::uint64_t paintedAtGroupStart = 0;
    // States above this one on the chain.
    std::uint32_t depth = 0;
    // Some element on the chain holds a deferred capability with a reason, so
    // that painting without one costs no walk up the chain.
    bool deferredOnChain = false;
    // The innermost state on the chain (this one included) rendering a marker.
    const SVGRenderState* markerState = nullptr;

    bool records() const noexcept { return recording != nullptr; }

private:
    std::unique_ptr<RenderPassTally> ownTally;
};

// Clip shapes are drawn in opaque white.
inline constexpr std::uint32_t kClipColor = 0xFFFFFFFFu;

// display: none leaves out the element and its subtree.
bool isDisplayed(const SVGElement& element) noexcept;
// Only "visible" shows; "hidden" and "collapse" hide alike.
bool isVisible(const SVGElement& element) noexcept;

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
// stateChainContains for a marker element, visiting only the marker states.
bool markerChainContains(const SVGRenderState& state, const SVGElement* marker) noexcept;

// With a recording, the element (the state's one by default) reports the
// reason to its document; without an element nothing happens.
void reportRenderReason(const SVGRenderState& state, std::string_view reason);
void reportRenderReason(const SVGRenderState& state, std::string_view reason, const SVGElement* element);

// Reports every pending deferred capability of the elements on the chain and
// suppresses the state when one was found. True when nothing was found.
bool reportDeferredCapabilities(SVGRenderState& state);

}  // namespace pavrix_svg
