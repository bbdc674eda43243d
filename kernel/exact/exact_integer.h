#pragma once

// Exact wide-integer arithmetic for grid predicates: 128- and 192-bit products, doubled ring areas
// and rounding of rational values to the nearest grid integer.

#include <cstdint>

#include <clipper2/clipper.h>

namespace pavrix_svg_core {

// Two's complement over 128 bits: value = high * 2^64 + low.
struct Int128 {
    std::int64_t high = 0;
    std::uint64_t low = 0;
};

// Two's complement over 192 bits, least significant word first; the top word carries the sign.
struct Int192 {
    std::uint64_t w0 = 0;
    std::uint64_t w1 = 0;
    std::int64_t w2 = 0;
};

// None of these allocates, throws or keeps state.

#ifdef __SIZEOF_INT128__
// Inline through the compiler's 128-bit integers: nearly every exact predicate forms these.
inline Int128 mul_64x64_to_128(std::int64_t a, std::int64_t b) noexcept {
    __extension__ typedef __int128 NativeProduct;
    const NativeProduct product = static_cast<NativeProduct>(a) * b;
    return Int128{static_cast<std::int64_t>(product >> 64), static_cast<std::uint64_t>(product)};
}
#else
Int128 mul_64x64_to_128(std::int64_t a, std::int64_t b) noexcept;
#endif
// An estimate (two roundings), only used to guess a value that is then checked exactly.
double int128_to_double(Int128 value) noexcept;
Int192 mul_64x128_to_192(std::int64_t a, Int128 v) noexcept;
// Twice the signed area of the closed ring (counter-clockwise with y up is positive); 0 below
// three points. Pairwise coordinate differences must fit in int64.
Int192 doubled_area_192(const Clipper2Lib::Path64& ring) noexcept;
// -1, 0, +1 as |a| is smaller than, equal to or larger than |b|. Inline: area orders sort and
// search by it.
inline int compare_192(Int192 a, Int192 b) noexcept {
    // Two's complement negation over the three words gives the magnitude of a negative value.
    const auto magnitude = [](Int192 v, std::uint64_t (&words)[3]) noexcept {
        words[0] = v.w0;
        words[1] = v.w1;
        words[2] = static_cast<std::uint64_t>(v.w2);
        if (v.w2 < 0) {
            words[0] = ~words[0] + 1;
            const std::uint64_t carry1 = words[0] == 0 ? 1 : 0;
            words[1] = ~words[1] + carry1;
            const std::uint64_t carry2 = (carry1 != 0 && words[1] == 0) ? 1 : 0;
            words[2] = ~words[2] + carry2;
        }
    };
    std::uint64_t x[3];
    std::uint64_t y[3];
    magnitude(a, x);
    magnitude(b, y);
    for (int i = 2; i >= 0; --i) {
        if (x[i] != y[i]) {
            return x[i] < y[i] ? -1 : 1;
        }
    }
    return 0;
}
// True when m is n / q rounded to nearest with halves away from zero. Requires q > 0.
bool compare_192_with_rounded(Int192 n, Int128 q, std::int64_t m) noexcept;
// n / q rounded to nearest, halves away from zero. Requires q > 0 and a result within int64.
std::int64_t divide_192_rounded(Int192 n, Int128 q) noexcept;
// a + b * p / q rounded to nearest, halves away from zero. Requires q > 0 and a result within int64.
std::int64_t round_rational_exact(std::int64_t a, std::int64_t b, Int128 p, Int128 q) noexcept;

}  // namespace pavrix_svg_core
