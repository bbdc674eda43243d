#include "recorder/render_pass.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "graphics/canvas.h"
#include "graphics/path.h"
#include "recorder/exact_shape_geometry.h"
#include "recorder/group_recording.h"
#include "recorder/paint_emission.h"
#include "recorder/paint_server_hooks.h"
#include "recorder/text_drawing.h"
#include "svg/dom/document.h"
#include "svg/dom/geometry_element.h"
#include "svg/dom/graphics_elements.h"
#include "svg/dom/image_element.h"
#include "svg/dom/length_resolution.h"
#include "svg/dom/marker_element.h"
#include "svg/dom/marker_layout.h"
#include "svg/lexical/ascii.h"
#include "svg/lexical/number_readers.h"
#include "svg/dom/paint.h"
#include "svg/dom/render_hooks.h"
#include "svg/dom/svg_svg_element.h"
#include "svg/dom/text_elements.h"
#include "svg/dom/use_element.h"

namespace pavrix_svg {

using pavrix_svg_core::PaintCommandKind;
using pavrix_svg_core::PaintRecording;

namespace {

void addUniqueReason(std::vector<std::string>& reasons, std::string_view reason) {
    if (std::find(reasons.begin(), reasons.end(), reason) == reasons.end()) {
        reasons.emplace_back(reason);
    }
}

// Steps shared by svg and marker elements once their group is open: the
// viewport clip when overflow is hidden, the children, the clip's end.
void renderViewportContent(const SVGElement& element, const SVGFitToViewBox& fit, float width, float height,
                           SVGRenderState& state) {
    bool viewportClipRecorded = false;
    if (element.overflow == 1) {
        const Rect& viewBox = fit.viewBox().value();
        const bool useViewBox = viewBox.w > 0.0f && viewBox.h > 0.0f && width > 0.0f && height > 0.0f;
        const Rect clip = useViewBox ? viewBoxClipRect(fit.preserveAspectRatio(), viewBox, width, height)
                                     : Rect(0.0f, 0.0f, width, height);
        if (state.recording && !state.suppressed) {
            state.canvas->setColor(kClipColor);
            Path path;
            path.addRect(clip);
            const std::size_t before = state.recording->commands.size();
            emitPaintCommand(state, PaintCommandKind::clip_begin, path, 0, nullptr, &element);
            // Only a clip that was really recorded gets its clip_end.
            viewportClipRecorded = state.recording->commands.size() > before;
        }
        state.canvas->clipRect(clip, FillRule::NonZero, state.transform);
    }
    renderChildren(element, state);
    if (viewportClipRecorded)
        emitGroupCommand(state, PaintCommandKind::clip_end, &element, 1.0);
}

// The frame of every group-like slot: the element's blend, a child state with
// the local transform and the parent's mode, the content between beginGroup
// and endGroup.
template <typename Content>
void renderInGroup(const SVGElement& element, const Transform& local, const SVGRenderState& parentState,
                   Content&& content) {
    const SVGBlendInfo blend(element);
    SVGRenderState state(&element, parentState, local, parentState.mode);
    beginGroup(state, blend);
    content(state);
    endGroup(state, blend);
}

// Marker instances render their marker's content again each time, and marker
// content can hold markers in turn: a few kilobytes could otherwise expand
// exponentially or nest past the stack. Instances get the budget of use
// clones, and the chain of states stays within twice the document's depth.
constexpr std::uint32_t kMaxMarkerStateDepth = 2 * Document::kMaxElementDepth;

bool chargeMarkerContent(const SVGMarkerElement& marker, RenderPassTally& tally) noexcept {
    const SVGElement* node = &marker;
    while (node) {
        if (++tally.markerContentElements > Document::kMaxClonedElements)
            return false;
        for (const Attribute& attribute : node->attributes()) {
            tally.markerContentBytes += attribute.value.size() + 1;
        }
        if (tally.markerContentBytes > Document::kMaxCloneAttributeBytes)
            return false;
        if (const SVGElement* child = node->firstElementChild()) {
            node = child;
            continue;
        }
        while (node != &marker && !node->nextElementSibling())
            node = node->parent();
        node = node == &marker ? nullptr : node->nextElementSibling();
    }
    return true;
}

bool markerInstanceAffordable(const SVGMarkerElement& marker, const SVGRenderState& parentState) {
    RenderPassTally& tally = *parentState.tally;
    if (!tally.markerBudgetSpent && parentState.depth < kMaxMarkerStateDepth && chargeMarkerContent(marker, tally)) {
        return true;
    }
    if (!tally.markerBudgetSpent && parentState.recording) {
        markRecorderOverBudget(*parentState.recording, &marker);
    }
    tally.markerBudgetSpent = true;
    return false;
}

bool orientIsFixedAngle(const SVGMarkerElement& marker) noexcept {
    return marker.orient().orientType() == OrientType::Angle;
}

void renderMarkers(const SVGGeometryElement& element, SVGRenderState& state) {
    if (element.markerPositions.empty())
        return;
    const bool recording = state.records();
    // Positions read from the path data in double have exact directions and stand where the
    // document puts them when every vertex is a float. Positions read from the float path hold
    // only when that path is the exact one and its directions are not in doubt.
    bool placedExactly = true;
    bool directionUncertain = false;
    if (element.markersFromPathData) {
        placedExactly = element.markerVerticesAreFloats;
    } else if (recording) {
        placedExactly = pavrix_svg_core::exactPathMatchesFloatPath(&element, element.path);
        directionUncertain = element.strokeDirectionInputAmbiguous != 0 ||
                             element.isolatedStrokeDirectionInputAmbiguous != 0 ||
                             element.pathInputPrecisionError > 0.0;
    }
    for (const MarkerPosition& position : element.markerPositions) {
        if (!position.marker)
            continue;
        if (recording && (!placedExactly || (!orientIsFixedAngle(*position.marker) && directionUncertain))) {
            reportRenderReason(state, "unsupported_input_precision", &element);
            return;
        }
        renderMarker(*position.marker, state, position.point, position.angle, element.strokeData.width);
    }
}

const RenderHooks kRenderHooks{
    .renderG = &renderGElement,
    .renderSVG = &renderSVGElement,
    .renderUse = &renderUseElement,
    .renderGeometry = &renderGeometryElement,
    .renderImage = &renderImageElement,
    .renderText = &renderTextElement,
};

}  // namespace

void checkElementReferences(const SVGElement& element, const Document& document, PaintRecording& recording) {
    // Layout reads the value trimmed, so " none " resolves nothing and must not count.
    const std::string_view clipPath = trimSvgWhitespace(findAttribute(element, PropertyID::ClipPath));
    if (!clipPath.empty() && !equalsIgnoreAsciiCase(clipPath, "none") && !equalsIgnoreAsciiCase(clipPath, "inherit") &&
        !element.clipper) {
        addUniqueReason(recording.reasons, "unresolved_clip_path");
    }
    if (element.id() == ElementID::Use) {
        const auto& use = static_cast<const SVGUseElement&>(element);
        if (!resolveLocalReference(use.href(), document)) {
            addUniqueReason(recording.reasons, "unresolved_reference");
        }
    }
}

void checkSubtreeReferences(const SVGElement& element, const Document& document, PaintRecording& recording) {
    // Explicit stack: use expansion can make trees deeper than the reader's cap.
    std::vector<const SVGElement*> pending{&element};
    while (!pending.empty()) {
        const SVGElement* current = pending.back();
        pending.pop_back();
        checkElementReferences(*current, document, recording);
        const auto& children = current->children();
        for (auto it = children.rbegin(); it != children.rend(); ++it) {
            if ((*it)->isElement())
                pending.push_back(static_cast<const SVGElement*>(it->get()));
        }
    }
}

void installRenderHooks() noexcept {
    setRenderHooks(&kRenderHooks);
    installPaintServerHooks();
}

void renderChildren(const SVGElement& element, const SVGRenderState& state) {
    for (const auto& node : element.children()) {
        if (node->isElement())
            static_cast<SVGElement*>(node.get())->render(state);
    }
}

void renderGElement(SVGGElement& element, const SVGRenderState& parentState) {
    if (!isDisplayed(element))
        return;
    renderInGroup(element, element.localTransform(), parentState,
                  [&](SVGRenderState& state) { renderChildren(element, state); });
}

void renderSVGElement(SVGSVGElement& element, const SVGRenderState& parentState) {
    if (!isDisplayed(element))
        return;
    const LengthContext lengths(element);
    const float width = lengths.valueForLength(element.width());
    const float height = lengths.valueForLength(element.height());
    if (!(width > 0.0f) || !(height > 0.0f))
        return;
    renderInGroup(element, element.localTransform(), parentState,
                  [&](SVGRenderState& state) { renderViewportContent(element, element, width, height, state); });
}

void renderUseElement(SVGUseElement& element, const SVGRenderState& parentState) {
    if (!isDisplayed(element))
        return;
    // transform · translate(x, y): the translation acts on points first.
    renderInGroup(element, element.localTransform(), parentState,
                  [&](SVGRenderState& state) { renderChildren(element, state); });
}

void renderGeometryElement(SVGGeometryElement& element, const SVGRenderState& parentState) {
    if (!isDisplayed(element) || !isVisible(element))
        return;
    renderInGroup(element, element.localTransform(), parentState, [&](SVGRenderState& state) {
        if (element.path.isEmpty()) {
            if (isRenderable(element.fillPaint) || isRenderable(element.strokePaint)) {
                reportDeferredCapabilities(state);
            }
            return;
        }
        if (state.mode == RenderMode::Clipping) {
            state.canvas->setColor(kClipColor);
            emitPaintCommand(state, PaintCommandKind::clip_begin, element.path, element.clipRule, nullptr, &element);
            state.canvas->fillPath(element.path, static_cast<FillRule>(element.clipRule), state.transform);
        } else {
            if (applyToCanvas(element.fillPaint, state)) {
                emitPaintCommand(state, PaintCommandKind::fill, element.path, element.fillRule, nullptr, &element);
                state.canvas->fillPath(element.path, static_cast<FillRule>(element.fillRule), state.transform);
            }
            if (applyToCanvas(element.strokePaint, state)) {
                emitPaintCommand(state, PaintCommandKind::stroke, element.path, element.fillRule, &element.strokeData,
                                 &element);
                state.canvas->strokePath(element.path, element.strokeData.canvasStroke(), state.transform);
            }
        }
        renderMarkers(element, state);
    });
}

void renderImageElement(SVGImageElement& element, const SVGRenderState& parentState) {
    if (!isDisplayed(element) || !isVisible(element))
        return;
    const Bitmap& bitmap = element.bitmap();
    const int bitmapW = bitmapWidth(bitmap);
    const int bitmapH = bitmapHeight(bitmap);
    Rect destination = element.fillBoundingBox();
    if (bitmapW <= 0 || bitmapH <= 0 || destination.isEmpty())
        return;
    renderInGroup(element, element.localTransform(), parentState, [&](SVGRenderState& state) {
        if (state.suppressed)
            return;
        Rect source(0.0f, 0.0f, static_cast<float>(bitmapW), static_cast<float>(bitmapH));
        fitToViewport(element.preserveAspectRatio(), destination, source);
        state.canvas->drawImage(bitmap, destination, source, state.transform);
    });
}

void renderTextElement(SVGTextElement& element, const SVGRenderState& parentState) {
    if (!isDisplayed(element))
        return;
    renderInGroup(element, element.localTransform(), parentState, [&](SVGRenderState& state) {
        if (!state.suppressed)
            drawTextFragments(element, state);
    });
}

void renderMarker(const SVGMarkerElement& marker, const SVGRenderState& parentState, const Point& point, float angle,
                  float strokeWidth) {
    if (markerChainContains(parentState, &marker) || !isDisplayed(marker))
        return;
    if (!markerInstanceAffordable(marker, parentState))
        return;
    const Transform local = markerTransform(marker, point, angle, strokeWidth);
    renderInGroup(marker, local, parentState, [&](SVGRenderState& state) {
        const LengthContext lengths(marker);
        renderViewportContent(marker, marker, lengths.valueForLength(marker.markerWidth()),
                              lengths.valueForLength(marker.markerHeight()), state);
    });
}

}  // namespace pavrix_svg

