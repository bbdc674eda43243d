#include "kernel/commands/input_precision.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>

#include "kernel/common/kernel_errors.h"
#include "kernel/common/point_arithmetic.h"
#include "kernel/commands/subpath_walk.h"

namespace pavrix_svg_core {
namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();

// Error bounds grow by maxima and sums; a NaN (say 0 * inf) must never make an error look
// small, so it counts as +inf everywhere.
double known_or_infinite(double value) noexcept {
    return std::isnan(value) ? kInfinity : value;
}

void include_error(ErrorPair& into, const ErrorPair& add) noexcept {
    into.x = error_max(into.x, add.x);
    into.y = error_max(into.y, add.y);
}

// 4 * max(1, count) in double: the count is 32-bit, its multiple is not.
double operation_factor(const PaintCommand& command) noexcept {
    return 4.0 * static_cast<double>(std::max<std::uint64_t>(1, command.transform_operation_count));
}

bool same_point(const PaintPoint& p, const PaintPoint& q) noexcept {
    return p.x == q.x && p.y == q.y;
}

PaintPoint to_device(const PaintMatrix& m, const PaintPoint& p) noexcept {
    return PaintPoint{m[0] * p.x + m[2] * p.y + m[4], m[1] * p.x + m[3] * p.y + m[5]};
}

// A subpath encloses area when some point lies off the line through its first point and the
// first point distinct from it. Streams the points, so nothing is stored.
class ArealTest {
public:
    void reset() noexcept {
        count_ = 0;
        has_direction_ = false;
        areal_ = false;
    }
    void add(const PaintPoint& p) noexcept {
        ++count_;
        if (count_ == 1) {
            first_ = p;
            return;
        }
        if (!has_direction_) {
            if (!same_point(p, first_)) {
                direction_ = p;
                has_direction_ = true;
            }
            return;
        }
        const double cross =
            (direction_.x - first_.x) * (p.y - first_.y) - (direction_.y - first_.y) * (p.x - first_.x);
        if (cross != 0.0)
            areal_ = true;
    }
    bool areal() const noexcept { return count_ >= 3 && areal_; }

private:
    std::uint64_t count_ = 0;
    bool has_direction_ = false;
    bool areal_ = false;
    PaintPoint first_;
    PaintPoint direction_;
};

struct PathPointErrorWalk {
    const PaintCommand& command;
    const PointErrorModel& model;
    ErrorPair result;
    ErrorPair subpath;
    ArealTest areal;

    void add(const PaintPoint& p) {
        include_error(subpath, model.error_at(p));
        areal.add(to_device(command.matrix, p));
    }
    void begin_subpath(const PaintPoint& start) {
        subpath = ErrorPair{};
        areal.reset();
        add(start);
    }
    void line(const PaintPoint&, const PaintPoint& to) { add(to); }
    void cubic(const PaintPoint&, const PaintPoint& c1, const PaintPoint& c2, const PaintPoint& to) {
        add(c1);
        add(c2);
        add(to);
    }
    void close(const PaintPoint&, const PaintPoint&) {}
    void end_subpath(bool) {
        if (areal.areal())
            include_error(result, subpath);
    }
};

struct StrokeEdge {
    PaintPoint start;
    PaintPoint end;
    PaintPoint start_tangent;
    PaintPoint end_tangent;
};

// Streams the edges of each subpath; keeps only the first and the previous edge, which is all
// the join checks need.
struct AmplificationWalk {
    double half_width = 0.0;
    double miter_limit = 1.0;   // with rounding, >= 1
    double bevel_cosine = 1.0;  // joins at or below this cosine are beveled
    bool check_joins = false;
    double largest = 1.0;
    std::uint64_t edge_count = 0;
    StrokeEdge first_edge;
    StrokeEdge previous_edge;

