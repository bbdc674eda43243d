#include "graphics/number_reader.h"

#include <limits>

namespace pavrix_graphics {

bool parse_number(const char*& cursor, const char* end, float& value, NumberLiteral* literal) {
    NumberLiteral scanned;
    if (!scan_number(cursor, end, scanned))
        return false;
    const float number = number_value(scanned);
    if (!(number >= -std::numeric_limits<float>::max() && number <= std::numeric_limits<float>::max()))
        return false;
    value = number;
    cursor = scanned.end;
    if (literal)
        *literal = scanned;
    return true;
}

}  // namespace pavrix_graphics
