#include "recorder/recorder_result_builder.h"

#include <algorithm>
#include <cmath>
#include <locale>
#include <sstream>
#include <string>
#include <utility>

#include "recorder/render_pass.h"
#include "svg/dom/document.h"

namespace pavrix_svg_core {

namespace {

constexpr const char* kComplexityReason = "unsupported_complexity";

}  // namespace

RecorderResult makeRecorderResult(PaintRecording&& recording, const PaintBox& viewport) {
    RecorderResult result;
    result.schema_version = recording.schema_version;
    result.bounds = recording.bounds;
    result.image_vectorizer_origin = recording.image_vectorizer_origin;
    result.viewport = viewport;

    if (recording.over_budget &&
        std::find(recording.reasons.begin(), recording.reasons.end(), kComplexityReason) == recording.reasons.end()) {
        recording.reasons.emplace_back(kComplexityReason);
    }

    if (recording.reasons.empty()) {
        result.status = "supported";
        result.reason_code.clear();
        result.commands = std::move(recording.commands);
        result.has_non_scaling_stroke = std::any_of(
            result.commands.begin(), result.commands.end(),
            [](const PaintCommand& c) { return c.kind == PaintCommandKind::stroke && c.non_scaling_stroke; });
    } else {
        result.status = "unsupported";
        result.reason_code = std::move(recording.reasons.front());
    }
    return result;
}

PaintBox read_root_viewport(pavrix_svg::Document& document) {
    const PaintBox none{0.0f, 0.0f, 0.0f, 0.0f};
    std::string viewBox = document.getAttributeByName(document.documentElement(), "viewBox");
    std::replace(viewBox.begin(), viewBox.end(), ',', ' ');

    std::istringstream stream(viewBox);
    stream.imbue(std::locale::classic());
    float x = 0.0f;
    float y = 0.0f;
    float w = 0.0f;
    float h = 0.0f;
    if (!(stream >> x >> y >> w >> h))
        return none;
    std::string extra;
    if (stream >> extra)
        return none;
    if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(w) || !std::isfinite(h)) {
        return none;
    }
    if (!(w > 0.0f) || !(h > 0.0f))
        return none;

    const float width = document.rootWidth();
    const float height = document.rootHeight();
    if (!std::isfinite(width) || !std::isfinite(height) || !(width > 0.0f) || !(height > 0.0f)) {
        return none;
    }
    return PaintBox{0.0f, 0.0f, width, height};
}

RecorderResult build_recorder_result(std::unique_ptr<pavrix_svg::Document> document) {
    if (!document)
        return make_invalid_recorder_result();
    PaintRecording recording = recordDocument(*document);
    const PaintBox viewport = read_root_viewport(*document);
    RecorderResult result = makeRecorderResult(std::move(recording), viewport);
    document.reset();
    return result;
}

}  // namespace pavrix_svg_core
