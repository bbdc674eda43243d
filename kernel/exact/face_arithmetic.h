#pragma once

// Orientation, dot-product and area arithmetic shared by the face, nesting and arrangement code,
// exact on 64-bit grid points and plain double expressions on double points.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

#include <clipper2/clipper.h>

#include "kernel/exact/exact_integer.h"

namespace pavrix_svg_core {

// Signed comparisons and sums of the wide integers; the exact-integer header offers products only.
// Inline: the face, nesting and arrangement predicates call them for nearly every test.
inline int sign_128(const Int128& value) noexcept {
    if (value.high < 0) {
        return -1;
    }
    return (value.high != 0 || value.low != 0) ? 1 : 0;
}

inline int compare_128(const Int128& a, const Int128& b) noexcept {
    if (a.high != b.high) {
        return a.high < b.high ? -1 : 1;
    }
    if (a.low != b.low) {
        return a.low < b.low ? -1 : 1;
    }
    return 0;
}

// Word arithmetic in unsigned types, where wrap-around is defined.
inline Int128 add_128(const Int128& a, const Int128& b) noexcept {
    Int128 sum;
    sum.low = a.low + b.low;
    const std::uint64_t carry = sum.low < a.low ? 1 : 0;
    sum.high =
        static_cast<std::int64_t>(static_cast<std::uint64_t>(a.high) + static_cast<std::uint64_t>(b.high) + carry);
    return sum;
}

inline Int128 negate_128(const Int128& value) noexcept {
    Int128 negated;
    negated.low = ~value.low + 1;
    negated.high = static_cast<std::int64_t>(~static_cast<std::uint64_t>(value.high) + (negated.low == 0 ? 1 : 0));
    return negated;
}

inline Int128 subtract_128(const Int128& a, const Int128& b) noexcept {
    return add_128(a, negate_128(b));
}

inline Int128 widen_128(std::int64_t value) noexcept {
    return Int128{value < 0 ? -1 : 0, static_cast<std::uint64_t>(value)};
}

inline int sign_192(const Int192& value) noexcept {
    if (value.w2 < 0) {
        return -1;
    }
    return (value.w2 != 0 || value.w1 != 0 || value.w0 != 0) ? 1 : 0;
}

inline int compare_signed_192(const Int192& a, const Int192& b) noexcept {
    if (a.w2 != b.w2) {
        return a.w2 < b.w2 ? -1 : 1;
    }
    if (a.w1 != b.w1) {
        return a.w1 < b.w1 ? -1 : 1;
    }
    if (a.w0 != b.w0) {
        return a.w0 < b.w0 ? -1 : 1;
    }
    return 0;
}

// Inclusive axis-aligned box over one coordinate type.
template <typename Scalar>
struct FaceBox {
    Scalar xmin{};
    Scalar ymin{};
    Scalar xmax{};
    Scalar ymax{};
};

template <typename Scalar>
bool face_box_contains(const FaceBox<Scalar>& outer, const FaceBox<Scalar>& inner) noexcept {
    return outer.xmin <= inner.xmin && outer.ymin <= inner.ymin && outer.xmax >= inner.xmax && outer.ymax >= inner.ymax;
}

template <typename Scalar>
bool face_boxes_meet(const FaceBox<Scalar>& a, const FaceBox<Scalar>& b) noexcept {
    return a.xmin <= b.xmax && b.xmin <= a.xmax && a.ymin <= b.ymax && b.ymin <= a.ymax;
}

template <typename Scalar>
FaceBox<Scalar> ring_box(const Clipper2Lib::Point<Scalar>* ring, std::size_t count) noexcept {
    FaceBox<Scalar> box;
    if (count == 0) {
        return box;
    }
    box = {ring[0].x, ring[0].y, ring[0].x, ring[0].y};
    for (std::size_t i = 1; i < count; ++i) {
        const auto& point = ring[i];
        box.xmin = point.x < box.xmin ? point.x : box.xmin;
        box.ymin = point.y < box.ymin ? point.y : box.ymin;
        box.xmax = point.x > box.xmax ? point.x : box.xmax;
        box.ymax = point.y > box.ymax ? point.y : box.ymax;
    }
    return box;
}

template <typename Scalar>
FaceBox<Scalar> ring_box(const std::vector<Clipper2Lib::Point<Scalar>>& ring) noexcept {
    return ring_box(ring.data(), ring.size());
}

// Arithmetic of one coordinate type: Product holds cross and dot products of coordinate
// differences, Area twice a ring's signed area.
template <typename Scalar>
struct FaceArithmetic;

// Exact on the integer grid while coordinate differences fit in int64 (|coordinate| < 2^62).
template <>
struct FaceArithmetic<std::int64_t> {
    using Point = Clipper2Lib::Point64;
    using Product = Int128;
    using Area = Int192;

