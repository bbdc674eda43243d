#pragma once

// Parsing document bytes into a Document: the entry of the document road.

#include <cstddef>
#include <memory>
#include <string_view>

#include "svg/dom/document.h"

namespace pavrix_svg {

// Parses the bytes into a new document; null when the reader refuses the input. Capacity errors
// (std::length_error) pass on after the partial document has been destroyed.
std::unique_ptr<Document> loadDocument(const char* bytes, std::size_t length);
std::unique_ptr<Document> loadDocumentFromString(std::string_view text);

}  // namespace pavrix_svg
