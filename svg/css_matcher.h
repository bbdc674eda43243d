#pragma once

#include "svg/css_selector.h"

#include <cstdint>
#include <string_view>

namespace pavrix_svg {

class SVGElement;

// Work done by one cascade; a charge that would pass the largest value sets the flag instead.
struct CssMatchCounter {
    std::uint64_t work = 0;
    bool overflow = false;

    bool charge(std::uint64_t amount) noexcept
    {
        if (overflow || amount > UINT64_MAX - work) {
            overflow = true;
            return false;
        }
        work += amount;
        return true;
    }
};

// Greedy right-to-left matching: the nearest candidate ancestor or sibling is taken and never
// reconsidered.
bool matchSelector(const Selector& selector, const SVGElement& element, CssMatchCounter& counter);
bool matchCompoundSelector(const CompoundSelector& compound, const SVGElement& element,
                           CssMatchCounter& counter);
bool matchAttributeSelector(const AttributeSelector& selector, const SVGElement& element);
// The next whitespace-separated word of `text` at or after `position`, which moves past it; an
// empty view once no word is left. Class lists and "~=" split words this way.
std::string_view nextCssWord(std::string_view text, std::size_t& position) noexcept;

bool findSubstringKmp(std::string_view haystack, std::string_view needle);

} // namespace pavrix_svg