    void keep(double factor, const char* reason) {
        if (!std::isfinite(factor))
            throw InputPrecisionError(reason);
        largest = std::max(largest, factor);
    }
    void check_join(const StrokeEdge& in, const StrokeEdge& out) {
        const double ux = in.end.x - in.end_tangent.x, uy = in.end.y - in.end_tangent.y;
        const double vx = out.start_tangent.x - out.start.x, vy = out.start_tangent.y - out.start.y;
        const double u_length = std::hypot(ux, uy), v_length = std::hypot(vx, vy);
        if (!is_positive_finite(u_length) || !is_positive_finite(v_length))
            return;
        // Unit vectors first: the plain dot product overflows for long edges.
        const double cosine =
            std::clamp((ux / u_length) * (vx / v_length) + (uy / u_length) * (vy / v_length), -1.0, 1.0);
        if (cosine <= bevel_cosine)
            return;
        if (1.0 + cosine <= 0.0)
            throw InputPrecisionError("stroke_miter_precision");
        const double ratio = std::min(std::sqrt(2.0 / (1.0 + cosine)), miter_limit);
        keep(16.0 * half_width * ratio * ratio / std::min(u_length, v_length) + 1.0, "stroke_miter_precision");
    }
    void add_edge(const StrokeEdge& edge) {
        const double shortest =
            std::min(distance(edge.start, edge.start_tangent), distance(edge.end_tangent, edge.end));
        if (is_positive_finite(shortest))
            keep(16.0 * half_width / shortest + 1.0, "stroke_direction_precision");
        if (check_joins && edge_count > 0)
            check_join(previous_edge, edge);
        if (edge_count == 0)
            first_edge = edge;
        previous_edge = edge;
        ++edge_count;
    }
    void begin_subpath(const PaintPoint&) { edge_count = 0; }
    void line(const PaintPoint& from, const PaintPoint& to) {
        if (!same_point(from, to))
            add_edge(StrokeEdge{from, to, to, from});
    }
    void cubic(const PaintPoint& from, const PaintPoint& c1, const PaintPoint& c2, const PaintPoint& to) {
        if (same_point(from, to))
            return;
        const PaintPoint& start_tangent = !same_point(c1, from) ? c1 : !same_point(c2, from) ? c2 : to;
        const PaintPoint& end_tangent = !same_point(c2, to) ? c2 : !same_point(c1, to) ? c1 : from;
        add_edge(StrokeEdge{from, to, start_tangent, end_tangent});
    }
    void close(const PaintPoint& from, const PaintPoint& first) { line(from, first); }
    void end_subpath(bool closed) {
        if (check_joins && closed && edge_count >= 2)
            check_join(previous_edge, first_edge);
    }
};

struct LengthAndErrorWalk {
    double base_x = 0.0;  // recorded point error
    double base_y = 0.0;
    bool exact = false;
    SubpathLengthAndError largest;
    double length = 0.0;
    double error = 0.0;

    double point_error(const PaintPoint& p) const {
        const double x = base_x + (exact ? 0.0 : float_rounding_envelope(p.x));
        const double y = base_y + (exact ? 0.0 : float_rounding_envelope(p.y));
        return known_or_infinite(std::hypot(x, y));
    }
    void begin_subpath(const PaintPoint&) { length = error = 0.0; }
    void line(const PaintPoint& from, const PaintPoint& to) {
        length += distance(from, to);
        error += point_error(from) + point_error(to);
    }
    void cubic(const PaintPoint& from, const PaintPoint& c1, const PaintPoint& c2, const PaintPoint& to) {
        length += distance(from, c1) + distance(c1, c2) + distance(c2, to);
        error += point_error(from) + 2.0 * point_error(c1) + 2.0 * point_error(c2) + point_error(to);
    }
    void close(const PaintPoint& from, const PaintPoint& first) { line(from, first); }
    void end_subpath(bool) {
        largest.length = error_max(largest.length, length);
        largest.error = error_max(largest.error, error);
    }
};

}  // namespace

double error_max(double a, double b) noexcept {
    if (std::isnan(a) || std::isnan(b))
        return kInfinity;
    return std::max(a, b);
}

bool is_positive_finite(double value) noexcept {
    return std::isfinite(value) && value > 0.0;
}

double float_rounding_envelope(double value) noexcept {
    const float f = static_cast<float>(value);
    if (!std::isfinite(value) || !std::isfinite(f))
        return kInfinity;
    const double above = static_cast<double>(std::nextafter(f, std::numeric_limits<float>::infinity()));
    const double below = static_cast<double>(std::nextafter(f, -std::numeric_limits<float>::infinity()));
    return std::max(above - value, value - below);
}

double double_rounding_envelope(double value) noexcept {
    if (!std::isfinite(value))
        return kInfinity;
    return std::max(value - std::nextafter(value, -kInfinity), std::nextafter(value, kInfinity) - value);
}

