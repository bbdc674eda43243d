#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace pavrix_svg {

// The classifier's answer for one attribute or CSS declaration. An empty reason means supported;
// needsColorCheck asks the caller to run plutovg's colour parser over the trimmed value (see
// finishColorCheck in svg/color_syntax_check.h).
struct CapabilityVerdict {
    std::string reason;
    bool needsColorCheck = false;
};

// Decides whether one name/value pair stays inside the supported subset. known: the name has a
// PropertyID (for CSS: it is in the CSS property-name table). styleElement/imageElement describe the
// owning element (both false for CSS declarations). outsideFloatRange, when given, is what
// checkNumbersFloatRange gives for the value, settled by a caller that has read it already. Pure
// and total: never fails.
CapabilityVerdict checkAttributeCapability(std::string_view name, std::string_view value, bool known, bool styleElement,
                                           bool imageElement, bool cssDeclaration,
                                           std::optional<bool> outsideFloatRange = std::nullopt);

// Reasons for these names are recorded on the element instead of being reported at once.
bool isDeferrableAttribute(std::string_view name);
bool isDeferrableCssName(std::string_view name, bool isCssProperty) noexcept;

bool isUnsupportedCssPropertyName(std::string_view name) noexcept;
bool isNumericGeometryAttribute(std::string_view name) noexcept;

// True when some number in the value lies outside the range of a 32-bit float. Linear in the
// length of the value.
bool checkNumbersFloatRange(std::string_view value) noexcept;
// The same for a value whose digits a reader has measured already: the longest digit run and
// whether an "e" or "E" stands in it. Reads the text only when those leave the answer open.
bool checkNumbersFloatRange(std::string_view value, std::size_t longestDigitRun, bool exponentLetter) noexcept;

}  // namespace pavrix_svg
