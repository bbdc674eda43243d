#include "svg/dom/stroke_data.h"

#include "svg/exact/exact_number_readers.h"
#include "svg/dom/layout_state.h"
#include "svg/dom/length_resolution.h"
#include "svg/dom/svg_element.h"

namespace pavrix_svg {

CanvasStroke StrokeData::canvasStroke() const {
    CanvasStroke stroke;
    stroke.width = width;
    stroke.miterLimit = miterLimit;
    stroke.dashOffset = dashOffset;
    stroke.lineCap = static_cast<LineCap>(lineCap <= 2 ? lineCap : 0);
    stroke.lineJoin = static_cast<LineJoin>(lineJoin <= 2 ? lineJoin : 0);
    stroke.dashArray = dashArray;
    return stroke;
}

StrokeData resolveStrokeData(const SVGElement& element, const SVGLayoutState& state) {
    const LengthContext context(element);
    StrokeData data;
    data.width = context.valueForLength(state.strokeWidth, LengthDirection::Diagonal);
    data.miterLimit = state.miterLimit;
    data.dashOffset = context.valueForLength(state.strokeDashoffset, LengthDirection::Diagonal);
    data.lineCap = state.lineCap;
    data.lineJoin = state.lineJoin;

    const std::vector<Length>& dashes = state.strokeDasharray();
    data.dashArray.reserve(dashes.size());
    for (const Length& dash : dashes)
        data.dashArray.push_back(context.valueForLength(dash, LengthDirection::Diagonal));

    data.exactWidth = exactLengthOrFallback(state.strokeWidthText, state.strokeWidth.value, data.width);
    data.exactMiterLimit = exactNumberOrFallback(state.miterLimitText, data.miterLimit);
    data.exactDashOffset =
        exactLengthOrFallback(state.strokeDashoffsetText, state.strokeDashoffset.value, data.dashOffset);

    const std::vector<std::string_view> tokens =
        dashes.empty() ? std::vector<std::string_view>{} : tokenizeDashList(state.strokeDasharrayText);
    data.exactDashArray.reserve(dashes.size());
    for (std::size_t i = 0; i < dashes.size(); ++i) {
        const double resolved = data.dashArray[i];
        data.exactDashArray.push_back(i < tokens.size() ? exactLengthOrFallback(tokens[i], dashes[i].value, resolved)
                                                        : resolved);
    }
    return data;
}

}  // namespace pavrix_svg