namespace pavrix_svg_core {

PaintRecording recordDocument(pavrix_svg::Document& document) {
    using namespace pavrix_svg;
    PaintRecording recording;
    recording.image_vectorizer_origin = document.originFlag() != 0;
    recording.reasons = document.reasons();
    if (!recording.reasons.empty())
        return recording;

    SVGRootElement* root = document.rootElement(true);
    if (!root)
        return recording;
    checkSubtreeReferences(*root, document, recording);

    bool finiteBounds = true;
    if (recording.reasons.empty()) {
        root = document.rootElement(true);
        const Rect bounds = root->localTransform().mapRect(root->paintBoundingBox());
        recording.bounds = {bounds.x, bounds.y, bounds.w, bounds.h};
        finiteBounds =
            std::all_of(recording.bounds.begin(), recording.bounds.end(), [](float v) { return std::isfinite(v); });
        installRenderHooks();
        // Nearly every element of artwork paints once; reserving that many commands spares the
        // regrowth that moves every recorded command again. The cap bounds what a document of
        // mostly non-painting elements can reserve in vain.
        constexpr std::size_t kMaxReservedCommands = std::size_t{1} << 17;
        recording.commands.reserve(
            std::min(static_cast<std::size_t>(std::max(document.elementSerial(), 0)), kMaxReservedCommands));
        SVGRenderState rootState(nullptr, nullptr, Transform::Identity, RenderMode::Painting, Canvas::createNoop(),
                                 &recording);
        root->render(rootState);
        // The result outlives the call: give back a reservation mostly unused.
        if (recording.commands.capacity() > 2 * recording.commands.size())
            recording.commands.shrink_to_fit();
    }

    // Rendering reports through the document; the pre-pass reasons stay first.
    for (const std::string& reason : document.reasons())
        addUniqueReason(recording.reasons, reason);
    // The float layout overflowed somewhere even if every command came out finite.
    if (!finiteBounds)
        addUniqueReason(recording.reasons, "unsupported_input_precision");
    // A recording that stopped early is never complete, whoever noticed.
    if (recording.over_budget)
        addUniqueReason(recording.reasons, "unsupported_complexity");
    if (!recording.reasons.empty())
        std::vector<PaintCommand>().swap(recording.commands);
    return recording;
}

}  // namespace pavrix_svg_core
