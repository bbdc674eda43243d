#include "svg/xml/document_loading.h"

#include "svg/xml/xml_reader.h"

namespace pavrix_svg {

std::unique_ptr<Document> loadDocument(const char* bytes, std::size_t length) {
    auto document = std::make_unique<Document>();
    if (!parseDocument(*document, bytes, length))
        return nullptr;
    return document;
}

std::unique_ptr<Document> loadDocumentFromString(std::string_view text) {
    return loadDocument(text.data(), text.size());
}

}  // namespace pavrix_svg
