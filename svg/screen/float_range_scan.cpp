#include "svg/screen/capability_classifier.h"

#include <cmath>
#include <cstddef>
#include <cstdint>

namespace pavrix_svg {

namespace {

constexpr double kSmallestNormalFloat = 1.1754943508222875e-38;
constexpr double kLargestFloat = 3.4028234663852886e38;
// Exponents beyond this make pow() give 0 or infinity for every mantissa the scan can hold.
constexpr std::int64_t kExponentSaturation = 100000000;
// Fraction digits past this scale cannot change a double-precision fraction.
constexpr double kFractionScaleLimit = 1e300;
// A digit run of this many significant digits is at least 10^310: infinite in double.
constexpr std::size_t kInfiniteDigitRun = 311;
// Digit runs this short, without an exponent, always read as a float-range value or zero.
constexpr std::size_t kPlainDigits = 30;
// Decimal powers of a leading digit that keep a value between 1e-37 and 1e38, far enough inside
// the float range (1.18e-38 to 3.4e38) for any rounding of the evaluation.
constexpr std::int64_t kSafeLowPower = -37;
constexpr std::int64_t kSafeHighPower = 37;
// 10^308 is the largest finite power of ten in double.
constexpr std::int64_t kFinitePower = 308;

constexpr bool isDigit(char c) noexcept {
    return c >= '0' && c <= '9';
}

bool outsideFloatRange(double value) noexcept {
    const double magnitude = std::fabs(value);
    return value != 0.0 && (magnitude < kSmallestNormalFloat || magnitude > kLargestFloat);
}

double accumulateDigits(std::string_view text, std::size_t from, std::size_t to) noexcept {
    double value = 0.0;
    for (std::size_t i = from; i < to; ++i)
        value = value * 10.0 + static_cast<double>(text[i] - '0');
    return value;
}

// One number read at a start byte (a digit, sign or "."). The integer digits are [intBegin,
// intEnd); every digit start inside that run reads the same fraction and exponent.
struct ScannedNumber {
    enum class Kind { value, syntaxFault } kind = Kind::value;
    std::size_t intBegin = 0;
    std::size_t intEnd = 0;
    std::size_t end = 0;            // after the number (value) or where rescanning may resume (fault)
    std::size_t fractionBegin = 0;  // fraction digits, an empty range without any
    std::size_t fractionEnd = 0;
    bool hasExponent = false;
    std::int64_t exponent = 0;
    double fraction = 0.0;  // set by evaluateFraction
    double power = 1.0;     // set by evaluatePower
    bool negative = false;
};

void evaluatePower(ScannedNumber& number) noexcept {
    if (number.hasExponent)
        number.power = std::pow(10.0, static_cast<double>(number.exponent));
}

// Decimal exponent of the leading non-zero digit (so the magnitude lies in [10^p, 10^(p+1)) before
// the literal's own exponent), or false when every digit is zero.
bool leadingDigitPower(std::string_view text, const ScannedNumber& number, std::int64_t& power) noexcept {
    for (std::size_t i = number.intBegin; i < number.intEnd; ++i) {
        if (text[i] != '0') {
            power = static_cast<std::int64_t>(number.intEnd - i) - 1;
            return true;
        }
    }
    for (std::size_t i = number.fractionBegin; i < number.fractionEnd; ++i) {
        if (text[i] != '0') {
            power = -static_cast<std::int64_t>(i - number.fractionBegin) - 1;
            return true;
        }
    }
    return false;
}

void evaluateFraction(std::string_view text, ScannedNumber& number) noexcept {
    double digits = 0.0;
    double scale = 1.0;
    for (std::size_t i = number.fractionBegin; i < number.fractionEnd; ++i) {
        if (scale < kFractionScaleLimit) {
            digits = digits * 10.0 + static_cast<double>(text[i] - '0');
            scale *= 10.0;
        }
    }
    number.fraction = digits / scale;
}

ScannedNumber scanNumber(std::string_view text, std::size_t start) noexcept {
    ScannedNumber number;
    const std::size_t n = text.size();
    std::size_t i = start;
    if (text[i] == '+' || text[i] == '-') {
        number.negative = text[i] == '-';
        ++i;
    }
    number.intBegin = i;
    while (i < n && isDigit(text[i]))
        ++i;
    number.intEnd = i;
    if (i < n && text[i] == '.') {
        if (i + 1 >= n || !isDigit(text[i + 1])) {
            // Every start up to and including this "." fails the same way.
            number.kind = ScannedNumber::Kind::syntaxFault;
            number.end = i + 1;
            return number;
        }
        ++i;
        number.fractionBegin = i;
        while (i < n && isDigit(text[i]))
            ++i;
        number.fractionEnd = i;
    }
    if (i < n && (text[i] == 'e' || text[i] == 'E') && !(i + 1 < n && (text[i + 1] == 'x' || text[i + 1] == 'm'))) {
        const std::size_t letter = i;
        std::size_t j = i + 1;
        bool negativeExponent = false;
        if (j < n && (text[j] == '+' || text[j] == '-')) {
            negativeExponent = text[j] == '-';
            ++j;
        }
        if (j >= n || !isDigit(text[j])) {
            // Every start before the letter fails the same way; the letter itself is skipped.
            number.kind = ScannedNumber::Kind::syntaxFault;
            number.end = letter + 1;
            return number;
        }
        std::int64_t exponent = 0;
        while (j < n && isDigit(text[j])) {
            if (exponent < kExponentSaturation)
                exponent = exponent * 10 + (text[j] - '0');
            ++j;
        }
        i = j;
        number.hasExponent = true;
        number.exponent = negativeExponent ? -exponent : exponent;
    }
    number.end = i;
    return number;
}

double numberValue(const ScannedNumber& number, double integerPart) noexcept {
    double mantissa = integerPart + number.fraction;
    if (number.negative)
        mantissa = -mantissa;
    return mantissa * number.power;
}

// A number whose value is not finite is passed over by one byte, so the digits after its first
// byte are read again as a number of their own. Rescanning each suffix would be quadratic on long
// digit runs; instead the suffixes of the integer run are searched directly: their values never
// grow as the start moves right, so the first finite one is found by bisection among the last
// kInfiniteDigitRun starts (longer suffixes are infinite, or equal to one of those when they only
// add leading zeros).
bool scanNumbers(std::string_view text) noexcept {
    const std::size_t n = text.size();
    std::size_t pos = 0;
    while (pos < n) {
        const char c = text[pos];
        if (!(isDigit(c) || c == '+' || c == '-' || c == '.')) {
            ++pos;
            continue;
        }
        ScannedNumber number = scanNumber(text, pos);
        if (number.kind == ScannedNumber::Kind::syntaxFault) {
            pos = number.end;
            continue;
        }
        // Without an exponent, short digit runs give 0 or a magnitude between 1e-30 and 1e30. With
        // one, the leading digit places the magnitude within a factor of ten: between 1e-37 and
        // 1e38 it lies well inside the float range, whatever the rounding.
        if (number.intEnd - number.intBegin <= kPlainDigits &&
            number.fractionEnd - number.fractionBegin <= kPlainDigits) {
            std::int64_t leading = 0;
            const bool zero = !leadingDigitPower(text, number, leading);
            // Zero digits stay zero unless the power of ten overflows (0 times infinity is NaN).
            if (!number.hasExponent || (zero && number.exponent <= kFinitePower) ||
                (!zero && leading + number.exponent >= kSafeLowPower && leading + number.exponent <= kSafeHighPower)) {
                pos = number.end;
                continue;
            }
        }
        evaluatePower(number);
        evaluateFraction(text, number);
        const double value = numberValue(number, accumulateDigits(text, number.intBegin, number.intEnd));
        if (std::isfinite(value)) {
            if (outsideFloatRange(value))
                return true;
            pos = number.end;
            continue;
        }

        // Suffix starts inside the integer digit run, each without the sign.
        ScannedNumber suffix = number;
        suffix.negative = false;
        std::size_t low = number.intBegin;
        const std::size_t high = number.intEnd;
        // A start at or before high - kInfiniteDigitRun either reads kInfiniteDigitRun significant
        // digits (infinite) or only adds leading zeros to the next start, giving the same value.
        if (high - low > kInfiniteDigitRun)
            low = high - kInfiniteDigitRun + 1;
        const auto finiteAt = [&](std::size_t start) {
            return std::isfinite(numberValue(suffix, accumulateDigits(text, start, high)));
        };
        std::size_t first = high;  // first start with a finite value, or high when none
        std::size_t lo = low;
        std::size_t hi = high;
        while (lo < hi) {
            const std::size_t mid = lo + (hi - lo) / 2;
            if (finiteAt(mid)) {
                first = mid;
                hi = mid;
            } else {
                lo = mid + 1;
            }
        }
        if (first < high) {
            if (outsideFloatRange(numberValue(suffix, accumulateDigits(text, first, high))))
                return true;
            pos = number.end;
            continue;
        }
        pos = high > pos + 1 ? high : pos + 1;
    }
    return false;
}

}  // namespace

// Without a digit run longer than kPlainDigits and without an exponent letter right after a digit,
// every number would take the short path of scanNumbers: a quick pass settles most values. (An
// exponent after a sign alone belongs to a number without digits, whose value is 0 or not finite
// and is never reported; transform names are letters that follow no digit.)
bool checkNumbersFloatRange(std::string_view text) noexcept {
    std::size_t run = 0;
    for (const char c : text) {
        if (isDigit(c)) {
            if (++run > kPlainDigits)
                return scanNumbers(text);
        } else if ((c == 'e' || c == 'E') && run > 0) {
            return scanNumbers(text);
        } else {
            run = 0;
        }
    }
    return false;
}

bool checkNumbersFloatRange(std::string_view text, std::size_t longestDigitRun, bool exponentLetter) noexcept {
    return (exponentLetter || longestDigitRun > kPlainDigits) && scanNumbers(text);
}

}  // namespace pavrix_svg
