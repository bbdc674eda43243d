#pragma once

#include <cstddef>
#include <string_view>

namespace pavrix_svg {

// strtod/strtold over a bounded view, in the classic "C" locale whatever the process locale is.
// Accepts exactly what strtod accepts (leading isspace white space, sign, decimal or hexadecimal
// floats, inf/infinity/nan[(...)]) but never reads past the view. consumed is 0 when nothing was
// read (value then 0).
struct StrtodResult {
    double value = 0.0;
    std::size_t consumed = 0;
};

struct StrtoldResult {
    long double value = 0.0L;
    std::size_t consumed = 0;
};

// What strtodClassic would consume, without converting.
std::size_t strtodLength(std::string_view text) noexcept;

StrtodResult strtodClassic(std::string_view text) noexcept;
StrtoldResult strtoldClassic(std::string_view text) noexcept;

}  // namespace pavrix_svg
