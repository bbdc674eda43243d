#pragma once

#include "svg/css/css_ancestor_features.h"
#include "svg/css/css_matcher.h"
#include "svg/css/css_style_rule.h"

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

// The rules of one bucket. A rule whose ancestor part requires a feature (an id, class word or
// type name, the rarest kind first) is filed under that feature and collected only when some
// ancestor has it; the others are always collected.
struct CssRuleList {
    std::vector<std::uint32_t> unkeyed;
    std::unordered_map<std::uint64_t, std::vector<std::uint32_t>> byAncestorFeature;
    std::uint64_t collectedVisit = 0;  // the element visit that last collected this list
};

using CssRuleListIndex = std::unordered_map<std::string, CssRuleList, CssStringHash, std::equal_to<>>;

// The plain path's candidate rules: every rule is filed under one thing its rightmost compound
// requires of the element (an id value, else a class word, else the element type; universal when
// it requires none of these), and within that under one feature its ancestors must have. A rule
// outside an element's candidates cannot match it, so only the candidates are matched, in
// sorted-rule order. Neither id nor class is a CSS property, so no declaration changes an
// element's buckets during the cascade.
struct StyleRuleBuckets {
    bool built = false;
    CssRuleListIndex byId;
    CssRuleListIndex byClass;
    std::vector<CssRuleList> byType;  // indexed by ElementID
    CssRuleList universal;
    // Per rule, every feature its ancestors must have: [featureStarts[i], featureStarts[i + 1]).
    std::vector<std::size_t> featureStarts;
    std::vector<std::uint64_t> requiredFeatures;
    bool anyRequiredFeature = false;
};

struct CssCascadeState {
    Document* document = nullptr;
    std::vector<StyleRule> rules;  // sorted
    StyleSheetClassIndex classIndex;
    CssMatchCounter counter;
    bool stopped = false;
    std::uint64_t storedBytes = 0;
    std::uint64_t storedBytesCap = kMaxCascadeStoredBytes;
    std::vector<std::uint32_t> scratch;  // candidate rules of one element, reused
    // The element visit in which each rule was last collected, so that a class word repeated in
    // one class attribute collects its rules only once.
    std::vector<std::uint64_t> collectedIn;
    std::uint64_t visit = 0;
    // Plain path only: without buckets every rule is matched against every element.
    StyleRuleBuckets buckets;
    CssSiblingMemo siblingMemo;
    // With buckets: the features of the ancestors of the element being matched.
    CssAncestorFeatures ancestors;
};

// Parses the gathered style text and applies it to the document's tree. Runs after the reader has
// stored presentation attributes and inline styles.
void applyStyleSheet(Document& document, std::string_view styleText);

// Ascending by (ids, classes, types, position): later-applied rules win among equal declaration
// specificities. Positions are unique, so this equals a stable sort by specificity.
void sortStyleRules(std::vector<StyleRule>& rules);

// Plain path: every rule (every candidate, once buckets are built) against one element / an
// element and its element descendants.
void buildRuleBuckets(const std::vector<StyleRule>& rules, StyleRuleBuckets& buckets);
void matchRules(CssCascadeState& state, SVGElement& element);
void applyRulesToTree(SVGElement& element, CssCascadeState& state);

// Fast path for sheets made only of single class selectors.
bool buildClassIndex(const std::vector<StyleRule>& rules, StyleSheetClassIndex& index);
void matchRulesByClass(CssCascadeState& state, SVGElement& element);
void applyIndexedRulesToTree(SVGElement& element, CssCascadeState& state);

}  // namespace pavrix_svg
