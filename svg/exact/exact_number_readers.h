#pragma once

#include <string_view>
#include <vector>

namespace pavrix_svg {

// Unit kinds reported by parseLengthExact: absolute units are converted to px.
enum class ExactLengthUnit : unsigned char { px = 0, em = 1, ex = 2, percent = 3 };

// Trimmed text: a finite number (strtod in the classic locale) followed by nothing or one unit.
// Empty text gives `defaultValue` (unit px) when allowEmpty, else false.
bool parseLengthExact(std::string_view text, double defaultValue, double& value, ExactLengthUnit& unit,
                      bool allowEmpty = true);

// Exact number with fallback (stroke miter limit): the fallback unless the trimmed text is exactly
// one finite number.
double exactNumberOrFallback(std::string_view text, double fallback) noexcept;

// Exact length with fallback (stroke width, dash offset, dash entries): floatNumber is the float
// layer's number N, resolvedLength its resolved length R.
double exactLengthOrFallback(std::string_view text, double floatNumber, double resolvedLength) noexcept;

// Dash-list tokens: "none" gives an empty list; otherwise tokens (a number plus the letters and
// "%" right after it) separated by white space and commas. A position where no number can be read
// empties the whole list.
std::vector<std::string_view> tokenizeDashList(std::string_view text);

}  // namespace pavrix_svg
