#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace pavrix_svg {

// Character classes of XML 1.0 (fifth edition) shared by the pre-scan and the reader.

constexpr bool isXmlWhitespace(char c) noexcept {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// Bytes of the ASCII-only names in entity references and the XML declaration.
constexpr bool isAsciiNameByte(char c) noexcept {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
           c == ':' || c == '_';
}

constexpr bool isXmlChar(std::uint32_t c) noexcept {
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD) ||
           (c >= 0x10000 && c <= 0x10FFFF);
}

constexpr bool isNameStartChar(std::uint32_t c) noexcept {
    if (c < 0x80)
        return c == ':' || c == '_' || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    return (c >= 0xC0 && c <= 0xD6) || (c >= 0xD8 && c <= 0xF6) || (c >= 0xF8 && c <= 0x2FF) ||
           (c >= 0x370 && c <= 0x37D) || (c >= 0x37F && c <= 0x1FFF) || (c >= 0x200C && c <= 0x200D) ||
           (c >= 0x2070 && c <= 0x218F) || (c >= 0x2C00 && c <= 0x2FEF) || (c >= 0x3001 && c <= 0xD7FF) ||
           (c >= 0xF900 && c <= 0xFDCF) || (c >= 0xFDF0 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0xEFFFF);
}

constexpr bool isNameChar(std::uint32_t c) noexcept {
    return isNameStartChar(c) || c == '-' || c == '.' || (c >= '0' && c <= '9') || c == 0xB7 ||
           (c >= 0x300 && c <= 0x36F) || (c >= 0x203F && c <= 0x2040);
}

// One strictly decoded UTF-8 sequence: overlong forms, surrogates, values above U+10FFFF and
// truncated or malformed sequences give length 0.
struct Utf8Char {
    std::uint32_t value = 0;
    std::size_t length = 0;
};

// decodeUtf8 for a lead byte from 0x80 on, within the text.
Utf8Char decodeUtf8Sequence(std::string_view text, std::size_t position) noexcept;

// Inline for ASCII, which names and markup nearly always are.
inline Utf8Char decodeUtf8(std::string_view text, std::size_t position) noexcept {
    if (position >= text.size())
        return {};
    const auto lead = static_cast<unsigned char>(text[position]);
    if (lead < 0x80)
        return {lead, 1};
    return decodeUtf8Sequence(text, position);
}

}  // namespace pavrix_svg
