#include "svg/lexical/svg_whitespace.h"

namespace pavrix_svg {

bool skipSvgWhitespace(std::string_view& text) noexcept {
    std::size_t i = 0;
    while (i < text.size() && isSvgWhitespace(text[i]))
        ++i;
    text.remove_prefix(i);
    return !text.empty();
}

std::string_view trimSvgWhitespace(std::string_view text) noexcept {
    skipSvgWhitespace(text);
    while (!text.empty() && isSvgWhitespace(text.back()))
        text.remove_suffix(1);
    return text;
}

bool skipWhitespaceAndComma(std::string_view& text) noexcept {
    skipSvgWhitespace(text);
    if (!text.empty() && text.front() == ',') {
        text.remove_prefix(1);
        skipSvgWhitespace(text);
    }
    return !text.empty();
}

}  // namespace pavrix_svg
