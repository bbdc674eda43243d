#pragma once

// SVG white space (space, TAB, LF, CR) and the separators of value lists.

#include <string_view>

namespace pavrix_svg {

// White space of every SVG value grammar: space, TAB, LF and CR only.
constexpr bool isSvgWhitespace(char ch) noexcept {
    return ch == ' ' || ch == '\t' || ch == '\n' || ch == '\r';
}

// Drops leading white space; true when text remains.
bool skipSvgWhitespace(std::string_view& text) noexcept;
// Drops white space at both ends.
std::string_view trimSvgWhitespace(std::string_view text) noexcept;
// Drops white space, at most one comma and white space again; true when text remains.
bool skipWhitespaceAndComma(std::string_view& text) noexcept;

}  // namespace pavrix_svg