double matrix_spectral_norm(const PaintMatrix& matrix) {
    const double a = matrix[0], b = matrix[1], c = matrix[2], d = matrix[3];
    if (!std::isfinite(a) || !std::isfinite(b) || !std::isfinite(c) || !std::isfinite(d))
        return kInfinity;
    // Scaled by the largest entry so that squares neither overflow (entries above 1e154) nor
    // underflow; the norm itself is at most twice that entry.
    const double scale = std::max({std::fabs(a), std::fabs(b), std::fabs(c), std::fabs(d)});
    if (scale == 0.0)
        return 0.0;
    const double sa = a / scale, sb = b / scale, sc = c / scale, sd = d / scale;
    const double s1 = sa * sa + sb * sb, s2 = sc * sc + sd * sd, p = sa * sc + sb * sd;
    const double root = std::sqrt(std::max(0.0, (s1 - s2) * (s1 - s2) + 4.0 * p * p));
    const double norm = std::sqrt(std::max(0.0, (s1 + s2 + root) / 2.0)) * scale;
    if (!std::isfinite(norm))
        throw std::range_error("numeric_range_error");
    return norm;
}

ErrorPair PointErrorModel::source_error_at(const PaintPoint& point) const noexcept {
    if (!add_point_envelope)
        return ErrorPair{base_x, base_y};
    return ErrorPair{base_x + 4.0 * float_rounding_envelope(point.x), base_y + 4.0 * float_rounding_envelope(point.y)};
}

ErrorPair PointErrorModel::error_at(const PaintPoint& point) const noexcept {
    const ErrorPair b = source_error_at(point);
    const double ax = std::fabs(point.x), ay = std::fabs(point.y);
    const double ex = abs_a * b.x + ax * ea + ea * b.x + abs_c * b.y + ay * ec + ec * b.y + ee;
    const double ey = abs_b * b.x + ax * eb + eb * b.x + abs_d * b.y + ay * ed + ed * b.y + ef;
    return ErrorPair{known_or_infinite(ex), known_or_infinite(ey)};
}

PointErrorModel make_point_error_model(const PaintCommand& command, bool with_float_envelopes) noexcept {
    PointErrorModel model;
    const bool split = command.path_input_precision_error_x > 0.0 || command.path_input_precision_error_y > 0.0;
    model.base_x = split ? command.path_input_precision_error_x : command.path_input_precision_error;
    model.base_y = split ? command.path_input_precision_error_y : command.path_input_precision_error;
    model.add_point_envelope = with_float_envelopes && !command.path_coordinates_exact;
    const PaintMatrix& m = command.matrix;
    model.abs_a = std::fabs(m[0]);
    model.abs_b = std::fabs(m[1]);
    model.abs_c = std::fabs(m[2]);
    model.abs_d = std::fabs(m[3]);
    const double linear = command.transform_linear_precision_error;
    const double translation = command.transform_translation_precision_error;
    double entry[6] = {linear, linear, linear, linear, translation, translation};
    if (with_float_envelopes && !command.transform_coordinates_exact) {
        const double k = operation_factor(command);
        for (int i = 0; i < 6; ++i)
            entry[i] += k * float_rounding_envelope(m[i]);
    }
    model.ea = entry[0];
    model.eb = entry[1];
    model.ec = entry[2];
    model.ed = entry[3];
    model.ee = entry[4];
    model.ef = entry[5];
    return model;
}

ErrorPair transformed_point_error(const PaintPoint& point, const PaintCommand& command,
                                  bool with_float_envelopes) noexcept {
    return make_point_error_model(command, with_float_envelopes).error_at(point);
}

ErrorPair path_point_error(const PaintCommand& command, bool with_float_envelopes) noexcept {
    const PointErrorModel model = make_point_error_model(command, with_float_envelopes);
    PathPointErrorWalk walk{command, model, {}, {}, {}};
    walk_subpaths(command, walk);
    return walk.result;
}

double stroke_amplification(const PaintCommand& command) {
    AmplificationWalk walk;
    walk.half_width = std::fabs(command.stroke.width) * 0.5;
    walk.miter_limit =
        std::max(1.0, command.stroke.miter_limit + 4.0 * double_rounding_envelope(command.stroke.miter_limit));
    walk.bevel_cosine = walk.miter_limit <= 1.0 ? 1.0 : 2.0 / (walk.miter_limit * walk.miter_limit) - 1.0;
    walk.check_joins = command.stroke.line_join == LineJoin::miter;
    walk_subpaths(command, walk);
    return walk.largest;
}

