#pragma once

#include "svg/screen/capability_classifier.h"

#include <optional>
#include <string>
#include <string_view>

namespace pavrix_svg {

// True when plutovg's colour parser consumes the whole, non-empty text (given with its length
// as an int; longer texts are refused).
bool colorParsesWhole(std::string_view trimmedText) noexcept;

// Runs the colour check a verdict asks for: returns the verdict's reason, or
// "unsupported_color_syntax" when the check was requested and the trimmed value is not one whole
// colour. `value` is the same (untrimmed) value the classifier saw.
std::string finishColorCheck(CapabilityVerdict verdict, std::string_view value);

// checkAttributeCapability followed by finishColorCheck.
std::string capabilityReason(std::string_view name, std::string_view value, bool known, bool styleElement,
                             bool imageElement, bool cssDeclaration,
                             std::optional<bool> outsideFloatRange = std::nullopt);

}  // namespace pavrix_svg