    // Below this magnitude two products and their sum or difference fit in int64, which spares
    // the wide multiplication for the coordinates met in practice.
    static constexpr std::int64_t kNarrowOperand = std::int64_t{1} << 31;
    static bool narrow(std::int64_t ax, std::int64_t ay, std::int64_t bx, std::int64_t by) noexcept {
        return ax > -kNarrowOperand && ax < kNarrowOperand && ay > -kNarrowOperand && ay < kNarrowOperand &&
               bx > -kNarrowOperand && bx < kNarrowOperand && by > -kNarrowOperand && by < kNarrowOperand;
    }
    static Product cross(std::int64_t ax, std::int64_t ay, std::int64_t bx, std::int64_t by) noexcept {
        if (narrow(ax, ay, bx, by)) {
            return widen_128(ax * by - ay * bx);
        }
        return subtract_128(mul_64x64_to_128(ax, by), mul_64x64_to_128(ay, bx));
    }
    static Product dot(std::int64_t ax, std::int64_t ay, std::int64_t bx, std::int64_t by) noexcept {
        if (narrow(ax, ay, bx, by)) {
            return widen_128(ax * bx + ay * by);
        }
        return add_128(mul_64x64_to_128(ax, bx), mul_64x64_to_128(ay, by));
    }
    static int sign(const Product& value) noexcept { return sign_128(value); }
    static int compare(const Product& a, const Product& b) noexcept { return compare_128(a, b); }
    static Product negate(const Product& value) noexcept { return negate_128(value); }
    static Area doubled_area(const std::vector<Point>& ring) noexcept { return doubled_area_192(ring); }
    static int area_sign(const Area& area) noexcept { return sign_192(area); }
    static int compare_area(const Area& a, const Area& b) noexcept { return compare_signed_192(a, b); }
    static int compare_area_magnitude(const Area& a, const Area& b) noexcept { return compare_192(a, b); }
    // Half-sum rounded to nearest with halves away from zero, exact for all inputs that fit.
    static std::int64_t half_sum(std::int64_t a, std::int64_t b) noexcept {
        const std::int64_t sum = a + b;
        if (sum % 2 == 0) {
            return sum / 2;
        }
        return sum > 0 ? sum / 2 + 1 : sum / 2 - 1;
    }
    // The grid point nearest to a + (b - a) * numerator / denominator (denominator > 0).
    static Point crossing_point(const Point& a, const Point& b, const Product& numerator,
                                const Product& denominator) noexcept {
        return Point(round_rational_exact(a.x, b.x - a.x, numerator, denominator),
                     round_rational_exact(a.y, b.y - a.y, numerator, denominator));
    }
};

// Double points holding grid integers: each product rounded, exact below 2^53 in magnitude.
template <>
struct FaceArithmetic<double> {
    using Point = Clipper2Lib::PointD;
    using Product = double;
    using Area = double;

    static Product cross(double ax, double ay, double bx, double by) noexcept { return ax * by - ay * bx; }
    static Product dot(double ax, double ay, double bx, double by) noexcept { return ax * bx + ay * by; }
    static int sign(Product value) noexcept { return (value > 0) - (value < 0); }
    static int compare(Product a, Product b) noexcept { return (a > b) - (a < b); }
    static Product negate(Product value) noexcept { return -value; }
    static Area doubled_area(const std::vector<Point>& ring) noexcept {
        double sum = 0.0;
        for (std::size_t k = 1; k + 1 < ring.size(); ++k) {
            sum += (ring[k].x - ring[0].x) * (ring[k + 1].y - ring[0].y) -
                   (ring[k].y - ring[0].y) * (ring[k + 1].x - ring[0].x);
        }
        return sum;
    }
    static int area_sign(Area area) noexcept { return (area > 0) - (area < 0); }
    static int compare_area(Area a, Area b) noexcept { return (a > b) - (a < b); }
    static int compare_area_magnitude(Area a, Area b) noexcept { return compare_area(std::fabs(a), std::fabs(b)); }
    static double half_sum(double a, double b) noexcept { return std::round(0.5 * (a + b)); }
    // Not rounded: the double variant keeps proper crossings where they are.
    static Point crossing_point(const Point& a, const Point& b, Product numerator, Product denominator) noexcept {
        const double t = numerator / denominator;
        return Point(a.x + t * (b.x - a.x), a.y + t * (b.y - a.y));
    }
};

// Sign of (b - origin) x (c - origin).
template <typename Scalar>
int face_orientation(const Clipper2Lib::Point<Scalar>& origin, const Clipper2Lib::Point<Scalar>& b,
                     const Clipper2Lib::Point<Scalar>& c) noexcept {
    using Arithmetic = FaceArithmetic<Scalar>;
    return Arithmetic::sign(Arithmetic::cross(b.x - origin.x, b.y - origin.y, c.x - origin.x, c.y - origin.y));
}

}  // namespace pavrix_svg_core
