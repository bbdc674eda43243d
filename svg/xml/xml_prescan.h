#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace pavrix_svg {

// Screening of raw document bytes before the reader runs: encoding, DOCTYPE, names and namespaces.
// Builds no tree; names and values are views into the text.

inline constexpr std::string_view kXmlNamespace = "http://www.w3.org/XML/1998/namespace";
inline constexpr std::string_view kSvgNamespace = "http://www.w3.org/2000/svg";
inline constexpr std::string_view kXlinkNamespace = "http://www.w3.org/1999/xlink";

// Results of scan_xml_namespaces.
enum XmlNamespaceScan : int {
    kNamespacesAcceptable = 0,
    kNamespacesInvalid = 1,          // "invalid_svg"
    kNamespacesUnsupported = 2,      // "unsupported_namespace"
    kNamespacesUnsupportedName = 3,  // "unsupported_xml_name"
};

bool has_unsupported_xml_encoding(std::string_view text);
std::optional<std::string> read_xml_declaration_encoding(std::string_view text);
bool has_doctype(std::string_view text);
int scan_xml_namespaces(std::string_view text);

struct XmlStartTag {
    std::string_view name;
    std::vector<std::pair<std::string_view, std::string_view>> attributes;  // raw name, raw value
    bool selfClosing = false;
    std::size_t closePosition = 0;  // position of the closing ">"
};

// Tokenizes the start tag whose "<" is at `position`; false when it does not tokenize.
bool tokenize_start_tag(std::string_view text, std::size_t position, XmlStartTag& tag);
// 0 ASCII XML name, 1 XML name with non-ASCII characters, 2 not an XML name.
int classify_xml_name(std::string_view name);
// The prefix of a qualified name (empty when unprefixed); nullopt for a malformed name.
std::optional<std::string_view> split_qualified_name(std::string_view name);
std::optional<std::size_t> find_byte_from(std::string_view view, char byte, std::size_t start);
// Compares a raw attribute value, decoding its references, with an expected string.
bool attribute_value_equals(std::string_view raw, std::string_view expected);

}  // namespace pavrix_svg
