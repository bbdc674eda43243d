#pragma once

// Clip paths as recorded commands: only a single visible shape (possibly
// reached through one use element) can be recorded as a clip.

#include "recorder/render_state.h"

namespace pavrix_svg {

class SVGClipPathElement;

// Records the clip for the state's content (a clip_begin) or reports why not.
void applyClipPath(const SVGClipPathElement& clip, SVGRenderState& state);

// Records the first qualifying child shape as a clip_begin; false when none.
bool recordSimpleClip(const SVGClipPathElement& clip, SVGRenderState& clipState);

// The child recordSimpleClip records (a visible shape with a path, or a use
// whose content starts with one); none when no child qualifies.
const SVGElement* firstSimpleClipChild(const SVGClipPathElement& clip) noexcept;

// isComplexClip and firstSimpleClipChild of the clip, computed once per pass.
const ClipSummary& clipSummary(const SVGClipPathElement& clip, RenderPassTally& tally);

// True when the clip cannot be one recorded shape: a nested clip-path, text,
// or more than one visible shape.
bool isComplexClip(const SVGClipPathElement& clip);

}  // namespace pavrix_svg
