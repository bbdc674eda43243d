#include "svg/css/css_selector.h"

#include <algorithm>

namespace pavrix_svg {

// Both walks below descend once per is()/not() nesting; selectors come only from the parser,
// which refuses nesting deeper than kMaxCssSelectorNesting.

CssSpecificity computeSpecificity(const Selector& selector) {
    CssSpecificity result;
    for (const CompoundSelector& compound : selector) {
        if (compound.type != kCssTypeAny)
            ++result.types;
        for (const AttributeSelector& attribute : compound.attributeSelectors) {
            if (attribute.isId)
                ++result.ids;
            else
                ++result.classes;
        }
        for (const PseudoClassSelector& pseudo : compound.pseudoClasses) {
            if (pseudo.kind != kCssPseudoIs && pseudo.kind != kCssPseudoNot) {
                ++result.classes;
                continue;
            }
            CssSpecificity largest;
            for (const Selector& argument : pseudo.arguments)
                largest = std::max(largest, computeSpecificity(argument));
            result.ids += largest.ids;
            result.classes += largest.classes;
            result.types += largest.types;
        }
    }
    return result;
}

bool hasUnsupportedSelectorPart(const SelectorList& selectors) {
    for (const Selector& selector : selectors) {
        for (const CompoundSelector& compound : selector) {
            if (compound.type == 0)
                return true;
            for (const AttributeSelector& attribute : compound.attributeSelectors) {
                if (attribute.propertyId == 0)
                    return true;
            }
            for (const PseudoClassSelector& pseudo : compound.pseudoClasses) {
                if (pseudo.kind == kCssPseudoUnknown || pseudo.kind == kCssPseudoIs)
                    return true;
                if (pseudo.kind != kCssPseudoNot)
                    continue;
                for (const Selector& argument : pseudo.arguments) {
                    if (argument.size() > 1)
                        return true;
                }
                if (hasUnsupportedSelectorPart(pseudo.arguments))
                    return true;
            }
        }
    }
    return false;
}

}  // namespace pavrix_svg
