#include "svg/exact/path_data_reading.h"

#include "graphics/number_reader.h"
#include "graphics/path_data_parser.h"
#include "svg/lexical/classic_strtod.h"
#include "svg/lexical/decimal_to_double.h"
#include "svg/lexical/dual_number_reader.h"
#include "svg/lexical/exact_decimal.h"
#include "svg/lexical/path_command_syntax.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cmath>
#include <limits>

namespace pavrix_svg {

namespace {

using pavrix_graphics::NumberLiteral;

// Exponents this large are saturated differently by the readers; such text is left to them.
constexpr int kSharedExponentLimit = 1000000;

constexpr bool continuesNumber(char c) noexcept {
    return (c >= '0' && c <= '9') || c == '.' || c == 'e' || c == 'E';
}

bool finiteFloat(float value) noexcept {
    return value >= -std::numeric_limits<float>::max() && value <= std::numeric_limits<float>::max();
}

// One number in every precision the readers use.
struct Number {
    float single = 0.0f;          // parse_number
    double dual = 0.0;            // the dual reader's double accumulation
    double exact = 0.0;           // correctly rounded, for the exact path builder
    long double wide = 0.0L;      // strtold, for the area flags
    std::ptrdiff_t digitRun = 1;  // its longer digit run
    bool exponentLetter = false;
};

// Digit runs of at most this many digits, integer and fraction together, fit an unsigned 64-bit
// mantissa.
constexpr std::ptrdiff_t kMantissaDigits = 19;
// Beyond these the significand or the power of ten is no longer exact in the wider type.
constexpr std::uint64_t kExactDoubleMantissa = std::uint64_t{1} << 53;
constexpr int kExactDoublePower = 22;      // 5^22 < 2^53
constexpr int kExactLongDoublePower = 27;  // 5^27 < 2^64

constexpr auto kDoublePowers = powersOfTen<double, kExactDoublePower>();
constexpr auto kLongDoublePowers = powersOfTen<long double, kExactLongDoublePower>();
constexpr auto kIntegerPowers = powersOfTen<std::uint64_t, kMantissaDigits>();

// Literals as artwork writes them: no exponent, few digits. Within these bounds each digit run is
// an exact float, the fraction's power of ten an exact float, and the whole mantissa an exact
// double (10^15 < 2^53), so every reader's conversion takes its exact path.
constexpr std::ptrdiff_t kShortDigits = 15;
constexpr std::ptrdiff_t kShortFractionDigits = 10;               // 10^10 is a float
constexpr std::uint64_t kShortRunValue = std::uint64_t{1} << 24;  // integers up to 2^24 are floats

// The four values of a short literal, computed as each reader's exact path does: the float and
// dual readers add the integer digits and the fraction digits over their power of ten, the
// correctly rounded readers divide the whole mantissa by it once.
void readShortNumber(const NumberLiteral& literal, std::size_t fractionCount, Number& number) noexcept {
    const std::uint64_t integer = literal.integer_digits;
    const std::uint64_t fraction = literal.fraction_digits;
    const std::uint64_t mantissa = integer * kIntegerPowers[fractionCount] + fraction;
    const double exact = static_cast<double>(mantissa) / kDoublePowers[fractionCount];
    const long double wide = static_cast<long double>(mantissa) / kLongDoublePowers[fractionCount];
    float single = static_cast<float>(integer);
    // Without integer digits or without fraction digits the dual sum has one term, which is the
    // correctly rounded value itself.
    double dual = exact;
    if (fractionCount > 0) {
        single += static_cast<float>(fraction) / pavrix_graphics::number_reading::kFloatPowersOfTen[fractionCount];
        if (integer != 0)
            dual = static_cast<double>(integer) + static_cast<double>(fraction) / kDoublePowers[fractionCount];
    }
    number.single = literal.negative ? -single : single;
    number.dual = literal.negative ? -dual : dual;
    number.exact = literal.negative ? -exact : exact;
    number.wide = literal.negative ? -wide : wide;
}

bool readNumber(const char*& cursor, const char* end, Number& number) noexcept {
    NumberLiteral literal;
    if (!pavrix_graphics::scan_number(cursor, end, literal) || literal.exponent >= kSharedExponentLimit ||
        literal.exponent <= -kSharedExponentLimit)
        return false;
    const std::ptrdiff_t integerCount = literal.integer_end - literal.integer_begin;
    const std::ptrdiff_t fractionCount = literal.fraction_end - literal.fraction_begin;
    number.digitRun = std::max(integerCount, fractionCount);
    number.exponentLetter = literal.end != literal.fraction_end;
    if (literal.exponent == 0 && integerCount + fractionCount <= kShortDigits &&
        fractionCount <= kShortFractionDigits && literal.integer_digits <= kShortRunValue &&
        literal.fraction_digits <= kShortRunValue) {
        readShortNumber(literal, static_cast<std::size_t>(fractionCount), number);
        cursor = literal.end;
        return true;
    }

    number.single = pavrix_graphics::number_value(literal);
    number.dual = exactNumberValue(literal);
    if (!finiteFloat(number.single) || !std::isfinite(number.dual))
        return false;

    // Correctly rounded conversions: with both the mantissa and the power of ten exact in the
    // wider type, one multiplication or division rounds exactly as the general conversion does
    // (the readers' own fast paths take the same step); other literals take that conversion.
    const bool shortMantissa = integerCount + fractionCount <= kMantissaDigits;
    const std::uint64_t mantissa =
        literal.integer_digits * kIntegerPowers[shortMantissa ? fractionCount : 0] + literal.fraction_digits;
    const std::int64_t power = literal.exponent - fractionCount;
    double magnitude = 0.0;
    if (shortMantissa && mantissa <= kExactDoubleMantissa && power <= kExactDoublePower &&
        power >= -kExactDoublePower) {
        const double digits = static_cast<double>(mantissa);
        magnitude = mantissa == 0 ? 0.0
                    : power >= 0  ? digits * kDoublePowers[static_cast<std::size_t>(power)]
                                  : digits / kDoublePowers[static_cast<std::size_t>(-power)];
    } else {
        // The grammar gives every "." a digit after it, so the mantissa ends with the last digit.
        const char* const mantissaEnd = fractionCount > 0 ? literal.fraction_end : literal.integer_end;
        if (!decimalToDouble(literal.integer_begin, mantissaEnd, literal.end, literal.exponent, magnitude))
            return false;
    }
    number.exact = literal.negative ? -magnitude : magnitude;

    if (shortMantissa && power <= kExactLongDoublePower && power >= -kExactLongDoublePower) {
        const long double digits = static_cast<long double>(mantissa);
        const long double wide = mantissa == 0 ? 0.0L
                                 : power >= 0  ? digits * kLongDoublePowers[static_cast<std::size_t>(power)]
                                               : digits / kLongDoublePowers[static_cast<std::size_t>(-power)];
        number.wide = literal.negative ? -wide : wide;
    } else {
        const std::string_view span(cursor, static_cast<std::size_t>(literal.end - cursor));
        const StrtoldResult wide = strtoldClassic(span);
        if (wide.consumed != span.size() || !std::isfinite(wide.value))
            return false;
        number.wide = wide.value;
    }
    cursor = literal.end;
    return true;
}

// A lone "0" or "1" that every reader takes as the same arc flag.
bool readFlag(const char*& cursor, const char* end, Number& number) noexcept {
    if (cursor >= end || (*cursor != '0' && *cursor != '1') || (cursor + 1 < end && continuesNumber(cursor[1])))
        return false;
    const float flag = *cursor == '1' ? 1.0f : 0.0f;
    number = Number{flag, flag, flag, flag, 1, false};
    ++cursor;
    return true;
}

}  // namespace

bool readPathDataOnce(std::string_view text, pavrix_graphics::VectorPath* path, PathDataReading& reading) {
    if (path == nullptr || path->path_invalid || path->elements.size != 0)
        return false;
    const char* cursor = text.data();
    const char* const end = cursor + text.size();
    // As parse_path_data reserves.
    constexpr std::ptrdiff_t kTextBytesPerElement = 4;
    constexpr std::ptrdiff_t kMaxInitialElements = 65536;
    pavrix_graphics::path_reserve(
        path, std::min(static_cast<std::ptrdiff_t>(text.size()) / kTextBytesPerElement, kMaxInitialElements));
    reading = PathDataReading{};
    // Artwork spends four bytes of text or more per number, and eight or more per command.
    reading.exact.numbers.reserve(text.size() / 4);
    reading.exact.commands.reserve(text.size() / 8 + 1);
    PathCostCounter cost(reading.scan);
    RelativeChainCounter chain;
    PathPrecisionAudit audit;
    SubpathAreaTracker area;
    pavrix_graphics::PathDataState state;
    float single[7];
    double dual[7];
    long double wide[7];
    Number number;
    std::ptrdiff_t longestDigitRun = 0;
    bool exponentLetter = false;

    while (pavrix_graphics::skip_white_space(cursor, end)) {
        char command = state.previous;  // implicit repetition
        if (isPathCommandLetter(*cursor)) {
            command = *cursor++;
            pavrix_graphics::skip_white_space(cursor, end);
        }
        const bool close = command == 'Z' || command == 'z';
        if ((state.previous == 0 && command != 'M' && command != 'm') ||
            (close && (state.previous == 'Z' || state.previous == 'z')))
            return false;
        const int arity = pavrix_graphics::path_command_arity(command);
        if (arity < 0)
            return false;
        const bool arc = arity == 7;
        for (int k = 0; k < arity; ++k) {
            const bool flag = arc && (k == 3 || k == 4);
            if (!(flag ? readFlag(cursor, end, number) : readNumber(cursor, end, number)))
                return false;
            // Digit runs of neighbouring numbers never touch: a digit after a number belongs to it.
            longestDigitRun = std::max(longestDigitRun, number.digitRun);
            exponentLetter = exponentLetter || number.exponentLetter;
            pavrix_graphics::skip_separator(cursor, end);
            single[k] = number.single;
            dual[k] = number.dual;
            wide[k] = number.wide;
            reading.exact.numbers.push_back(number.exact);
        }

        const pavrix_graphics::PathDataState before = state;
        const std::int32_t mark = path->elements.size;
        pavrix_graphics::FloatPoint start;
        pavrix_graphics::path_get_current_point(path, &start.x, &start.y);
        if (!pavrix_graphics::append_path_command(path, state, command, single) || !cost.count(command, single))
            return false;
        chain.command(command);
        audit.command(command, before, state, *path, mark, start, single, dual);
        area.command(command, before.previous, wide);
        reading.exact.commands.push_back(command);
    }
    reading.relativePathOperationCount = chain.longest();
    reading.precision = audit.finish();
    reading.subpathAreaPotential = area.finish();
    reading.exactAvailable = true;
    reading.longestDigitRun = static_cast<std::size_t>(longestDigitRun);
    reading.exponentLetter = exponentLetter;
    return true;
}

}  // namespace pavrix_svg
