#pragma once

#include "svg/css_matcher.h"
#include "svg/css_style_rule.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace pavrix_svg {

class Document;
class SVGElement;

struct CssStringHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view text) const noexcept;
};

// Class name -> indices into the sorted rule vector, ascending.
using StyleSheetClassIndex =
    std::unordered_map<std::string, std::vector<std::uint32_t>, CssStringHash, std::equal_to<>>;

// Every rule application copies the declaration's value into the element, so a long value
// matched by many elements multiplies the document's size in memory. The bytes stored by one
// cascade (value length + 1 per stored declaration) are capped; past the cap the cascade stops
// with "unsupported_complexity".
inline constexpr std::uint64_t kMaxCascadeStoredBytes = std::uint64_t{256} << 20;

struct CssCascadeState {
    Document* document = nullptr;
    std::vector<StyleRule> rules; // sorted
    StyleSheetClassIndex classIndex;
    CssMatchCounter counter;
    bool stopped = false;
    std::uint64_t storedBytes = 0;
    std::uint64_t storedBytesCap = kMaxCascadeStoredBytes;
    std::vector<std::uint32_t> scratch; // reused by the fast path
    // Fast path: the element visit in which each rule was last collected, so that a class word
    // repeated in one class attribute collects its rules only once.
    std::vector<std::uint64_t> collectedIn;
    std::uint64_t visit = 0;
};

// Parses the gathered style text and applies it to the document's tree. Runs after the reader has
// stored presentation attributes and inline styles.
void applyStyleSheet(Document& document, std::string_view styleText);

// Ascending by (ids, classes, types, position): later-applied rules win among equal declaration
// specificities. Positions are unique, so this equals a stable sort by specificity.
void sortStyleRules(std::vector<StyleRule>& rules);

// Plain path: every rule against one element / an element and its element descendants.
void matchRules(CssCascadeState& state, SVGElement& element);
void applyRulesToTree(SVGElement& element, CssCascadeState& state);

// Fast path for sheets made only of single class selectors.
bool buildClassIndex(const std::vector<StyleRule>& rules, StyleSheetClassIndex& index);
void matchRulesByClass(CssCascadeState& state, SVGElement& element);
void applyIndexedRulesToTree(SVGElement& element, CssCascadeState& state);

} // namespace pavrix_svg
