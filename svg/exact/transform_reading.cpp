#include "svg/exact/transform_reading.h"

#include "graphics/transform_list_parser.h"
#include "svg/lexical/classic_strtod.h"
#include "svg/lexical/exact_decimal.h"

#include <cmath>
#include <limits>

namespace pavrix_svg {

namespace {

// Each item as the float parser applied it, read again in double from the same literals: the
// spans the float grammar scanned are the ones strtod reads there too, and short literals take
// the exact path strtod's own conversion takes.
bool readItem(void* closure, const pavrix_graphics::TransformItemReading& item) {
    auto& reading = *static_cast<TransformReading*>(closure);
    double values[6];
    double largest = 0.0;
    for (int k = 0; k < item.count; ++k) {
        const pavrix_graphics::NumberLiteral& literal = item.literals[k];
        // The grammar gives every "." a digit after it, so the mantissa ends with the last digit.
        const char* const mantissaEnd =
            literal.fraction_end > literal.fraction_begin ? literal.fraction_end : literal.integer_end;
        double value = 0.0;
        if (ExactDecimal::convert(literal.integer_begin, mantissaEnd, literal.exponent, value)) {
            value = literal.negative ? -value : value;
        } else {
            const auto length = static_cast<std::size_t>(literal.end - literal.begin);
            const StrtodResult number = strtodClassic(std::string_view(literal.begin, length));
            if (number.consumed != length || !std::isfinite(number.value))
                return false;
            value = number.value;
        }
        values[k] = value;
        largest = std::fmax(largest, std::fabs(value));
    }
    if (!applyTransformItemExact(reading.exact, item.item, values, item.count))
        return false;
    addTransformItemPrecision(reading.precision, item.item, values, static_cast<std::size_t>(item.count), largest,
                              item.values[0]);
    if (reading.operationCount < std::numeric_limits<std::uint32_t>::max())
        ++reading.operationCount;
    return true;
}

}  // namespace

bool readTransformOnce(std::string_view text, pavrix_graphics::AffineMatrix& matrix, TransformReading& reading) {
    reading = TransformReading{};
    return pavrix_graphics::parse_transform_list(&matrix, text.data(), static_cast<std::ptrdiff_t>(text.size()),
                                                 readItem, &reading);
}

}  // namespace pavrix_svg
