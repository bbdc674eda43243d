#pragma once

// Turns what the render slots draw into PaintCommands: shapes (fill, stroke,
// clip_begin) and group markers (group_begin, group_end, clip_end). Refusals
// are reason codes on the element's document; any reason empties the
// recording at the end of the pass, so nothing here undoes earlier commands.

#include <cstdint>

#include "recorder/paint_command.h"
#include "recorder/render_state.h"

namespace pavrix_svg {

class Path;
struct Paint;
struct StrokeData;

// kind is fill, stroke or clip_begin; element defaults to the state's element.
void emitPaintCommand(SVGRenderState& state, pavrix_svg_core::PaintCommandKind kind, const Path& path,
                      std::uint8_t fillRule, const StrokeData* strokeData, const SVGElement* element = nullptr);

// kind is clip_end, group_begin or group_end; element defaults to the state's.
void emitGroupCommand(SVGRenderState& state, pavrix_svg_core::PaintCommandKind kind, const SVGElement* element,
                      double opacity);

// Marks the recording over budget; the first time, with an element, the
// element's document gets "unsupported_complexity". Always true.
bool markRecorderOverBudget(pavrix_svg_core::PaintRecording& recording, const SVGElement* element);

// Puts a solid paint's colour (alpha scaled by the opacity) on the canvas;
// false when the paint leaves no mark.
bool applyToCanvas(const Paint& paint, const SVGRenderState& state);

}  // namespace pavrix_svg
