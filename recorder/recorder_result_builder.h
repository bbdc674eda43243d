#pragma once

// Turns a parsed document into a RecorderResult: records it, reads the root
// viewport and maps the recording's reasons to status and reason code.

#include <memory>

#include "recorder/paint_command.h"

namespace pavrix_svg {
class Document;
}

namespace pavrix_svg_core {

// Takes ownership of the document (null: the parse failed) and destroys it
// before returning, on every path.
RecorderResult build_recorder_result(std::unique_ptr<pavrix_svg::Document> document);

// The root viewBox, when it is four finite numbers with positive size and
// nothing after them, gives (0, 0, computed width, computed height); every
// other case gives (0, 0, 0, 0). Lays the root out when needed.
PaintBox read_root_viewport(pavrix_svg::Document& document);

// The result for a finished recording. A recording that ran over budget is
// truncated and never reads "supported".
RecorderResult makeRecorderResult(PaintRecording&& recording, const PaintBox& viewport);

}  // namespace pavrix_svg_core
