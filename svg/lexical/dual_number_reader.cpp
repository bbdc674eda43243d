#include "svg/lexical/dual_number_reader.h"

#include "graphics/number_reader.h"

#include <cmath>
#include <limits>

namespace pavrix_svg {

bool readDualNumber(const char*& cursor, const char* end, float& single, double& exact) noexcept {
    pavrix_graphics::NumberLiteral literal;
    if (!pavrix_graphics::scan_number(cursor, end, literal))
        return false;
    const float value = pavrix_graphics::number_value(literal);
    if (!(value >= -std::numeric_limits<float>::max() && value <= std::numeric_limits<float>::max()))
        return false;
    const double wide = exactNumberValue(literal);
    if (!std::isfinite(wide))
        return false;
    single = value;
    exact = wide;
    cursor = literal.end;
    return true;
}

}  // namespace pavrix_svg
