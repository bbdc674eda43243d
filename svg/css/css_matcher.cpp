#include "svg/css/css_matcher.h"

#include "svg/dom/element_id.h"
#include "svg/lexical/number_readers.h"
#include "svg/dom/property_id.h"
#include "svg/dom/svg_element.h"

#include <cstdint>
#include <algorithm>
#include <vector>

namespace pavrix_svg {

namespace {

bool containsWord(std::string_view text, std::string_view word) noexcept {
    std::size_t position = 0;
    for (std::string_view w = nextCssWord(text, position); !w.empty(); w = nextCssWord(text, position)) {
        if (w == word)
            return true;
    }
    return false;
}

std::string_view storedValue(const SVGElement& element, std::int32_t propertyId) {
    return findAttribute(element, static_cast<PropertyID>(propertyId));
}

// Same-type siblings are found by ElementID, so a and g elements count as one type.
bool hasSiblingOfSameType(const SVGElement& element, bool previous, CssMatchCounter& counter) {
    const SVGElement* sibling = previous ? element.previousElementSibling() : element.nextElementSibling();
    while (sibling) {
        if (!counter.charge(1))
            return false;
        if (sibling->id() == element.id())
            return true;
        sibling = previous ? sibling->previousElementSibling() : sibling->nextElementSibling();
    }
    return false;
}

bool matchPseudoClass(const PseudoClassSelector& pseudo, const SVGElement& element, CssMatchCounter& counter) {
    switch (pseudo.kind) {
    case kCssPseudoEmpty:
        return element.children().empty() && element.hasCharacterData == 0;
    case kCssPseudoRoot:
        return element.parent() == nullptr;
    case kCssPseudoIs:
        // Every compound of every argument must match the element itself.
        for (const Selector& argument : pseudo.arguments) {
            for (const CompoundSelector& compound : argument) {
                if (!matchCompoundSelector(compound, element, counter))
                    return false;
            }
        }
        return true;
    case kCssPseudoNot:
        for (const Selector& argument : pseudo.arguments) {
            for (const CompoundSelector& compound : argument) {
                if (matchCompoundSelector(compound, element, counter))
                    return false;
            }
        }
        return !counter.overflow;
    case kCssPseudoFirstChild:
        return element.previousElementSibling() == nullptr;
    case kCssPseudoLastChild:
        return element.nextElementSibling() == nullptr;
    case kCssPseudoOnlyChild:
        return element.previousElementSibling() == nullptr && element.nextElementSibling() == nullptr;
    case kCssPseudoFirstOfType: {
        const bool found = hasSiblingOfSameType(element, true, counter);
        return !found && !counter.overflow;
    }
    case kCssPseudoLastOfType: {
        const bool found = hasSiblingOfSameType(element, false, counter);
        return !found && !counter.overflow;
    }
    case kCssPseudoOnlyOfType: {
        if (hasSiblingOfSameType(element, true, counter) || counter.overflow)
            return false;
        const bool found = hasSiblingOfSameType(element, false, counter);
        return !found && !counter.overflow;
    }
    default:
        return false;
    }
}

}  // namespace

std::string_view nextCssWord(std::string_view text, std::size_t& position) noexcept {
    while (position < text.size() && isSvgWhitespace(text[position]))
        ++position;
    const std::size_t start = position;
    while (position < text.size() && !isSvgWhitespace(text[position]))
        ++position;
    return text.substr(std::min(start, text.size()), position - start);
}

bool findSubstringKmp(std::string_view haystack, std::string_view needle) {
    if (needle.empty())
        return true;
    if (needle.size() > haystack.size())
        return false;
    // The failure table holds 32-bit prefix lengths; a needle they cannot describe is searched
    // without it rather than with wrapped entries.
    if (needle.size() > UINT32_MAX)
        return haystack.find(needle) != std::string_view::npos;
    std::vector<std::uint32_t> failure(needle.size(), 0);
    std::uint32_t k = 0;
    for (std::size_t i = 1; i < needle.size(); ++i) {
        while (k > 0 && needle[i] != needle[k])
            k = failure[k - 1];
        if (needle[i] == needle[k])
            ++k;
        failure[i] = k;
    }
    std::size_t matched = 0;
    for (const char c : haystack) {
        while (matched > 0 && c != needle[matched])
            matched = failure[matched - 1];
        if (c == needle[matched])
            ++matched;
        if (matched == needle.size())
            return true;
    }
    return false;
}

namespace {

// `v` is the element's stored value for the selector's PropertyID ("" when absent).
bool matchAttributeValue(const AttributeSelector& selector, const SVGElement& element, std::string_view v) {
    const std::string_view s = selector.value;
    switch (selector.matchKind) {
    case kCssAttributeExists:
        return hasAttribute(element, static_cast<PropertyID>(selector.propertyId));
    case kCssAttributeEquals:
        return v == s;
    case kCssAttributeContains:
        return findSubstringKmp(v, s);
    case kCssAttributeWord:
        return !s.empty() && containsWord(v, s);
    case kCssAttributePrefix:
        return !s.empty() && v.starts_with(s);
    case kCssAttributeSuffix:
        return !s.empty() && v.ends_with(s);
    case kCssAttributeDashMatch:
        return !s.empty() && (v == s || (v.size() > s.size() && v.starts_with(s) && v[s.size()] == '-'));
    default:
        return false;
    }
}

}  // namespace

bool matchAttributeSelector(const AttributeSelector& selector, const SVGElement& element) {
    return matchAttributeValue(selector, element, storedValue(element, selector.propertyId));
}

// Descends once per is()/not() nesting, which the parser caps at kMaxCssSelectorNesting.
bool matchCompoundSelector(const CompoundSelector& compound, const SVGElement& element, CssMatchCounter& counter) {
    if (!counter.charge(1))
        return false;
    if (compound.type != kCssTypeAny && compound.type != static_cast<std::int32_t>(element.id()))
        return false;
    for (const AttributeSelector& attribute : compound.attributeSelectors) {
        const std::string_view stored = storedValue(element, attribute.propertyId);
        if (!counter.charge(attribute.value.size()) || !counter.charge(stored.size()))
            return false;
        if (!matchAttributeValue(attribute, element, stored))
            return false;
    }
    for (const PseudoClassSelector& pseudo : compound.pseudoClasses) {
        if (!counter.charge(1))
            return false;
        if (!matchPseudoClass(pseudo, element, counter))
            return false;
    }
    return true;
}

const SVGElement* CssSiblingMemo::nearestMatch(const CompoundSelector& compound, const SVGElement* start,
                                               std::uint32_t ruleIndex, std::uint32_t compoundIndex,
                                               CssMatchCounter& counter) {
    if (!start)
        return nullptr;
    if (m_entries.empty())
        m_entries.resize(kEntries);
    const SVGElement* parent = start->parent();
    std::uint64_t hash = reinterpret_cast<std::uintptr_t>(parent);
    hash = (hash ^ (std::uint64_t{ruleIndex} << 32 | compoundIndex)) * 0x9E3779B97F4A7C15ull;
    Entry& entry = m_entries[(hash >> 32) & (kEntries - 1)];
    const bool usable = entry.parent == parent && entry.ruleIndex == ruleIndex && entry.compoundIndex == compoundIndex;
    const SVGElement* found = nullptr;
    for (const SVGElement* sibling = start; sibling; sibling = sibling->previousElementSibling()) {
        if (usable && sibling == entry.from) {
            found = entry.result;
            break;
        }
        if (!counter.charge(1))
            return nullptr;
        if (matchCompoundSelector(compound, *sibling, counter)) {
            found = sibling;
            break;
        }
        if (counter.overflow)
            return nullptr;
    }
    entry = Entry{parent, start, found, ruleIndex, compoundIndex};
    return found;
}

namespace {

bool matchSelectorWith(const Selector& selector, const SVGElement& element, CssMatchCounter& counter,
                       CssSiblingMemo* memo, std::uint32_t ruleIndex) {
    if (selector.empty())
        return false;
    std::size_t current = selector.size() - 1;
    if (!matchCompoundSelector(selector[current], element, counter))
        return false;
    std::int32_t combinator = selector[current].combinator;
    const SVGElement* e = &element;
    // Greedy: the nearest candidate that matches is taken for good; a later failure further left
    // does not make us retry a farther one.
    while (current > 0) {
        if (memo && combinator == kCssCombinatorSubsequentSibling) {
            // The nearest earlier sibling matching the next compound, as the step-by-step walk
            // below would find it.
            e = memo->nearestMatch(selector[current - 1], e->previousElementSibling(), ruleIndex,
                                   static_cast<std::uint32_t>(current - 1), counter);
            if (!e || counter.overflow)
                return false;
            --current;
            combinator = selector[current].combinator;
            continue;
        }
        if (!counter.charge(1))
            return false;
        const bool upwards = combinator == kCssCombinatorDescendant || combinator == kCssCombinatorChild;
        e = upwards ? e->parent() : e->previousElementSibling();
        if (!e)
            return false;
        if (matchCompoundSelector(selector[current - 1], *e, counter)) {
            --current;
            combinator = selector[current].combinator;
        } else if (counter.overflow || combinator == kCssCombinatorChild || combinator == kCssCombinatorNextSibling) {
            return false;
        }
    }
    return true;
}

}  // namespace

bool matchSelector(const Selector& selector, const SVGElement& element, CssMatchCounter& counter) {
    return matchSelectorWith(selector, element, counter, nullptr, 0);
}

bool matchSelector(const Selector& selector, const SVGElement& element, CssMatchCounter& counter, CssSiblingMemo& memo,
                   std::uint32_t ruleIndex) {
    return matchSelectorWith(selector, element, counter, &memo, ruleIndex);
}

}  // namespace pavrix_svg
