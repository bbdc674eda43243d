#include "recorder/record_entry.h"

#include <stdexcept>
#include <string>

#include "recorder/file_text_reader.h"
#include "recorder/recorder_result_builder.h"
#include "svg/dom/document.h"
#include "svg/xml/document_loading.h"
#include "svg/xml/xml_prescan.h"

namespace pavrix_svg_core {

namespace {

RecorderResult unsupportedResult(const char* reason) {
    RecorderResult result;
    result.status = "unsupported";
    result.reason_code = reason;
    return result;
}

bool startsWithUtf8ByteOrderMark(std::string_view bytes) noexcept {
    return bytes.size() >= 3 && static_cast<unsigned char>(bytes[0]) == 0xEF &&
           static_cast<unsigned char>(bytes[1]) == 0xBB && static_cast<unsigned char>(bytes[2]) == 0xBF;
}

}  // namespace

RecorderResult record_svg_file(const std::filesystem::path& path) {
    std::string text;
    if (!readFileText(path, text))
        return make_invalid_recorder_result();
    return record_svg_text(text);
}

RecorderResult record_svg_text(std::string_view bytes) {
    // The first check that decides gives the result; the pre-scan skips a
    // byte-order mark by itself.
    if (pavrix_svg::has_unsupported_xml_encoding(bytes)) {
        return unsupportedResult("unsupported_xml_encoding");
    }
    if (pavrix_svg::has_doctype(bytes))
        return unsupportedResult("unsupported_doctype");
    switch (pavrix_svg::scan_xml_namespaces(bytes)) {
    case pavrix_svg::kNamespacesAcceptable:
        break;
    case pavrix_svg::kNamespacesUnsupported:
        return unsupportedResult("unsupported_namespace");
    case pavrix_svg::kNamespacesUnsupportedName:
        return unsupportedResult("unsupported_xml_name");
    default:
        return make_invalid_recorder_result();
    }

    if (startsWithUtf8ByteOrderMark(bytes))
        bytes.remove_prefix(3);

    try {
        return build_recorder_result(pavrix_svg::loadDocumentFromString(bytes));
    } catch (const std::length_error&) {
        // Capacity limits of the document and of the recording.
        return make_complexity_result();
    }
}

}  // namespace pavrix_svg_core
