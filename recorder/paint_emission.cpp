#include "recorder/paint_emission.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <string_view>
#include <utility>

#include "graphics/canvas.h"
#include "graphics/path.h"
#include "recorder/exact_path_builder.h"
#include "recorder/exact_shape_geometry.h"
#include "svg/dom/document.h"
#include "svg/dom/layout_state.h"
#include "svg/dom/paint.h"
#include "svg/dom/paint_server_elements.h"
#include "svg/dom/stroke_data.h"
#include "svg/dom/svg_element.h"

namespace pavrix_svg {

using pavrix_svg_core::PaintCommand;
using pavrix_svg_core::PaintCommandKind;
using pavrix_svg_core::PaintFillRule;
using pavrix_svg_core::PaintRecording;
using pavrix_svg_core::PathVerb;

namespace {

constexpr std::uint64_t kCounterMax = std::numeric_limits<std::uint64_t>::max();

bool checkedAdd(std::uint64_t base, std::uint64_t add, std::uint64_t& sum) noexcept {
    if (add > kCounterMax - base)
        return false;
    sum = base + add;
    return true;
}

bool isShapeWithExactGeometry(ElementID id) noexcept {
    switch (id) {
    case ElementID::Line:
    case ElementID::Circle:
    case ElementID::Ellipse:
    case ElementID::Polygon:
    case ElementID::Polyline:
    case ElementID::Rect:
        return true;
    default:
        return false;
    }
}

pavrix_svg_core::PaintMatrix toPaintMatrix(const ExactTransform& m) noexcept {
    return {m.a, m.b, m.c, m.d, m.e, m.f};
}

bool isFiniteMatrix(const pavrix_svg_core::PaintMatrix& matrix) noexcept {
    return std::all_of(matrix.begin(), matrix.end(), [](double v) { return std::isfinite(v); });
}

bool isFinitePoint(double x, double y) noexcept {
    return std::isfinite(x) && std::isfinite(y);
}

// Float overflow in layout (huge scales, percentages of huge view boxes, the float
// fallback path) shows up here as inf or NaN; such a command cannot be replayed.
// Path points are checked where they are built, so only the matrix and stroke remain.
bool hasFiniteMatrixAndStroke(const PaintCommand& command) noexcept {
    if (!isFiniteMatrix(command.matrix))
        return false;
    const auto& stroke = command.stroke;
    if (!std::isfinite(stroke.width) || !std::isfinite(stroke.miter_limit) || !std::isfinite(stroke.dash_offset))
        return false;
    return std::all_of(stroke.dash_array.begin(), stroke.dash_array.end(), [](double v) { return std::isfinite(v); });
}

std::uint8_t subpathFlag(const SVGElement& element, std::size_t index, bool defaultFlag) noexcept {
    if (index < element.subpathAreaPotential.size())
        return element.subpathAreaPotential[index];
    return defaultFlag ? 1 : 0;
}

// The float path widened to double, for path elements whose text could not be
// rebuilt exactly. False when a counter would overflow; `finite` is cleared
// when a point is inf or NaN.
bool appendFloatPath(PaintCommand& command, const Path& path, const SVGElement& element, bool defaultFlag,
                     std::uint64_t& verbs, std::uint64_t& points, bool& finite) {
    std::array<Point, 3> segment{};
    std::size_t moves = 0;
    const auto push = [&](const Point& p) {
        finite = finite && isFinitePoint(p.x, p.y);
        pavrix_svg_core::pushPaintPoint(command, p.x, p.y);
    };
    for (PathIterator it(path); !it.isDone(); it.next()) {
        const PathCommand kind = it.currentSegment(segment);
        const std::uint64_t width = kind == PathCommand::cubic_to ? 3 : (kind == PathCommand::close ? 0 : 1);
        if (!checkedAdd(verbs, 1, verbs) || !checkedAdd(points, width, points))
            return false;
        switch (kind) {
        case PathCommand::move_to:
            command.source_subpath_area_potential.push_back(subpathFlag(element, moves++, defaultFlag));
            command.path_verbs.push_back(PathVerb::move_to);
            push(segment[0]);
            break;
        case PathCommand::line_to:
            command.path_verbs.push_back(PathVerb::line_to);
            push(segment[0]);
            break;
        case PathCommand::cubic_to:
            command.path_verbs.push_back(PathVerb::cubic_to);
            for (const Point& p : segment)
                push(p);
            break;
        case PathCommand::close:
            command.path_verbs.push_back(PathVerb::close);
            break;
        }
    }
    return true;
}

}  // namespace

bool markRecorderOverBudget(PaintRecording& recording, const SVGElement* element) {
    if (!recording.over_budget) {
        recording.over_budget = true;
        if (element)
            element->document().addReason("unsupported_complexity");
    }
    return true;
}

void emitPaintCommand(SVGRenderState& state, PaintCommandKind kind, const Path& path, std::uint8_t fillRule,
                      const StrokeData* strokeData, const SVGElement* elementArg) {
    if (!state.recording || state.suppressed)
        return;
    const SVGElement* element = elementArg ? elementArg : state.element;
    if (!element)
        return;
    PaintRecording& recording = *state.recording;
    if (recording.over_budget) {
        markRecorderOverBudget(recording, element);
        return;
    }
    if (!state.canvas || !state.canvas->paintIsColor()) {
        reportRenderReason(state, "unsupported_paint_server", element);
        return;
    }

    double opacity = 1.0;
    if (kind == PaintCommandKind::fill)
        opacity = element->fillOpacityExact;
    if (kind == PaintCommandKind::stroke)
        opacity = element->strokeOpacityExact;
    const bool partialAlpha = kind != PaintCommandKind::clip_begin && opacity > 0.0 && opacity < 1.0;
    if (!(opacity > 0.0))
        return;

    if (!reportDeferredCapabilities(state))
        return;

    PaintCommand command;
    command.kind = kind;
    command.matrix = toPaintMatrix(state.exactTransform);
    const std::uint32_t color = state.canvas->color();
    command.rgba = {static_cast<std::uint8_t>(color >> 16), static_cast<std::uint8_t>(color >> 8),
                    static_cast<std::uint8_t>(color), static_cast<std::uint8_t>(color >> 24)};
    command.fill_rule = fillRule == 1 ? PaintFillRule::evenodd : PaintFillRule::nonzero;
    command.has_partial_alpha = partialAlpha;
    command.paint_opacity = opacity;
    command.source_index = element->serial();
    command.relative_path_operation_count = element->relativePathOperationCount;
    command.transform_operation_count = state.transformOperationCount;
    command.path_input_precision_error = element->pathInputPrecisionError;
    command.path_input_precision_error_x = element->pathInputPrecisionErrorX;
    command.path_input_precision_error_y = element->pathInputPrecisionErrorY;
    command.source_has_lowered_curve = element->pathHasLoweredCurve != 0;

    bool lowered = false;
    double loweringError = 0.0;
    const bool exact = pavrix_svg_core::buildExactGeometry(element, command, lowered, loweringError);
    if (!exact) {
        if (isShapeWithExactGeometry(element->id())) {
            reportRenderReason(state, "unsupported_input_precision", element);
            return;
        }
        command.path_verbs.clear();
        command.path_points.clear();
    } else {
        command.path_input_precision_error = 0.0;
        command.path_input_precision_error_x = 0.0;
        command.path_input_precision_error_y = 0.0;
        command.path_lowering_precision_error = loweringError;
        command.source_has_lowered_curve = lowered;
    }
    command.transform_coordinates_exact = true;
    command.path_coordinates_exact = exact;

    const Rect fillBox = element->fillBoundingBox();
    if (element->id() == ElementID::Rect) {
        command.source_fill_area_upper_bound =
            pavrix_svg_core::floatUpperBound(fillBox.h) * pavrix_svg_core::floatUpperBound(fillBox.w);
    }
    if (!exact) {
        command.stroke_direction_input_ambiguous = element->strokeDirectionInputAmbiguous != 0;
        command.isolated_stroke_direction_input_ambiguous = element->isolatedStrokeDirectionInputAmbiguous != 0;
    }
    command.transform_linear_precision_error = 0.0;
    command.transform_translation_precision_error = 0.0;
    command.source_kind = kind == PaintCommandKind::stroke       ? "stroke"
                          : kind == PaintCommandKind::clip_begin ? "clip"
                                                                 : "fill";
    const bool defaultFlag = fillBox.w > 0.0f && fillBox.h > 0.0f;

    // Counters are committed only together with the command they count.
    std::uint64_t dashes = recording.dash_count;
    if (strokeData) {
        command.non_scaling_stroke = element->vectorEffect == layout_keyword::kVectorEffectNonScalingStroke;
        command.stroke.width = strokeData->exactWidth;
        command.stroke.miter_limit = strokeData->exactMiterLimit;
        command.stroke.dash_offset = strokeData->exactDashOffset;
        command.stroke.line_cap = static_cast<pavrix_svg_core::LineCap>(strokeData->lineCap);
        command.stroke.line_join = static_cast<pavrix_svg_core::LineJoin>(strokeData->lineJoin);
        command.stroke.dash_array = strokeData->exactDashArray;
        if (!checkedAdd(dashes, command.stroke.dash_array.size(), dashes)) {
            markRecorderOverBudget(recording, element);
            return;
        }
    }

    std::uint64_t verbs = recording.verb_count;
    std::uint64_t points = recording.point_count;
    bool finitePoints = true;  // the exact builders refuse non-finite points themselves
    if (exact) {
        if (!checkedAdd(verbs, command.path_verbs.size(), verbs) ||
            !checkedAdd(points, command.path_points.size(), points)) {
            markRecorderOverBudget(recording, element);
            return;
        }
        std::size_t moves = 0;
        for (const PathVerb verb : command.path_verbs) {
            if (verb == PathVerb::move_to) {
                command.source_subpath_area_potential.push_back(subpathFlag(*element, moves++, defaultFlag));
            }
        }
    } else if (!appendFloatPath(command, path, *element, defaultFlag, verbs, points, finitePoints)) {
        markRecorderOverBudget(recording, element);
        return;
    }
    if (!finitePoints || !hasFiniteMatrixAndStroke(command)) {
        reportRenderReason(state, "unsupported_input_precision", element);
        return;
    }

    recording.commands.push_back(std::move(command));
    recording.verb_count = verbs;
    recording.point_count = points;
    recording.dash_count = dashes;
    if (kind != PaintCommandKind::clip_begin)
        ++state.tally->paintedCommands;
}

void emitGroupCommand(SVGRenderState& state, PaintCommandKind kind, const SVGElement* elementArg, double opacity) {
    if (!state.recording || state.suppressed)
        return;
    const SVGElement* element = elementArg ? elementArg : state.element;
    PaintRecording& recording = *state.recording;
    if (recording.over_budget) {
        markRecorderOverBudget(recording, element);
        return;
    }
    PaintCommand command;
    command.kind = kind;
    command.matrix = toPaintMatrix(state.exactTransform);
    command.transform_coordinates_exact = true;
    command.group_opacity = opacity;
    command.source_index = element ? element->serial() : -1;
    command.source_kind = kind == PaintCommandKind::clip_end ? "clip_end" : "group";
    // Kept in place so begin and end stay paired; the reason drops the recording.
    if (!isFiniteMatrix(command.matrix))
        reportRenderReason(state, "unsupported_input_precision", element);
    recording.commands.push_back(std::move(command));
}

bool applyToCanvas(const Paint& paint, const SVGRenderState& state) {
    if (!(paint.opacity > 0.0f) && paint.partialAlpha == 0)
        return false;
    if (paint.server)
        return paint.server->applyPaint(state, paint.opacity);
    const std::uint32_t alpha = paint.color >> 24;
    if (alpha == 0 && paint.partialAlpha == 0)
        return false;
    // NaN counts as 0.
    const float opacity = paint.opacity > 0.0f ? std::min(paint.opacity, 1.0f) : 0.0f;
    const auto scaled = static_cast<std::uint32_t>(static_cast<float>(alpha) * opacity);
    if (state.canvas)
        state.canvas->setColor((paint.color & 0x00FFFFFFu) | (scaled << 24));
    return true;
}

}  // namespace pavrix_svg
