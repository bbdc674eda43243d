#include "svg/lexical/classic_strtod.h"

#include <array>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <locale.h>
#include <new>
#include <string>

namespace pavrix_svg {

namespace {

locale_t classicLocale() noexcept
{
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return locale;
}

constexpr bool isCSpace(char c) noexcept
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

constexpr bool isDigit(char c) noexcept { return c >= '0' && c <= '9'; }

constexpr bool isHexDigit(char c) noexcept
{
    return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

constexpr bool isAlnumOrUnderscore(char c) noexcept
{
    return isDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}

constexpr char lower(char c) noexcept { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

bool startsWithNoCase(std::string_view text, std::size_t at, std::string_view word) noexcept
{
    if (text.size() - at < word.size())
        return false;
    for (std::size_t i = 0; i < word.size(); ++i)
        if (lower(text[at + i]) != word[i])
            return false;
    return true;
}

// Skips an exponent part ([eE] or [pP], optional sign, at least one decimal digit) when complete.
std::size_t skipExponent(std::string_view text, std::size_t i, char letter) noexcept
{
    if (i >= text.size() || lower(text[i]) != letter)
        return i;
    std::size_t j = i + 1;
    if (j < text.size() && (text[j] == '+' || text[j] == '-'))
        ++j;
    if (j >= text.size() || !isDigit(text[j]))
        return i;
    while (j < text.size() && isDigit(text[j]))
        ++j;
    return j;
}

// Length of the longest prefix strtod would consume (0 when it reads nothing). Mirrors the C
// library's grammar so that the conversion can run on a bounded, NUL-terminated copy.
std::size_t strtodSpan(std::string_view text) noexcept
{
    std::size_t i = 0;
    while (i < text.size() && isCSpace(text[i]))
        ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        ++i;
    if (i >= text.size())
        return 0;
    if (startsWithNoCase(text, i, "inf"))
        return startsWithNoCase(text, i, "infinity") ? i + 8 : i + 3;
    if (startsWithNoCase(text, i, "nan")) {
        std::size_t j = i + 3;
        if (j < text.size() && text[j] == '(') {
            std::size_t k = j + 1;
            while (k < text.size() && isAlnumOrUnderscore(text[k]))
                ++k;
            if (k < text.size() && text[k] == ')')
                return k + 1;
        }
        return j;
    }
    if (text[i] == '0' && i + 1 < text.size() && lower(text[i + 1]) == 'x') {
        std::size_t j = i + 2;
        bool digits = false;
        while (j < text.size() && isHexDigit(text[j])) {
            ++j;
            digits = true;
        }
        if (j < text.size() && text[j] == '.') {
            std::size_t k = j + 1;
            while (k < text.size() && isHexDigit(text[k])) {
                ++k;
                digits = true;
            }
            if (digits)
                j = k;
        }
        if (digits)
            return skipExponent(text, j, 'p');
        return i + 1; // just the "0"
    }
    std::size_t j = i;
    bool digits = false;
    while (j < text.size() && isDigit(text[j])) {
        ++j;
        digits = true;
    }
    if (j < text.size() && text[j] == '.') {
        std::size_t k = j + 1;
        while (k < text.size() && isDigit(text[k])) {
            ++k;
            digits = true;
        }
        if (digits)
            j = k;
    }
    if (!digits)
        return 0;
    return skipExponent(text, j, 'e');
}

template <typename Result, typename Convert>
Result convertSpan(std::string_view text, Convert convert) noexcept
{
    Result result;
    const std::size_t span = strtodSpan(text);
    if (span == 0)
        return result;
    result.consumed = span;
    std::array<char, 128> small{};
    char* end = nullptr;
    if (span < small.size()) {
        text.copy(small.data(), span);
        small[span] = '\0';
        result.value = convert(small.data(), &end);
        return result;
    }
    try {
        const std::string copy(text.substr(0, span));
        result.value = convert(copy.c_str(), &end);
    } catch (const std::bad_alloc&) {
        // Treated by every caller like an unusable number.
        result.value = std::numeric_limits<decltype(result.value)>::quiet_NaN();
    }
    return result;
}

} // namespace

StrtodResult strtodClassic(std::string_view text) noexcept
{
    return convertSpan<StrtodResult>(text, [](const char* s, char** end) {
        const locale_t locale = classicLocale();
        return locale ? strtod_l(s, end, locale) : std::strtod(s, end);
    });
}

StrtoldResult strtoldClassic(std::string_view text) noexcept
{
    return convertSpan<StrtoldResult>(text, [](const char* s, char** end) {
        const locale_t locale = classicLocale();
        return locale ? strtold_l(s, end, locale) : std::strtold(s, end);
    });
}

} // namespace pavrix_svg
