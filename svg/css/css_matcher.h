#pragma once

#include "svg/css/css_selector.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace pavrix_svg {

class SVGElement;

// Work done by one cascade; a charge that would pass the largest value sets the flag instead.
struct CssMatchCounter {
    std::uint64_t work = 0;
    bool overflow = false;

    bool charge(std::uint64_t amount) noexcept {
        if (overflow || amount > UINT64_MAX - work) {
            overflow = true;
            return false;
        }
        work += amount;
        return true;
    }
};

// Remembers the answers of "~" walks: per (rule, compound, sibling list), the nearest sibling at or
// before `from` that matches the compound (or none). A later walk in the same list stops when it
// reaches `from`, so a run of siblings is walked about once per compound instead of once per
// element. Sound only while elements are matched in document order after everything before them
// has its final attributes, as in the cascade. Fixed size: a colliding entry is replaced, which
// only costs a longer walk.
class CssSiblingMemo {
public:
    const SVGElement* nearestMatch(const CompoundSelector& compound, const SVGElement* start, std::uint32_t ruleIndex,
                                   std::uint32_t compoundIndex, CssMatchCounter& counter);

private:
    struct Entry {
        const SVGElement* parent = nullptr;  // null: empty slot
        const SVGElement* from = nullptr;
        const SVGElement* result = nullptr;
        std::uint32_t ruleIndex = 0;
        std::uint32_t compoundIndex = 0;
    };
    static constexpr std::size_t kEntries = std::size_t{1} << 14;
    std::vector<Entry> m_entries;
};

// Greedy right-to-left matching: the nearest candidate ancestor or sibling is taken and never
// reconsidered.
bool matchSelector(const Selector& selector, const SVGElement& element, CssMatchCounter& counter);
// The same match, with the "~" walks of rule `ruleIndex` answered through `memo`.
bool matchSelector(const Selector& selector, const SVGElement& element, CssMatchCounter& counter, CssSiblingMemo& memo,
                   std::uint32_t ruleIndex);
bool matchCompoundSelector(const CompoundSelector& compound, const SVGElement& element, CssMatchCounter& counter);
bool matchAttributeSelector(const AttributeSelector& selector, const SVGElement& element);
// The next whitespace-separated word of `text` at or after `position`, which moves past it; an
// empty view once no word is left. Class lists and "~=" split words this way.
std::string_view nextCssWord(std::string_view text, std::size_t& position) noexcept;

bool findSubstringKmp(std::string_view haystack, std::string_view needle);

}  // namespace pavrix_svg