SubpathLengthAndError subpath_length_and_error(const PaintCommand& command) noexcept {
    // Envelopes of the coordinates count unless the path is exact, whatever the caller's mode.
    const PointErrorModel model = make_point_error_model(command, false);
    LengthAndErrorWalk walk;
    walk.base_x = model.base_x;
    walk.base_y = model.base_y;
    walk.exact = command.path_coordinates_exact;
    walk_subpaths(command, walk);
    return walk.largest;
}

double dash_precision_error(const PaintCommand& command) noexcept {
    const auto& dashes = command.stroke.dash_array;
    if (dashes.empty())
        return 0.0;
    double sum = 0.0, rounding = 0.0;
    for (const double dash : dashes) {
        sum += std::fabs(dash);
        rounding += 4.0 * double_rounding_envelope(dash);
    }
    if (dashes.size() % 2 == 1) {
        sum *= 2.0;
        rounding *= 2.0;
    }
    const double period = sum - rounding;
    if (!is_positive_finite(period))
        return kInfinity;
    const double offset = command.stroke.dash_offset;
    const double offset_rounding = double_rounding_envelope(offset);
    const SubpathLengthAndError path = subpath_length_and_error(command);
    const double periods = std::ceil((std::fabs(offset) + 4.0 * offset_rounding) / period) + 1.0 +
                           std::ceil((path.error + path.length) / period) + 2.0 + 2.0;
    return known_or_infinite(periods * rounding + path.error + 4.0 * offset_rounding);
}

ErrorPair analyze_command_precision(const PaintCommand& command, bool with_float_envelopes) {
    ErrorPair error;
    const PaintMatrix& m = command.matrix;
    if (command.kind == PaintCommandKind::fill || command.kind == PaintCommandKind::clip_begin)
        error = path_point_error(command, with_float_envelopes);

    if (command.kind == PaintCommandKind::stroke) {
        const PaintStrokeStyle& style = command.stroke;
        const bool isolated = command.isolated_stroke_direction_input_ambiguous;
        if (command.stroke_direction_input_ambiguous || (isolated && style.line_cap == LineCap::square) ||
            (isolated && style.line_cap == LineCap::round && !style.dash_array.empty()))
            throw InputPrecisionError("stroke_direction_precision");

        const PointErrorModel model = make_point_error_model(command, with_float_envelopes);
        double source_x = 0.0, source_y = 0.0;
        for (const PaintPoint& point : command.path_points) {
            include_error(error, model.error_at(point));
            const ErrorPair source = model.source_error_at(point);
            source_x = error_max(source_x, source.x);
            source_y = error_max(source_y, source.y);
        }
        const double amplification = stroke_amplification(command) - 1.0;
        error.x += std::fabs(m[0]) * amplification * source_x + std::fabs(m[2]) * amplification * source_y;
        error.y += std::fabs(m[1]) * amplification * source_x + std::fabs(m[3]) * amplification * source_y;

        const double width_rounding = double_rounding_envelope(style.width);
        double reach = style.line_cap == LineCap::square ? std::sqrt(2.0) : 1.0;
        if (style.line_join == LineJoin::miter)
            reach = error_max(reach, style.miter_limit + 4.0 * double_rounding_envelope(style.miter_limit));
        const double dash_error = dash_precision_error(command);
        const double style_error = matrix_spectral_norm(m) * (4.0 * width_rounding * 0.5 * reach + dash_error);
        error.x += style_error;
        error.y += style_error;

        const double linear = command.transform_linear_precision_error;
        const bool identity = m == kIdentityPaintMatrix;
        if (!identity || linear > 0.0) {
            const bool exact = command.transform_coordinates_exact;
            const double k = operation_factor(command);
            const auto entry_error = [&](double v) { return exact ? 0.0 : k * float_rounding_envelope(v); };
            const double grown = (std::fabs(style.width) * 0.5 + 4.0 * width_rounding * 0.5) * reach + dash_error;
            error.x += (entry_error(m[2]) + linear + entry_error(m[0]) + linear) * grown;
            error.y += (entry_error(m[3]) + linear + entry_error(m[1]) + linear) * grown;
        }
    }

    const double lowering = command.path_lowering_precision_error;
    if (lowering > 0.0) {
        error.x += std::hypot(m[0], m[2]) * lowering;
        error.y += std::hypot(m[1], m[3]) * lowering;
    }
    return ErrorPair{known_or_infinite(error.x), known_or_infinite(error.y)};
}

}  // namespace pavrix_svg_core
