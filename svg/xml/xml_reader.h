#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "svg/dom/element_id.h"

namespace pavrix_svg {

class Document;

// Reads one whole SVG document into `document`'s tree. False when the input is refused
// (malformed XML); std::length_error escapes when a capacity of the document is exceeded.
bool parseDocument(Document& document, const char* bytes, std::size_t length);

// Reads one XML Name at the start of `view` and advances past it; false, nothing consumed, when
// the view does not start with a name-start character.
bool readXmlName(std::string_view& view, std::string& name);
// The local part of a qualified name; empty for a malformed one.
std::string_view stripNamePrefix(std::string_view name);
// Replaces character and entity references; false for a malformed reference.
bool decodeEntities(std::string_view raw, std::string& out, bool doctypeSeen);
// The text between "xml" and "?>" of an XML declaration.
bool validateXmlDeclaration(std::string_view text);
// Reason of an element name ("" when supported).
std::string_view elementReason(std::string_view localName, ElementID id);
// Reason of an attribute ("" when supported), colour syntax included; outsideFloatRange as for
// checkAttributeCapability.
std::string attributeReason(std::string_view name, std::string_view value, bool known, ElementID id,
                            std::optional<bool> outsideFloatRange = std::nullopt);
// Drops leading whitespace; true when anything is left.
bool skipWhitespace(std::string_view& view);
// Drops whitespace at both ends; returns the remaining length.
std::size_t trimWhitespace(std::string_view& view);

}  // namespace pavrix_svg
