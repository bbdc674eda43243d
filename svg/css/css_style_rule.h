#pragma once

#include "svg/css/css_selector.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace pavrix_svg {

// Specificities of CSS declarations; presentation attributes carry 1.
inline constexpr std::int32_t kSheetDeclarationSpecificity = 16;
inline constexpr std::int32_t kInlineDeclarationSpecificity = 256;
inline constexpr std::int32_t kSheetImportantSpecificity = 4096;
inline constexpr std::int32_t kInlineImportantSpecificity = 65536;

struct Declaration {
    std::int32_t specificity = kSheetDeclarationSpecificity;
    std::uint8_t propertyId = 0;  // CSS property-name table id, 0 when absent
    std::string name;
    std::string value;
    std::string reason;  // empty = supported
};

using DeclarationList = std::vector<Declaration>;

// One rule per selector of a selector list; the rules made from one list share its declarations.
struct StyleRule {
    Selector selector;
    std::shared_ptr<const DeclarationList> declarations;
    CssSpecificity specificity;
    std::uint64_t position = 0;  // rules in the sheet when this one was appended
};

}  // namespace pavrix_svg
