#include "kernel/face_arithmetic.h"

namespace pavrix_svg_core {

namespace {

// Word arithmetic in unsigned types, where wrap-around is defined.
std::int64_t high_from_bits(std::uint64_t bits) noexcept {
    return static_cast<std::int64_t>(bits);
}
std::uint64_t high_bits(std::int64_t high) noexcept {
    return static_cast<std::uint64_t>(high);
}

}  // namespace

int sign_128(const Int128& value) noexcept {
    if (value.high < 0) {
        return -1;
    }
    return (value.high != 0 || value.low != 0) ? 1 : 0;
}

int compare_128(const Int128& a, const Int128& b) noexcept {
    if (a.high != b.high) {
        return a.high < b.high ? -1 : 1;
    }
    if (a.low != b.low) {
        return a.low < b.low ? -1 : 1;
    }
    return 0;
}

Int128 add_128(const Int128& a, const Int128& b) noexcept {
    Int128 sum;
    sum.low = a.low + b.low;
    const std::uint64_t carry = sum.low < a.low ? 1 : 0;
    sum.high = high_from_bits(high_bits(a.high) + high_bits(b.high) + carry);
    return sum;
}

Int128 negate_128(const Int128& value) noexcept {
    Int128 negated;
    negated.low = ~value.low + 1;
    negated.high = high_from_bits(~high_bits(value.high) + (negated.low == 0 ? 1 : 0));
    return negated;
}

Int128 subtract_128(const Int128& a, const Int128& b) noexcept {
    return add_128(a, negate_128(b));
}

Int128 widen_128(std::int64_t value) noexcept {
    return Int128{value < 0 ? -1 : 0, static_cast<std::uint64_t>(value)};
}

int sign_192(const Int192& value) noexcept {
    if (value.w2 < 0) {
        return -1;
    }
    return (value.w2 != 0 || value.w1 != 0 || value.w0 != 0) ? 1 : 0;
}

int compare_signed_192(const Int192& a, const Int192& b) noexcept {
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

}  // namespace pavrix_svg_core
