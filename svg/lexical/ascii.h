#pragma once

// ASCII case helpers shared by the value parsers, the classifier and the CSS layer.

#include <cstddef>
#include <string_view>

namespace pavrix_svg {

constexpr char asciiLower(char c) noexcept {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
}

constexpr bool equalsIgnoreAsciiCase(std::string_view a, std::string_view b) noexcept {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (asciiLower(a[i]) != asciiLower(b[i]))
            return false;
    return true;
}

}  // namespace pavrix_svg
