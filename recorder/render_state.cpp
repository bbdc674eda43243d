#include "recorder/render_state.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

#include "svg/dom/document.h"
#include "svg/dom/graphics_elements.h"
#include "svg/dom/svg_element.h"

namespace pavrix_svg {

namespace {

bool isExactIdentity(const Transform& t) noexcept {
    // NaN entries compare unequal, so they count as not identity.
    return t.a() == 1.0f && t.b() == 0.0f && t.c() == 0.0f && t.d() == 1.0f && t.e() == 0.0f && t.f() == 0.0f;
}

// Error bounds of a child state; no recorded command carries them.
void childErrorBounds(SVGRenderState& state, const SVGRenderState& parent, const Transform& local,
                      const SVGElement* element) noexcept {
    const double a = local.a(), b = local.b(), c = local.c(), d = local.d();
    const double e = local.e(), f = local.f();
    const double pa = parent.transform.a(), pb = parent.transform.b();
    const double pc = parent.transform.c(), pd = parent.transform.d();
    const double parentLinear = parent.linearErrorBound;
    const double parentTranslation = parent.translationErrorBound;
    const double elementLinear = element ? element->transformLinearPrecisionError : 0.0;
    const double elementTranslation = element ? element->transformTranslationPrecisionError : 0.0;
    const double localNorm = std::max(std::abs(d) + std::abs(b), std::abs(c) + std::abs(a));
    const double parentNorm = std::max(std::abs(pd) + std::abs(pb), std::abs(pc) + std::abs(pa));
    const double localShift = std::max(std::abs(e), std::abs(f));
    state.linearErrorBound = localNorm * parentLinear + parentNorm * elementLinear + elementLinear * parentLinear;
    state.translationErrorBound = parentNorm * elementTranslation + parentTranslation + localShift * parentLinear +
                                  elementTranslation * parentLinear + localShift * elementLinear;
}

bool hasDeferredReason(const SVGElement* element) noexcept {
    if (!element)
        return false;
    for (const auto& entry : deferredCapabilities(*element)) {
        if (!entry.second.reason.empty())
            return true;
    }
    return false;
}

const SVGRenderState* innermostMarkerState(const SVGRenderState& state, const SVGRenderState* parent) noexcept {
    if (state.element && state.element->id() == ElementID::Marker)
        return &state;
    return parent ? parent->markerState : nullptr;
}

}  // namespace

SVGBlendInfo::SVGBlendInfo(const SVGElement& element)
    : clipper(element.clipper), masker(element.masker), opacity(element.opacity), opacityExact(element.opacityExact) {}

SVGRenderState::SVGRenderState(const SVGElement* element_, const SVGRenderState& parent_,
                               const Transform& localTransform, RenderMode mode_)
    : element(element_),
      parent(&parent_),
      transform(parent_.transform.multiplied(localTransform)),
      mode(mode_),
      canvas(parent_.canvas),
      recording(parent_.recording),
      suppressed(parent_.suppressed),
      tally(parent_.tally),
      depth(parent_.depth + 1),
      deferredOnChain(parent_.deferredOnChain || hasDeferredReason(element_)),
      markerState(innermostMarkerState(*this, &parent_)) {
    multiplyTransformExact(exactTransform, parent_.exactTransform, exactLocalTransform(element_, localTransform));
    transformOperationCount = chainTransformOperationCount(parent_.transformOperationCount, element_, localTransform);
    childErrorBounds(*this, parent_, localTransform, element_);
}

SVGRenderState::SVGRenderState(const SVGElement* element_, const SVGRenderState* parent_,
                               const Transform& deviceTransform, RenderMode mode_, std::shared_ptr<Canvas> canvas_,
                               pavrix_svg_core::PaintRecording* recording_)
    : element(element_),
      parent(parent_),
      transform(deviceTransform),
      mode(mode_),
      canvas(std::move(canvas_)),
      recording(recording_),
      exactTransform(toExactTransform(deviceTransform)) {
    transformOperationCount =
        chainTransformOperationCount(parent_ ? parent_->transformOperationCount : 0u, element_, deviceTransform);
    if (parent_ && parent_->recording == recording_) {
        tally = parent_->tally;
    } else {
        ownTally = std::make_unique<RenderPassTally>();
        tally = ownTally.get();
    }
    depth = parent_ ? parent_->depth + 1 : 0;
    deferredOnChain = (parent_ && parent_->deferredOnChain) || hasDeferredReason(element_);
    markerState = innermostMarkerState(*this, parent_);
}

bool isDisplayed(const SVGElement& element) noexcept {
    return element.display != 1;
}

bool isVisible(const SVGElement& element) noexcept {
    return element.visibility == 0;
}

ExactTransform toExactTransform(const Transform& t) noexcept {
    return ExactTransform{t.a(), t.b(), t.c(), t.d(), t.e(), t.f()};
}

ExactTransform exactLocalTransform(const SVGElement* element, const Transform& local) {
    const ExactTransform widened = toExactTransform(local);
    if (!element || !element->isGraphicsElement() || !hasAttribute(*element, PropertyID::Transform)) {
        return widened;
    }
    const auto& graphics = static_cast<const SVGGraphicsElement&>(*element);
    ExactTransform inverse;
    ExactTransform parsed;
    if (!invertTransformExact(toExactTransform(graphics.transform().value()), inverse))
        return widened;
    if (element->exactTransform)
        parsed = *element->exactTransform;
    else if (!parseTransformExact(findAttribute(*element, PropertyID::Transform), parsed))
        return widened;
    // Swap the float copy of the element's own transform inside `local` for the exact one.
    ExactTransform result;
    multiplyTransformExact(result, inverse, widened);
    multiplyTransformExact(result, parsed, result);
    return result;
}

std::uint32_t chainTransformOperationCount(std::uint32_t parentCount, const SVGElement* element,
                                           const Transform& local) noexcept {
    const std::uint32_t own = element ? element->transformOperationCount : 0u;
    std::uint64_t sum = std::uint64_t{parentCount} + own;
    if (!isExactIdentity(local) && own == 0)
        sum += 1;
    constexpr std::uint64_t kMax = std::numeric_limits<std::uint32_t>::max();
    return static_cast<std::uint32_t>(std::min(sum, kMax));
}

bool stateChainContains(const SVGRenderState& state, const SVGElement* element) noexcept {
    for (const SVGRenderState* s = &state; s; s = s->parent) {
        if (s->element == element)
            return true;
    }
    return false;
}

bool markerChainContains(const SVGRenderState& state, const SVGElement* marker) noexcept {
    for (const SVGRenderState* s = state.markerState; s; s = s->parent ? s->parent->markerState : nullptr) {
        if (s->element == marker)
            return true;
    }
    return false;
}

void reportRenderReason(const SVGRenderState& state, std::string_view reason) {
    reportRenderReason(state, reason, state.element);
}

void reportRenderReason(const SVGRenderState& state, std::string_view reason, const SVGElement* element) {
    if (!state.recording || !element)
        return;
    element->document().addReason(reason);
}

bool reportDeferredCapabilities(SVGRenderState& state) {
    if (!state.recording || state.suppressed)
        return false;
    if (!state.deferredOnChain)
        return true;
    for (const SVGRenderState* s = &state; s; s = s->parent) {
        if (!s->element)
            continue;
        for (const auto& [name, capability] : deferredCapabilities(*s->element)) {
            if (capability.reason.empty())
                continue;
            s->element->document().addReason(capability.reason);
            state.suppressed = true;
        }
    }
    return !state.suppressed;
}

}  // namespace pavrix_svg
