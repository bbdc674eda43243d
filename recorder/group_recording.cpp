#include "recorder/group_recording.h"

#include <cstddef>

#include "recorder/clip_path_recording.h"
#include "recorder/paint_emission.h"
#include "svg/dom/graphics_elements.h"

namespace pavrix_svg {

using pavrix_svg_core::PaintCommandKind;

// Without a recording nothing is drawn in this system (the canvas is inert),
// so the painting-mode layers for opacity, masks and complex clips are left out.

void beginGroup(SVGRenderState& state, const SVGBlendInfo& blend) {
    if (!state.recording || state.suppressed)
        return;
    if (!(blend.opacityExact > 0.0)) {
        state.suppressed = true;
        return;
    }
    if (blend.masker) {
        reportRenderReason(state, "unsupported_mask");
        state.suppressed = true;
    }
    const auto* clip = static_cast<const SVGClipPathElement*>(blend.clipper);
    if (clip && clipSummary(*clip, *state.tally).complex) {
        reportRenderReason(state, "unsupported_complex_clip");
        state.suppressed = true;
    }
    if (state.suppressed)
        return;

    auto& commands = state.recording->commands;
    if (blend.opacityExact < 1.0) {
        const std::size_t start = commands.size();
        const std::uint64_t painted = state.tally->paintedCommands;
        emitGroupCommand(state, PaintCommandKind::group_begin, state.element, blend.opacityExact);
        if (commands.size() > start) {
            state.groupRecorded = true;
            state.groupStart = start;
            state.paintedAtGroupStart = painted;
        }
    }
    if (clip) {
        const std::size_t before = commands.size();
        applyClipPath(*clip, state);
        if (commands.size() > before) {
            state.clipRecorded = true;
        } else {
            reportRenderReason(state, "unsupported_empty_clip");
            state.suppressed = true;
        }
    }
}

void endGroup(SVGRenderState& state, const SVGBlendInfo& blend) {
    if (!state.recording)
        return;
    if (state.clipRecorded)
        emitGroupCommand(state, PaintCommandKind::clip_end, state.element, 1.0);
    if (!state.groupRecorded)
        return;
    // Removed groups never hold fills or strokes, so the running count tells
    // whether anything after the group_begin painted.
    const bool painted = state.tally->paintedCommands > state.paintedAtGroupStart;
    if (painted) {
        emitGroupCommand(state, PaintCommandKind::group_end, state.element, blend.opacityExact);
    } else {
        auto& commands = state.recording->commands;
        commands.erase(commands.begin() + static_cast<std::ptrdiff_t>(state.groupStart), commands.end());
    }
}

}  // namespace pavrix_svg
