#pragma once

#include "svg/css/css_style_rule.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace pavrix_svg {

class Document;
class SVGElement;

// Counts what one style sheet makes; a count at its largest value sets the overflow flag and fails
// the construct being read. `nestingExceeded` records an is()/not() nested past
// kMaxCssSelectorNesting; both end the sheet with "unsupported_complexity".
struct CssParseCounter {
    std::uint64_t selectors = 0;
    std::uint64_t compounds = 0;
    std::uint64_t declarations = 0;
    bool overflow = false;
    bool nestingExceeded = false;
};

// The whole sheet (comments already removed). Reasons go to the document.
std::vector<StyleRule> parseStyleSheet(std::string_view text, Document& document);

// Parses a style attribute value (comments already removed) and applies it to the element.
// False means a syntax error; declarations applied before it stay applied.
bool parseInlineStyle(std::string_view text, SVGElement& element);

// Inner readers: each reads from the front of `in`, advances it and returns false on a syntax error.
bool readCssIdentifier(std::string_view& in, std::string_view& identifier);
bool parseSelectorList(std::string_view& in, SelectorList& selectors, CssParseCounter& counter, bool topLevel,
                       int nesting = 0);
bool parseSelector(std::string_view& in, Selector& selector, CssParseCounter& counter, int nesting = 0);
bool parseCompoundSelector(std::string_view& in, CompoundSelector& compound, CssParseCounter& counter, int nesting = 0);
bool parseAttributeSelector(std::string_view& in, AttributeSelector& selector);
bool parsePseudoClassSelector(std::string_view& in, PseudoClassSelector& pseudo, CssParseCounter& counter,
                              int nesting = 0);
bool parseDeclarations(std::string_view& in, DeclarationList& declarations, CssParseCounter& counter);

}  // namespace pavrix_svg
