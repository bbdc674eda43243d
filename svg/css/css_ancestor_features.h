#pragma once

// The ids, class words and type names of the current element's ancestors, kept while the cascade
// walks the tree, so that a rule whose ancestor part cannot match is rejected without a walk.

#include "svg/css/css_selector.h"

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace pavrix_svg {

class SVGElement;

// One feature an element can have, hashed to 64 bits. Equal hashes of different features only
// cost a full match; a feature that is absent always has a hash that is absent.
std::uint64_t cssTypeFeature(std::int32_t type) noexcept;
std::uint64_t cssIdFeature(std::string_view id) noexcept;
std::uint64_t cssClassFeature(std::string_view word) noexcept;

// What some ancestor of every element the selector matches must have: the type, id and class
// words of each compound reached through a descendant or child combinator. (A compound reached
// through a sibling combinator is a sibling, but everything above a sibling of an ancestor is an
// ancestor again.)
void appendRequiredAncestorFeatures(const Selector& selector, std::vector<std::uint64_t>& features);

// A multiset of the features of a chain of elements, the top of the chain last.
class CssAncestorFeatures {
public:
    // Forgets everything, then holds the chain from the root down to `element` (none when null).
    void resetTo(const SVGElement* element);
    void push(const SVGElement& element);
    // Drops chain entries until `parent` is the top (or the chain is empty).
    void popTo(const SVGElement* parent);

    bool contains(std::uint64_t feature) const { return m_counts.find(feature) != m_counts.end(); }
    std::size_t distinctCount() const noexcept { return m_counts.size(); }
    template <typename Visit>
    void forEachDistinct(Visit visit) const {
        for (const auto& entry : m_counts)
            visit(entry.first);
    }

private:
    void add(std::uint64_t feature);

    std::vector<const SVGElement*> m_chain;
    std::vector<std::size_t> m_chainStarts;  // where each chain entry's features start
    std::vector<std::uint64_t> m_features;   // in chain order, so a pop removes exactly its own
    std::unordered_map<std::uint64_t, std::uint32_t> m_counts;
};

}  // namespace pavrix_svg
