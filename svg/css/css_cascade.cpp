#include "svg/css/css_cascade.h"

#include "svg/css/css_parser.h"
#include "svg/dom/document.h"
#include "svg/dom/property_id.h"
#include "svg/dom/svg_element.h"

#include <algorithm>
#include <functional>

namespace pavrix_svg {

namespace {

void stopCascade(CssCascadeState& state) {
    if (!state.stopped) {
        state.stopped = true;
        state.document->addReason("unsupported_complexity");
    }
}

// Declarations keep their own specificity (16 or 4096); the selector's acted only through the
// order of the sorted rules. Returns false once the cascade has to stop.
bool applyRule(CssCascadeState& state, const StyleRule& rule, SVGElement& element) {
    for (const Declaration& declaration : *rule.declarations) {
        if (!state.counter.charge(1) || !state.counter.charge(declaration.value.size())) {
            stopCascade(state);
            return false;
        }
        if (recordDeferredCapability(element, declaration.specificity, declaration.name, declaration.reason) &&
            declaration.reason.empty() && declaration.propertyId > 0) {
            const std::uint64_t bytes = static_cast<std::uint64_t>(declaration.value.size()) + 1;
            if (bytes > state.storedBytesCap - std::min(state.storedBytes, state.storedBytesCap)) {
                stopCascade(state);
                return false;
            }
            state.storedBytes += bytes;
            setAttribute(element, declaration.specificity, static_cast<PropertyID>(declaration.propertyId),
                         declaration.value);
        }
    }
    return true;
}

// Pre-order walk of the element descendants of `element` without recursion, so trees of any
// depth are safe here. Children are pushed last-to-first so they pop in document order, each
// before its own descendants.
template <typename Visit>
void forEachDescendantElement(SVGElement& element, CssCascadeState& state, Visit visit) {
    std::vector<SVGElement*> stack;
    auto pushChildren = [&stack](SVGElement& parent) {
        for (SVGElement* child = parent.lastElementChild(); child; child = child->previousElementSibling())
            stack.push_back(child);
    };
    pushChildren(element);
    while (!stack.empty() && !state.stopped) {
        SVGElement* next = stack.back();
        stack.pop_back();
        visit(state, *next);
        pushChildren(*next);
    }
}

// ".x" or [class~="x"] with a non-empty value, alone.
const AttributeSelector* singleClassSelector(const StyleRule& rule) {
    if (rule.selector.size() != 1)
        return nullptr;
    const CompoundSelector& compound = rule.selector.front();
    if (compound.combinator != kCssCombinatorNone || compound.type != kCssTypeAny || !compound.pseudoClasses.empty() ||
        compound.attributeSelectors.size() != 1)
        return nullptr;
    const AttributeSelector& attribute = compound.attributeSelectors.front();
    if (attribute.propertyId != kCssClassPropertyId || attribute.matchKind != kCssAttributeWord ||
        attribute.value.empty())
        return nullptr;
    return &attribute;
}

void appendTo(StyleSheetClassIndex& index, const std::string& key, std::uint32_t ruleIndex) {
    auto found = index.find(std::string_view(key));
    if (found == index.end())
        found = index.emplace(key, std::vector<std::uint32_t>{}).first;
    found->second.push_back(ruleIndex);
}

CssRuleList& listFor(CssRuleListIndex& index, const std::string& key) {
    auto found = index.find(std::string_view(key));
    if (found == index.end())
        found = index.emplace(key, CssRuleList{}).first;
    return found->second;
}

// Files a rule under the first of its required ancestor features, or as unkeyed.
void fileRule(CssRuleList& list, const std::uint64_t* features, std::size_t count, std::uint32_t ruleIndex) {
    if (count == 0)
        list.unkeyed.push_back(ruleIndex);
    else
        list.byAncestorFeature[features[0]].push_back(ruleIndex);
}

// Starts collecting the candidate rules of one element into state.scratch.
std::uint64_t startCollecting(CssCascadeState& state) {
    if (state.collectedIn.size() != state.rules.size())
        state.collectedIn.assign(state.rules.size(), 0);
    return ++state.visit;
}

// Every rule is filed in exactly one list, so a list is either wholly collected for this element or
// not at all: a list met again (a class word repeated in one class attribute) is recognised by its
// first rule. Without this the repetitions would collect the list once each.
void collectRules(CssCascadeState& state, const std::vector<std::uint32_t>& list, std::uint64_t visit) {
    if (list.empty() || state.collectedIn[list.front()] == visit)
        return;
    for (const std::uint32_t ruleIndex : list)
        state.collectedIn[ruleIndex] = visit;
    state.scratch.insert(state.scratch.end(), list.begin(), list.end());
}

// A list's keyed rules are collected through whichever side is smaller: its features probed
// against the ancestors, or the ancestors' features looked up in it.
void collectRules(CssCascadeState& state, CssRuleList& list, std::uint64_t visit) {
    if (list.collectedVisit == visit)
        return;
    list.collectedVisit = visit;
    std::vector<std::uint32_t>& out = state.scratch;
    out.insert(out.end(), list.unkeyed.begin(), list.unkeyed.end());
    if (list.byAncestorFeature.empty())
        return;
    if (list.byAncestorFeature.size() <= state.ancestors.distinctCount()) {
        for (const auto& [feature, rules] : list.byAncestorFeature) {
            if (state.ancestors.contains(feature))
                out.insert(out.end(), rules.begin(), rules.end());
        }
    } else {
        state.ancestors.forEachDistinct([&](std::uint64_t feature) {
            const auto found = list.byAncestorFeature.find(feature);
            if (found != list.byAncestorFeature.end())
                out.insert(out.end(), found->second.begin(), found->second.end());
        });
    }
}

bool ancestorsMayMatch(const CssCascadeState& state, std::size_t ruleIndex) {
    const StyleRuleBuckets& buckets = state.buckets;
    for (std::size_t i = buckets.featureStarts[ruleIndex]; i < buckets.featureStarts[ruleIndex + 1]; ++i) {
        if (!state.ancestors.contains(buckets.requiredFeatures[i]))
            return false;
    }
    return true;
}

}  // namespace

std::size_t CssStringHash::operator()(std::string_view text) const noexcept {
    return std::hash<std::string_view>{}(text);
}

void sortStyleRules(std::vector<StyleRule>& rules) {
    std::sort(rules.begin(), rules.end(), [](const StyleRule& a, const StyleRule& b) {
        if (a.specificity != b.specificity)
            return a.specificity < b.specificity;
        return a.position < b.position;
    });
}

void buildRuleBuckets(const std::vector<StyleRule>& rules, StyleRuleBuckets& buckets) {
    buckets = StyleRuleBuckets{};
    buckets.byType.resize(std::size_t{1} << 8);
    buckets.featureStarts.reserve(rules.size() + 1);
    for (std::size_t i = 0; i < rules.size(); ++i) {
        buckets.featureStarts.push_back(buckets.requiredFeatures.size());
        appendRequiredAncestorFeatures(rules[i].selector, buckets.requiredFeatures);
    }
    buckets.featureStarts.push_back(buckets.requiredFeatures.size());
    buckets.anyRequiredFeature = !buckets.requiredFeatures.empty();
    for (std::size_t i = 0; i < rules.size(); ++i) {
        const auto index = static_cast<std::uint32_t>(i);
        const Selector& selector = rules[i].selector;
        if (selector.empty())
            continue;  // matches nothing
        const std::uint64_t* features = buckets.requiredFeatures.data() + buckets.featureStarts[i];
        const std::size_t featureCount = buckets.featureStarts[i + 1] - buckets.featureStarts[i];
        const CompoundSelector& compound = selector.back();
        const AttributeSelector* id = nullptr;
        const AttributeSelector* className = nullptr;
        for (const AttributeSelector& attribute : compound.attributeSelectors) {
            if (attribute.propertyId == kCssIdPropertyId && attribute.matchKind == kCssAttributeEquals && !id)
                id = &attribute;
            if (attribute.propertyId == kCssClassPropertyId && attribute.matchKind == kCssAttributeWord &&
                !attribute.value.empty() && !className)
                className = &attribute;
        }
        CssRuleList& list = id                             ? listFor(buckets.byId, id->value)
                            : className                    ? listFor(buckets.byClass, className->value)
                            : compound.type != kCssTypeAny ? buckets.byType[static_cast<std::uint8_t>(compound.type)]
                                                           : buckets.universal;
        fileRule(list, features, featureCount, index);
    }
    buckets.built = true;
}

void matchRules(CssCascadeState& state, SVGElement& element) {
    if (state.stopped)
        return;
    const auto matchOne = [&state, &element](std::size_t ruleIndex, bool memo) {
        const StyleRule& rule = state.rules[ruleIndex];
        const bool matched = memo ? matchSelector(rule.selector, element, state.counter, state.siblingMemo,
                                                  static_cast<std::uint32_t>(ruleIndex))
                                  : matchSelector(rule.selector, element, state.counter);
        if (state.counter.overflow) {
            stopCascade(state);
            return false;
        }
        return !matched || applyRule(state, rule, element);
    };
    if (!state.buckets.built) {
        for (std::size_t i = 0; i < state.rules.size(); ++i) {
            if (!matchOne(i, false))
                return;
        }
        return;
    }
    std::vector<std::uint32_t>& candidates = state.scratch;
    candidates.clear();
    const std::uint64_t visit = ++state.visit;
    StyleRuleBuckets& buckets = state.buckets;
    if (const auto found = buckets.byId.find(std::string_view(findAttribute(element, PropertyID::Id)));
        found != buckets.byId.end())
        collectRules(state, found->second, visit);
    const std::string_view classes = findAttribute(element, PropertyID::Class);
    std::size_t position = 0;
    for (std::string_view word = nextCssWord(classes, position); !word.empty(); word = nextCssWord(classes, position)) {
        if (const auto found = buckets.byClass.find(word); found != buckets.byClass.end())
            collectRules(state, found->second, visit);
    }
    collectRules(state, buckets.byType[static_cast<std::uint8_t>(element.id())], visit);
    collectRules(state, buckets.universal, visit);
    std::sort(candidates.begin(), candidates.end());
    for (const std::uint32_t ruleIndex : candidates) {
        if (buckets.anyRequiredFeature && !ancestorsMayMatch(state, ruleIndex))
            continue;
        if (!matchOne(ruleIndex, true))
            return;
    }
}

void applyRulesToTree(SVGElement& element, CssCascadeState& state) {
    if (!state.buckets.built || !state.buckets.anyRequiredFeature) {
        matchRules(state, element);
        forEachDescendantElement(element, state, matchRules);
        return;
    }
    // Pre-order: an element's parent is on the chain when the element comes up.
    state.ancestors.resetTo(element.parent());
    matchRules(state, element);
    state.ancestors.push(element);
    forEachDescendantElement(element, state, [](CssCascadeState& s, SVGElement& next) {
        s.ancestors.popTo(next.parent());
        matchRules(s, next);
        s.ancestors.push(next);
    });
}

bool buildClassIndex(const std::vector<StyleRule>& rules, StyleSheetClassIndex& index) {
    index.clear();
    for (const StyleRule& rule : rules) {
        if (!singleClassSelector(rule)) {
            index.clear();
            return false;
        }
    }
    for (std::size_t i = 0; i < rules.size(); ++i) {
        appendTo(index, singleClassSelector(rules[i])->value, static_cast<std::uint32_t>(i));
    }
    return true;
}

void matchRulesByClass(CssCascadeState& state, SVGElement& element) {
    if (state.stopped)
        return;
    const std::string_view classes = findAttribute(element, static_cast<PropertyID>(kCssClassPropertyId));
    if (!state.counter.charge(classes.size())) {
        stopCascade(state);
        return;
    }
    std::vector<std::uint32_t>& collected = state.scratch;
    collected.clear();
    const std::uint64_t visit = startCollecting(state);
    std::size_t position = 0;
    for (std::string_view word = nextCssWord(classes, position); !word.empty(); word = nextCssWord(classes, position)) {
        const auto found = state.classIndex.find(word);
        if (found == state.classIndex.end())
            continue;
        const std::vector<std::uint32_t>& list = found->second;
        if (!state.counter.charge(list.size())) {
            stopCascade(state);
            return;
        }
        collectRules(state, list, visit);
    }
    // Indices are positions in the sorted vector, so ascending order is the sorted-rule order.
    std::sort(collected.begin(), collected.end());
    for (const std::uint32_t ruleIndex : collected) {
        if (!state.counter.charge(1)) {
            stopCascade(state);
            return;
        }
        if (!applyRule(state, state.rules[ruleIndex], element))
            return;
    }
}

void applyIndexedRulesToTree(SVGElement& element, CssCascadeState& state) {
    matchRulesByClass(state, element);
    forEachDescendantElement(element, state, matchRulesByClass);
}

void applyStyleSheet(Document& document, std::string_view styleText) {
    CssCascadeState state;
    state.document = &document;
    state.rules = parseStyleSheet(styleText, document);
    if (state.rules.empty())
        return;
    SVGElement* root = document.documentElement();
    if (!root)
        return;
    sortStyleRules(state.rules);
    // The fast path's rule indices are 32-bit; a sheet too large for them takes the plain path.
    const bool indexed = state.rules.size() <= UINT32_MAX && buildClassIndex(state.rules, state.classIndex);
    if (indexed) {
        applyIndexedRulesToTree(*root, state);
        return;
    }
    if (state.rules.size() <= UINT32_MAX)
        buildRuleBuckets(state.rules, state.buckets);
    applyRulesToTree(*root, state);
}

}  // namespace pavrix_svg
