#include "kernel/exact/exact_integer.h"

#include <cmath>

namespace pavrix_svg_core {
namespace {

// Unsigned magnitudes, least significant word first. Four words hold the difference of two
// 192-bit values, which can need 193 bits.
struct Words128 {
    std::uint64_t w0 = 0;
    std::uint64_t w1 = 0;
};
struct Words192 {
    std::uint64_t w[3]{0, 0, 0};
};
struct Words256 {
    std::uint64_t w[4]{0, 0, 0, 0};
};

constexpr std::uint64_t kLow32 = 0xFFFFFFFFull;

std::uint64_t magnitude64(std::int64_t value) noexcept {
    // Unsigned negation covers the most negative value (2^63).
    const auto bits = static_cast<std::uint64_t>(value);
    return value < 0 ? ~bits + 1 : bits;
}

#ifdef __SIZEOF_INT128__
// The compiler's 128-bit integers are exact and far faster than the 32-bit halves below.
__extension__ typedef unsigned __int128 NativeU128;

Words128 multiply_u64(std::uint64_t x, std::uint64_t y) noexcept {
    const NativeU128 product = static_cast<NativeU128>(x) * y;
    return Words128{static_cast<std::uint64_t>(product), static_cast<std::uint64_t>(product >> 64)};
}
#else
// Full 64 x 64 -> 128-bit unsigned product through 32-bit halves.
Words128 multiply_u64(std::uint64_t x, std::uint64_t y) noexcept {
    const std::uint64_t x0 = x & kLow32, x1 = x >> 32;
    const std::uint64_t y0 = y & kLow32, y1 = y >> 32;
    const std::uint64_t p00 = x0 * y0;
    const std::uint64_t p01 = x0 * y1;
    const std::uint64_t p10 = x1 * y0;
    const std::uint64_t p11 = x1 * y1;
    // The middle column cannot overflow: three values below 2^32 each.
    const std::uint64_t middle = (p00 >> 32) + (p01 & kLow32) + (p10 & kLow32);
    Words128 result;
    result.w0 = (middle << 32) | (p00 & kLow32);
    result.w1 = p11 + (p01 >> 32) + (p10 >> 32) + (middle >> 32);
    return result;
}
#endif

Words128 negate128(Words128 v) noexcept {
    v.w0 = ~v.w0 + 1;
    v.w1 = ~v.w1 + (v.w0 == 0 ? 1 : 0);
    return v;
}

Words192 negate192(Words192 v) noexcept {
    std::uint64_t carry = 1;
    for (auto& word : v.w) {
        word = ~word + carry;
        carry = (carry != 0 && word == 0) ? 1 : 0;
    }
    return v;
}

Words256 negate256(Words256 v) noexcept {
    std::uint64_t carry = 1;
    for (auto& word : v.w) {
        word = ~word + carry;
        carry = (carry != 0 && word == 0) ? 1 : 0;
    }
    return v;
}

bool is_negative(Int128 v) noexcept {
    return v.high < 0;
}
bool is_negative(Int192 v) noexcept {
    return v.w2 < 0;
}

Words128 magnitude128(Int128 v) noexcept {
    const Words128 words{v.low, static_cast<std::uint64_t>(v.high)};
    return is_negative(v) ? negate128(words) : words;
}

Words192 words_of(Int192 v) noexcept {
    return Words192{{v.w0, v.w1, static_cast<std::uint64_t>(v.w2)}};
}

Int192 int192_of(Words192 v) noexcept {
    return Int192{v.w[0], v.w[1], static_cast<std::int64_t>(v.w[2])};
}

Words192 magnitude192(Int192 v) noexcept {
    return is_negative(v) ? negate192(words_of(v)) : words_of(v);
}

Words256 sign_extend(Int192 v) noexcept {
    const std::uint64_t fill = is_negative(v) ? ~std::uint64_t{0} : 0;
    return Words256{{v.w0, v.w1, static_cast<std::uint64_t>(v.w2), fill}};
}

Words256 subtract256(const Words256& a, const Words256& b) noexcept {
    Words256 result;
    std::uint64_t borrow = 0;
    for (int i = 0; i < 4; ++i) {
        const std::uint64_t d = a.w[i] - b.w[i];
        const std::uint64_t next_borrow = (a.w[i] < b.w[i] || d < borrow) ? 1 : 0;
        result.w[i] = d - borrow;
        borrow = next_borrow;
    }
    return result;
}

Int192 add192(Int192 a, Int192 b) noexcept {
    const Words192 x = words_of(a), y = words_of(b);
    Words192 sum;
    std::uint64_t carry = 0;
    for (int i = 0; i < 3; ++i) {
        const std::uint64_t s = x.w[i] + y.w[i];
        const std::uint64_t next_carry = (s < x.w[i] || s + carry < s) ? 1 : 0;
        sum.w[i] = s + carry;
        carry = next_carry;
    }
    return int192_of(sum);
}

Int192 widen(Int128 v) noexcept {
    return Int192{v.low, static_cast<std::uint64_t>(v.high), v.high < 0 ? std::int64_t{-1} : 0};
}

int compare128(Words128 a, Words128 b) noexcept {
    if (a.w1 != b.w1)
        return a.w1 < b.w1 ? -1 : 1;
    if (a.w0 != b.w0)
        return a.w0 < b.w0 ? -1 : 1;
    return 0;
}

Words128 subtract128(Words128 a, Words128 b) noexcept {
    const std::uint64_t low = a.w0 - b.w0;
    return Words128{low, a.w1 - b.w1 - (a.w0 < b.w0 ? 1 : 0)};
}

// Correctly rounded conversion of an unsigned word. Above 2^63 it goes through the signed
// conversion of the halved value with its lowest bit kept as a sticky bit, which rounds as the
// full value would; below, halving would lose an odd low bit of a small value.
double u64_to_double(std::uint64_t value) noexcept {
    if (value >> 63 == 0)
        return static_cast<double>(static_cast<std::int64_t>(value));
    return static_cast<double>(static_cast<std::int64_t>((value >> 1) | (value & 1))) * 2.0;
}

// `remainder` is below q on entry, so the shifted value stays below 2^128 (q < 2^127).
// Rounds |n| / q and returns the low 64 bits of the rounded quotient's magnitude.
std::uint64_t divide_magnitude_rounded(const Words192& n, Words128 q) noexcept {
    int top = 191;
    while (top >= 0 && ((n.w[top / 64] >> (top % 64)) & 1) == 0)
        --top;
    Words128 remainder;
    std::uint64_t quotient = 0;  // only the low 64 bits are ever returned
    for (int bit = top; bit >= 0; --bit) {
        remainder.w1 = (remainder.w1 << 1) | (remainder.w0 >> 63);
        remainder.w0 = (remainder.w0 << 1) | ((n.w[bit / 64] >> (bit % 64)) & 1);
        quotient <<= 1;
        if (compare128(remainder, q) >= 0) {
            remainder = subtract128(remainder, q);
            quotient |= 1;
        }
    }
    // r >= q - r: the remainder is at least half of q; halves round away from zero.
    if (compare128(remainder, subtract128(q, remainder)) >= 0)
        ++quotient;
    return quotient;
}

}  // namespace

#ifndef __SIZEOF_INT128__
Int128 mul_64x64_to_128(std::int64_t a, std::int64_t b) noexcept {
    Words128 product = multiply_u64(magnitude64(a), magnitude64(b));
    if ((a < 0) != (b < 0))
        product = negate128(product);
    return Int128{static_cast<std::int64_t>(product.w1), product.w0};
}
#endif

double int128_to_double(Int128 value) noexcept {
    const Words128 magnitude = magnitude128(value);
    const double estimate = u64_to_double(magnitude.w1) * 18446744073709551616.0 + u64_to_double(magnitude.w0);
    return is_negative(value) ? -estimate : estimate;
}

Int192 mul_64x128_to_192(std::int64_t a, Int128 v) noexcept {
    const std::uint64_t x = magnitude64(a);
    const Words128 y = magnitude128(v);
    const Words128 low = multiply_u64(x, y.w0);
    const Words128 high = multiply_u64(x, y.w1);
    Words192 product;
    product.w[0] = low.w0;
    product.w[1] = low.w1 + high.w0;
    product.w[2] = high.w1 + (product.w[1] < low.w1 ? 1 : 0);
    if ((a < 0) != is_negative(v))
        product = negate192(product);
    return int192_of(product);
}

Int192 doubled_area_192(const Clipper2Lib::Path64& ring) noexcept {
    Int192 sum;
    if (ring.size() < 3)
        return sum;
    // Differences wrap instead of overflowing; callers keep them within int64.
    const auto difference = [](std::int64_t p, std::int64_t q) noexcept {
        return static_cast<std::int64_t>(static_cast<std::uint64_t>(p) - static_cast<std::uint64_t>(q));
    };
    const auto& origin = ring.front();
    for (std::size_t k = 1; k + 1 < ring.size(); ++k) {
        const auto& p = ring[k];
        const auto& q = ring[k + 1];
        const Int128 positive = mul_64x64_to_128(difference(p.x, origin.x), difference(q.y, origin.y));
        const Int128 negative = mul_64x64_to_128(difference(p.y, origin.y), difference(q.x, origin.x));
        sum = add192(sum, widen(positive));
        sum = add192(sum, int192_of(negate192(words_of(widen(negative)))));
    }
    return sum;
}

bool compare_192_with_rounded(Int192 n, Int128 q, std::int64_t m) noexcept {
    // D = N - q*m over 256 bits: for a far-off m the difference needs 193 bits.
    Words256 difference = subtract256(sign_extend(n), sign_extend(mul_64x128_to_192(m, q)));
    const bool difference_negative = (difference.w[3] >> 63) != 0;
    if (difference_negative)
        difference = negate256(difference);
    const Words128 divisor{q.low, static_cast<std::uint64_t>(q.high)};
    // Doubling |D| could overflow, so |D| is compared with q - |D| instead.
    if (difference.w[3] != 0 || difference.w[2] != 0)
        return false;
    const Words128 magnitude{difference.w[0], difference.w[1]};
    if (compare128(magnitude, divisor) >= 0)
        return false;
    const int half = compare128(magnitude, subtract128(divisor, magnitude));
    if (half < 0)
        return true;
    if (half > 0)
        return false;
    const bool n_negative = is_negative(n);
    const bool n_zero = n.w0 == 0 && n.w1 == 0 && n.w2 == 0;
    return !n_zero && difference_negative != n_negative;
}

std::int64_t divide_192_rounded(Int192 n, Int128 q) noexcept {
    const Words128 divisor{q.low, static_cast<std::uint64_t>(q.high)};
    const std::uint64_t magnitude = divide_magnitude_rounded(magnitude192(n), divisor);
    return static_cast<std::int64_t>(is_negative(n) ? ~magnitude + 1 : magnitude);
}

std::int64_t round_rational_exact(std::int64_t a, std::int64_t b, Int128 p, Int128 q) noexcept {
    const Int192 n = add192(mul_64x128_to_192(a, q), mul_64x128_to_192(b, p));
    const double estimate =
        static_cast<double>(a) + (int128_to_double(p) / int128_to_double(q)) * static_cast<double>(b);
    // llround is only defined inside int64; outside (or for NaN) the exact division decides.
    constexpr double kTwoTo63 = 9223372036854775808.0;
    if (std::isfinite(estimate) && estimate > -kTwoTo63 && estimate < kTwoTo63) {
        const std::int64_t guess = std::llround(estimate);
        if (compare_192_with_rounded(n, q, guess))
            return guess;
    }
    return divide_192_rounded(n, q);
}

}  // namespace pavrix_svg_core
