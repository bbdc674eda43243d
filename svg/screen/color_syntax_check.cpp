#include "svg/screen/color_syntax_check.h"

#include "svg/lexical/number_readers.h"

#include <plutovg/plutovg.h>

#include <cstdint>

namespace pavrix_svg {

bool colorParsesWhole(std::string_view trimmedText) noexcept {
    // An empty text is no colour, although the parser reports it consumed whole.
    if (trimmedText.empty() || trimmedText.size() > static_cast<std::size_t>(INT32_MAX))
        return false;
    plutovg_color_t color{};
    const int length = static_cast<int>(trimmedText.size());
    return plutovg_color_parse(&color, trimmedText.data(), length) == length;
}

std::string finishColorCheck(CapabilityVerdict verdict, std::string_view value) {
    if (!verdict.reason.empty() || !verdict.needsColorCheck)
        return std::move(verdict.reason);
    if (!colorParsesWhole(trimSvgWhitespace(value)))
        return "unsupported_color_syntax";
    return {};
}

std::string capabilityReason(std::string_view name, std::string_view value, bool known, bool styleElement,
                             bool imageElement, bool cssDeclaration, std::optional<bool> outsideFloatRange) {
    return finishColorCheck(
        checkAttributeCapability(name, value, known, styleElement, imageElement, cssDeclaration, outsideFloatRange),
        value);
}

}  // namespace pavrix_svg
