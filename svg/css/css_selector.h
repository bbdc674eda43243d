#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace pavrix_svg {

// Combinator linking a compound to the compound before it.
enum : std::int32_t {
    kCssCombinatorNone = 0,
    kCssCombinatorDescendant = 1,
    kCssCombinatorChild = 2,             // ">"
    kCssCombinatorNextSibling = 3,       // "+"
    kCssCombinatorSubsequentSibling = 4  // "~"
};

// Compound type for "*" or no type name; any other value is an ElementID (0 = unknown name).
inline constexpr std::int32_t kCssTypeAny = 1;

enum : std::int32_t {
    kCssAttributeExists = 0,
    kCssAttributeEquals = 1,    // "="
    kCssAttributeContains = 2,  // "*="
    kCssAttributeWord = 3,      // "~="
    kCssAttributePrefix = 4,    // "^="
    kCssAttributeSuffix = 5,    // "$="
    kCssAttributeDashMatch = 6  // "|="
};

enum : std::int32_t {
    kCssPseudoUnknown = 0,
    kCssPseudoEmpty = 1,
    kCssPseudoRoot = 2,
    kCssPseudoIs = 3,
    kCssPseudoNot = 4,
    kCssPseudoFirstChild = 5,
    kCssPseudoLastChild = 6,
    kCssPseudoOnlyChild = 7,
    kCssPseudoFirstOfType = 8,
    kCssPseudoLastOfType = 9,
    kCssPseudoOnlyOfType = 10
};

// PropertyIDs the selector shorthands stand for: "#x" is [id="x"], ".x" is [class~="x"].
inline constexpr std::int32_t kCssClassPropertyId = 3;
inline constexpr std::int32_t kCssIdPropertyId = 29;

// is()/not() arguments nest; parsing, specificity, the unsupported-part test and matching all
// descend one level per nesting, so the parser refuses selectors nested deeper than this
// ("unsupported_complexity") and every later walk inherits the bound.
inline constexpr int kMaxCssSelectorNesting = 32;

struct AttributeSelector {
    std::int32_t matchKind = kCssAttributeExists;
    std::int32_t propertyId = 0;  // 0 when the attribute name is unknown
    std::string value;
    std::uint8_t isId = 0;
};

struct CompoundSelector;
using Selector = std::vector<CompoundSelector>;  // compounds left to right
using SelectorList = std::vector<Selector>;

struct PseudoClassSelector {
    std::int32_t kind = kCssPseudoUnknown;
    SelectorList arguments;  // only for is and not
};

struct CompoundSelector {
    std::int32_t combinator = kCssCombinatorNone;
    std::int32_t type = kCssTypeAny;
    std::vector<AttributeSelector> attributeSelectors;
    std::vector<PseudoClassSelector> pseudoClasses;
};

// Selector specificity, compared as the triple (ids, classes, types).
struct CssSpecificity {
    std::uint64_t ids = 0;
    std::uint64_t classes = 0;
    std::uint64_t types = 0;

    friend auto operator<=>(const CssSpecificity&, const CssSpecificity&) = default;
};

CssSpecificity computeSpecificity(const Selector& selector);

// True when some part of the list can never match as intended: an unknown type or attribute name,
// an unknown pseudo-class, is(), or a not() holding a selector of more than one compound.
bool hasUnsupportedSelectorPart(const SelectorList& selectors);

}  // namespace pavrix_svg
