#pragma once

// Correctly rounded double of a short decimal literal without a general conversion routine.

#include <array>
#include <cstdint>

namespace pavrix_svg {

// 10^0 .. 10^kMaxPower in Real, each exact as long as 5^kMaxPower fits Real's significand.
template <typename Real, int kMaxPower>
constexpr std::array<Real, kMaxPower + 1> powersOfTen() {
    std::array<Real, kMaxPower + 1> powers{};
    Real power = 1;
    for (Real& entry : powers) {
        entry = power;
        power *= 10;
    }
    return powers;
}

// A decimal literal whose significant digits fit 2^53 and whose power of ten lies within 10^22 is
// the quotient or product of two exact doubles (5^22 < 2^53), so one division or multiplication
// rounds it exactly as a correctly rounded conversion does.
class ExactDecimal {
public:
    static constexpr int kMaxPower = 22;
    static constexpr std::uint64_t kMaxDigits = std::uint64_t{1} << 53;

    // Reads the mantissa [first, last): digits with at most one "." and nothing else, as a
    // grammar has already checked it. `exponent` is the literal's own exponent. False when the
    // literal is outside the exact range; value is then untouched.
    static bool convert(const char* first, const char* last, std::int64_t exponent, double& value) noexcept {
        std::uint64_t digits = 0;
        int significant = 0;
        std::int64_t scale = 0;
        bool fraction = false;
        for (; first < last; ++first) {
            const char c = *first;
            if (c == '.') {
                fraction = true;
                continue;
            }
            if (fraction)
                --scale;
            if (digits == 0 && c == '0')
                continue;  // a leading zero adds no significant digit
            if (++significant > kSignificantDigits)
                return false;
            digits = digits * 10 + static_cast<std::uint64_t>(c - '0');
        }
        if (digits == 0) {
            value = 0.0;
            return true;
        }
        const std::int64_t power = exponent + scale;
        if (digits > kMaxDigits || power > kMaxPower || power < -kMaxPower)
            return false;
        const double exact = static_cast<double>(digits);
        value = power >= 0 ? exact * kPowers[static_cast<std::size_t>(power)]
                           : exact / kPowers[static_cast<std::size_t>(-power)];
        return true;
    }

private:
    // Enough digits for any value up to 2^53, few enough that the accumulator cannot wrap.
    static constexpr int kSignificantDigits = 16;

    static constexpr std::array<double, kMaxPower + 1> kPowers = powersOfTen<double, kMaxPower>();
};

}  // namespace pavrix_svg
