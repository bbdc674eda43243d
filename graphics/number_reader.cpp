#include "graphics/number_reader.h"

#include <limits>

namespace pavrix_graphics {

bool parse_number(const char*& cursor, const char* end, float& value) {
    NumberLiteral literal;
    if (!scan_number(cursor, end, literal))
        return false;
    const float number = number_value(literal);
    if (!(number >= -std::numeric_limits<float>::max() && number <= std::numeric_limits<float>::max()))
        return false;
    value = number;
    cursor = literal.end;
    return true;
}

}  // namespace pavrix_graphics
