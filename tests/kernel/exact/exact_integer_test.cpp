#include "kernel/exact/exact_integer.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include <gtest/gtest.h>

namespace pavrix_svg_core {
namespace {

using i128 = __int128;
constexpr std::int64_t kMin64 = std::numeric_limits<std::int64_t>::min();
constexpr std::int64_t kMax64 = std::numeric_limits<std::int64_t>::max();

i128 to_native(Int128 v) {
    return (static_cast<i128>(v.high) << 64) | static_cast<i128>(v.low);
}
Int128 to_int128(i128 v) {
    return Int128{static_cast<std::int64_t>(v >> 64), static_cast<std::uint64_t>(v)};
}

// Reference: two's complement over 320 bits in 32-bit limbs, schoolbook and nothing clever.
struct Big {
    std::array<std::uint32_t, 10> limb{};

    static Big of(i128 v) {
        Big b;
        for (int i = 0; i < 10; ++i) {
            b.limb[i] = static_cast<std::uint32_t>(v);
            v >>= 32;  // arithmetic shift keeps the sign fill
        }
        return b;
    }
    static Big of(Int192 v) {
        Big b;
        const std::uint64_t words[3] = {v.w0, v.w1, static_cast<std::uint64_t>(v.w2)};
        for (int i = 0; i < 6; ++i)
            b.limb[i] = static_cast<std::uint32_t>(words[i / 2] >> (32 * (i % 2)));
        for (int i = 6; i < 10; ++i)
            b.limb[i] = v.w2 < 0 ? 0xFFFFFFFFu : 0;
        return b;
    }
    Int192 to_int192() const {  // the low 192 bits
        const auto word = [&](int i) { return std::uint64_t{limb[2 * i]} | std::uint64_t{limb[2 * i + 1]} << 32; };
        return Int192{word(0), word(1), static_cast<std::int64_t>(word(2))};
    }
    bool negative() const { return (limb[9] >> 31) != 0; }
    friend Big operator+(const Big& a, const Big& b) {
        Big r;
        std::uint64_t carry = 0;
        for (int i = 0; i < 10; ++i) {
            carry += std::uint64_t{a.limb[i]} + b.limb[i];
            r.limb[i] = static_cast<std::uint32_t>(carry);
            carry >>= 32;
        }
        return r;
    }
    Big operator-() const {
        Big r;
        for (int i = 0; i < 10; ++i)
            r.limb[i] = ~limb[i];
        return r + of(1);
    }
    friend Big operator-(const Big& a, const Big& b) { return a + (-b); }
    friend Big operator*(const Big& a, const Big& b) {
        Big r;
        for (int i = 0; i < 10; ++i) {
            std::uint64_t carry = 0;
            for (int j = 0; i + j < 10; ++j) {
                carry += std::uint64_t{a.limb[i]} * b.limb[j] + r.limb[i + j];
                r.limb[i + j] = static_cast<std::uint32_t>(carry);
                carry >>= 32;
            }
        }
        return r;
    }
    Big abs() const { return negative() ? -*this : *this; }
    friend int compare(const Big& a, const Big& b) {  // signed
        if (a.negative() != b.negative())
            return a.negative() ? -1 : 1;
        for (int i = 9; i >= 0; --i)
            if (a.limb[i] != b.limb[i])
                return a.limb[i] < b.limb[i] ? -1 : 1;
        return 0;
    }
    friend bool operator==(const Big&, const Big&) = default;
    bool zero() const { return *this == Big{}; }
};

// m is N/q rounded to nearest with halves away from zero.
bool is_rounded_quotient(const Big& n, const Big& q, std::int64_t m) {
    const Big d = n - q * Big::of(m);
    const int half = compare(d.abs() + d.abs(), q);
    if (half != 0)
        return half < 0;
    return !n.zero() && d.negative() != n.negative();
}

struct Random {
    std::mt19937_64 engine{20261209};
    std::int64_t bits(int count) {  // signed value of at most `count` magnitude bits
        const std::uint64_t raw = engine();
        const std::uint64_t magnitude = count >= 64 ? raw >> 1 : raw & ((std::uint64_t{1} << count) - 1);
        return (engine() & 1) ? -static_cast<std::int64_t>(magnitude) : static_cast<std::int64_t>(magnitude);
    }
    std::int64_t any() { return static_cast<std::int64_t>(engine()); }
    Int128 any128() { return Int128{any(), engine()}; }
};

const std::vector<std::int64_t> kEdges64{
    0,          1,         -1,          2, -2, kMax64, kMin64, kMin64 + 1, 1LL << 32, -(1LL << 32), (1LL << 32) - 1,
    0x7FFFFFFF, 1LL << 62, -(1LL << 62)};

TEST(ExactInteger, ProductOf64BitValuesMatchesNativeWideProduct) {
    std::vector<std::int64_t> values = kEdges64;
    Random random;
    for (int i = 0; i < 200; ++i)
        values.push_back(random.any());
    for (std::int64_t a : values)
        for (std::int64_t b : values)
            ASSERT_EQ(to_native(mul_64x64_to_128(a, b)), static_cast<i128>(a) * b) << a << " * " << b;
    EXPECT_EQ(to_native(mul_64x64_to_128(kMin64, -1)), static_cast<i128>(1) << 63);
    EXPECT_EQ(to_native(mul_64x64_to_128(kMin64, kMin64)), static_cast<i128>(1) << 126);
}

TEST(ExactInteger, DoubleEstimateIsWithinTwoUlps) {
    Random random;
    std::vector<i128> values{0,
                             1,
                             -1,
                             static_cast<i128>(1) << 53,
                             (static_cast<i128>(1) << 64) + 1,
                             static_cast<i128>(1) << 127 /* wraps to the most negative */};
    for (int i = 0; i < 2000; ++i)
        values.push_back(to_native(random.any128()) >> (random.engine() % 127));
    for (i128 v : values) {
        const double exact = static_cast<double>(v);
        const double estimate = int128_to_double(to_int128(v));
        ASSERT_LE(std::fabs(estimate - exact), 2.0 * std::fabs(std::nextafter(exact, 0.0) - exact));
    }
    EXPECT_EQ(int128_to_double(to_int128(-(static_cast<i128>(1) << 100))), -std::ldexp(1.0, 100));
}

TEST(ExactInteger, ProductWith128BitValueMatchesReference) {
    Random random;
    std::vector<Int128> wide{to_int128(0),          to_int128(1),     to_int128(-1), Int128{kMin64, 0},
                             Int128{kMax64, ~0ull}, Int128{0, ~0ull}, Int128{-1, 0}};
    for (int i = 0; i < 100; ++i)
        wide.push_back(random.any128());
    std::vector<std::int64_t> narrow = kEdges64;
    for (int i = 0; i < 50; ++i)
        narrow.push_back(random.any());
    for (std::int64_t a : narrow)
        for (Int128 v : wide)
            ASSERT_EQ(Big::of(mul_64x128_to_192(a, v)), Big::of(static_cast<i128>(a)) * Big::of(to_native(v)));
}

struct AreaCase {
    const char* why;
    Clipper2Lib::Path64 ring;
};

class DoubledArea : public ::testing::TestWithParam<AreaCase> {};

TEST_P(DoubledArea, MatchesShoelaceReference) {
    const auto& ring = GetParam().ring;
    Big expected;
    for (std::size_t k = 1; ring.size() >= 3 && k + 1 < ring.size(); ++k) {
        const auto& o = ring[0];
        expected = expected + Big::of(static_cast<i128>(ring[k].x - o.x)) * Big::of(ring[k + 1].y - o.y) -
                   Big::of(static_cast<i128>(ring[k].y - o.y)) * Big::of(ring[k + 1].x - o.x);
    }
    EXPECT_EQ(Big::of(doubled_area_192(ring)), expected);
}

constexpr std::int64_t kNear61 = (1LL << 61) - 3;
INSTANTIATE_TEST_SUITE_P(Cases, DoubledArea,
                         ::testing::Values(AreaCase{"no points", {}}, AreaCase{"two points", {{0, 0}, {5, 5}}},
                                           AreaCase{"unit square ccw", {{0, 0}, {1, 0}, {1, 1}, {0, 1}}},
                                           AreaCase{"unit square cw", {{0, 0}, {0, 1}, {1, 1}, {1, 0}}},
                                           AreaCase{"coordinates near +-2^61",
                                                    {{-kNear61, -kNear61},
                                                     {kNear61, -kNear61},
                                                     {kNear61, kNear61},
                                                     {-kNear61, kNear61},
                                                     {-kNear61, std::int64_t{0}},
                                                     {-kNear61 + 1, -kNear61 + 7}}},
                                           AreaCase{"first point repeated at the end",
                                                    {{0, 0}, {4, 0}, {4, 4}, {0, 0}}}));

TEST(ExactInteger, DoubledAreaSign) {
    EXPECT_EQ(Big::of(doubled_area_192({{0, 0}, {1, 0}, {1, 1}, {0, 1}})), Big::of(2));
    EXPECT_EQ(Big::of(doubled_area_192({{0, 0}, {0, 1}, {1, 1}, {1, 0}})), Big::of(-2));
}

TEST(ExactInteger, Compare192OrdersMagnitudes) {
    EXPECT_EQ(compare_192(Int192{5, 0, 0}, Int192{~0ull - 4, ~0ull, -1}), 0);  // -5 against +5
    EXPECT_EQ(compare_192(Int192{0, 0, 1}, Int192{~0ull, ~0ull, 0}), 1);
    EXPECT_EQ(compare_192(Int192{0, 0, kMin64}, Int192{~0ull, ~0ull, kMax64}), 1);  // -2^191 is largest
    Random random;
    for (int i = 0; i < 1000; ++i) {
        const Int192 a = mul_64x128_to_192(random.any(), random.any128());
        const Int192 b = mul_64x128_to_192(random.bits(static_cast<int>(random.engine() % 64)), random.any128());
        ASSERT_EQ(compare_192(a, b), compare(Big::of(a).abs(), Big::of(b).abs()));
    }
}

struct RoundCase {
    const char* why;
    std::int64_t a, b;
    i128 p, q;
    std::int64_t expected;
};

class RoundRational : public ::testing::TestWithParam<RoundCase> {};

TEST_P(RoundRational, GivesExactlyRoundedValue) {
    const auto& c = GetParam();
    EXPECT_EQ(round_rational_exact(c.a, c.b, to_int128(c.p), to_int128(c.q)), c.expected) << c.why;
}

constexpr i128 kTwo80 = static_cast<i128>(1) << 80;
constexpr std::int64_t kM = (1LL << 40) + 12345;
INSTANTIATE_TEST_SUITE_P(
    Cases, RoundRational,
    ::testing::Values(RoundCase{"half rounds up", 0, 1, 1, 2, 1},
                      RoundCase{"negative half rounds down", 0, -1, 1, 2, -1},
                      RoundCase{"third rounds to zero", 0, 1, 1, 3, 0},
                      RoundCase{"a offsets the half: 2.5 rounds to 3", 3, -1, 1, 2, 3},
                      // p/q = kM + 1/2 - 2^-80: the double sees an exact half and guesses kM + 1.
                      RoundCase{"estimate off by one below a half", 0, 1, (2 * kM + 1) * (kTwo80 / 2) - 1, kTwo80, kM},
                      RoundCase{"estimate off by one above a negative half", 0, -1, (2 * kM + 1) * (kTwo80 / 2) - 1,
                                kTwo80, -kM},
                      // The estimate rounds to 2^63 although the value fits.
                      RoundCase{"estimate reaches 2^63", kMax64, -1, kTwo80 - 1, kTwo80, kMax64 - 1},
                      RoundCase{"most negative result", kMin64, 0, 5, 7, kMin64}));

TEST(ExactInteger, DifferenceNeeding193BitsIsNotARoundedMatch) {
    // N close to 2^191 and q*m close to -2^190: |N - q*m| exceeds the 192-bit range.
    const Int192 n{~0ull, ~0ull, kMax64};
    const Int128 q{kMax64, ~0ull};
    EXPECT_FALSE(compare_192_with_rounded(n, q, kMin64));
    EXPECT_FALSE(compare_192_with_rounded(Int192{0, 0, kMin64}, q, kMax64));
}

TEST(ExactInteger, DivisorNear2To127KeepsTheRemainderInRange) {
    const i128 q = static_cast<i128>((~static_cast<unsigned __int128>(0)) >> 1);  // 2^127 - 1
    const std::int64_t m = (1LL << 62) + 3;
    // Just above and just below a half: the remainder's doubling would pass 2^128.
    const Big above = Big::of(q) * Big::of(m) + Big::of(q / 2 + 1);
    const Big below = -(Big::of(q) * Big::of(m) + Big::of(q / 2));
    EXPECT_EQ(divide_192_rounded(above.to_int192(), to_int128(q)), m + 1);
    EXPECT_EQ(divide_192_rounded(below.to_int192(), to_int128(q)), -m);
}

TEST(ExactInteger, HalvesRoundAwayFromZeroInBothRoundingOperations) {
    Random random;
    for (int i = 0; i < 500; ++i) {
        const i128 q = (to_native(random.any128()) >> (1 + random.engine() % 100)) * 2;
        const i128 qq = q < 0 ? -q : (q == 0 ? 2 : q);
        const std::int64_t m = random.bits(40);
        const int side = (random.engine() & 1) ? 1 : -1;
        const Big n = Big::of(qq) * Big::of(m) + Big::of(side * (qq / 2));  // exactly m +- 1/2
        const Int192 n192 = n.to_int192();
        const std::int64_t away = n.negative() ? std::min(m, m + side) : std::max(m, m + side);
        ASSERT_EQ(divide_192_rounded(n192, to_int128(qq)), away);
        ASSERT_TRUE(compare_192_with_rounded(n192, to_int128(qq), away));
        ASSERT_FALSE(compare_192_with_rounded(n192, to_int128(qq), away == m ? m + side : m));
    }
}

TEST(ExactInteger, RandomRationalsRoundExactly) {
    Random random;
    for (int i = 0; i < 3000; ++i) {
        const i128 q = (static_cast<i128>(random.engine() >> 1) << (random.engine() % 40)) | 1;
        const i128 p =
            (to_native(random.any128()) >> 64) * static_cast<i128>(random.engine() % (1u << 20)) % (q << 20 | 1);
        const std::int64_t a = random.bits(40), b = random.bits(static_cast<int>(random.engine() % 41));
        const std::int64_t m = round_rational_exact(a, b, to_int128(p), to_int128(q));
        const Big n = Big::of(a) * Big::of(q) + Big::of(b) * Big::of(p);
        ASSERT_TRUE(is_rounded_quotient(n, Big::of(q), m));
        ASSERT_EQ(divide_192_rounded(n.to_int192(), to_int128(q)), m);
    }
}

}  // namespace
}  // namespace pavrix_svg_core
