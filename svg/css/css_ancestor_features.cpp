#include "svg/css/css_ancestor_features.h"

#include "svg/css/css_matcher.h"
#include "svg/dom/property_id.h"
#include "svg/dom/svg_element.h"

namespace pavrix_svg {

namespace {

enum class FeatureKind : std::uint8_t { type = 1, id = 2, word = 3 };

std::uint64_t hashFeature(FeatureKind kind, std::string_view bytes) noexcept {
    std::uint64_t hash = 0xcbf29ce484222325ull ^ static_cast<std::uint64_t>(kind);
    for (const char c : bytes) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 0x100000001b3ull;
    }
    // A final mix so that short keys spread over all bits.
    hash ^= hash >> 30;
    hash *= 0xbf58476d1ce4e5b9ull;
    hash ^= hash >> 27;
    hash *= 0x94d049bb133111ebull;
    return hash ^ (hash >> 31);
}

}  // namespace

std::uint64_t cssTypeFeature(std::int32_t type) noexcept {
    const char bytes[4] = {static_cast<char>(type), static_cast<char>(type >> 8), static_cast<char>(type >> 16),
                           static_cast<char>(type >> 24)};
    return hashFeature(FeatureKind::type, std::string_view(bytes, 4));
}

std::uint64_t cssIdFeature(std::string_view id) noexcept {
    return hashFeature(FeatureKind::id, id);
}

std::uint64_t cssClassFeature(std::string_view word) noexcept {
    return hashFeature(FeatureKind::word, word);
}

void appendRequiredAncestorFeatures(const Selector& selector, std::vector<std::uint64_t>& features) {
    // Rarest kind first (ids, class words, type names): the first feature keys the rule.
    for (const int pass : {0, 1, 2}) {
        for (std::size_t i = 0; i + 1 < selector.size(); ++i) {
            const std::int32_t combinator = selector[i + 1].combinator;
            if (combinator != kCssCombinatorDescendant && combinator != kCssCombinatorChild)
                continue;
            const CompoundSelector& compound = selector[i];
            if (pass == 2 && compound.type != kCssTypeAny)
                features.push_back(cssTypeFeature(compound.type));
            for (const AttributeSelector& attribute : compound.attributeSelectors) {
                if (attribute.value.empty())
                    continue;  // an empty id equals a missing one; an empty word never matches
                if (pass == 0 && attribute.propertyId == kCssIdPropertyId && attribute.matchKind == kCssAttributeEquals)
                    features.push_back(cssIdFeature(attribute.value));
                if (pass == 1 && attribute.propertyId == kCssClassPropertyId &&
                    attribute.matchKind == kCssAttributeWord)
                    features.push_back(cssClassFeature(attribute.value));
            }
        }
    }
}

void CssAncestorFeatures::add(std::uint64_t feature) {
    m_features.push_back(feature);
    ++m_counts[feature];
}

void CssAncestorFeatures::resetTo(const SVGElement* element) {
    m_chain.clear();
    m_chainStarts.clear();
    m_features.clear();
    m_counts.clear();
    std::vector<const SVGElement*> chain;
    for (; element; element = element->parent())
        chain.push_back(element);
    for (auto it = chain.rbegin(); it != chain.rend(); ++it)
        push(**it);
}

void CssAncestorFeatures::push(const SVGElement& element) {
    m_chain.push_back(&element);
    m_chainStarts.push_back(m_features.size());
    add(cssTypeFeature(static_cast<std::int32_t>(element.id())));
    const std::string_view id = findAttribute(element, static_cast<PropertyID>(kCssIdPropertyId));
    if (!id.empty())
        add(cssIdFeature(id));
    const std::string_view classes = findAttribute(element, static_cast<PropertyID>(kCssClassPropertyId));
    std::size_t position = 0;
    for (std::string_view word = nextCssWord(classes, position); !word.empty(); word = nextCssWord(classes, position))
        add(cssClassFeature(word));
}

void CssAncestorFeatures::popTo(const SVGElement* parent) {
    while (!m_chain.empty() && m_chain.back() != parent) {
        const std::size_t start = m_chainStarts.back();
        for (std::size_t i = start; i < m_features.size(); ++i) {
            const auto found = m_counts.find(m_features[i]);
            if (--found->second == 0)
                m_counts.erase(found);
        }
        m_features.resize(start);
        m_chainStarts.pop_back();
        m_chain.pop_back();
    }
}

}  // namespace pavrix_svg
