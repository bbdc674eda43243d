#include "svg/css/css_parser.h"
#include "svg/lexical/ascii.h"

#include "svg/exact/alpha_classification.h"
#include "svg/screen/capability_classifier.h"
#include "svg/dom/document.h"
#include "svg/screen/color_syntax_check.h"
#include "svg/dom/element_id.h"
#include "svg/lexical/number_readers.h"
#include "svg/dom/property_id.h"
#include "svg/dom/svg_element.h"

#include <algorithm>

#include <cstdint>
#include <limits>
#include <string>
#include <utility>

namespace pavrix_svg {

namespace {

constexpr std::uint64_t kCountMax = std::numeric_limits<std::uint64_t>::max();

// Drops leading whitespace; reports whether any was dropped.
bool skipCssWhitespace(std::string_view& in) noexcept {
    std::size_t n = 0;
    while (n < in.size() && isSvgWhitespace(in[n]))
        ++n;
    in.remove_prefix(n);
    return n > 0;
}

bool isAsciiLetter(char c) noexcept {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isIdentifierStart(char c) noexcept {
    return isAsciiLetter(c) || c == '-' || c == '_';
}

bool isIdentifierByte(char c) noexcept {
    return isIdentifierStart(c) || (c >= '0' && c <= '9');
}

bool startsWith(std::string_view in, char c) noexcept {
    return !in.empty() && in.front() == c;
}

bool countUp(std::uint64_t& count, CssParseCounter& counter) noexcept {
    if (count == kCountMax) {
        counter.overflow = true;
        return false;
    }
    ++count;
    return true;
}

// Property names are ASCII-case-insensitive, custom properties ("--x") are not.
std::string declarationName(std::string_view identifier) {
    std::string name(identifier);
    if (identifier.starts_with("--"))
        return name;
    for (char& c : name) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return name;
}

// After "!": whitespace and the keyword "important" in any case.
bool readImportant(std::string_view& in) {
    skipCssWhitespace(in);
    std::string_view keyword;
    return readCssIdentifier(in, keyword) && equalsIgnoreAsciiCase(keyword, "important");
}

// A compound can begin here (used to tell a descendant combinator from trailing whitespace).
bool startsCompound(std::string_view in) noexcept {
    if (in.empty())
        return false;
    const char c = in.front();
    return c == '*' || c == '#' || c == '.' || c == '[' || c == ':' || isIdentifierStart(c);
}

std::int32_t pseudoClassKind(std::string_view name) noexcept {
    static constexpr std::pair<std::string_view, std::int32_t> kNames[] = {
        {"empty", kCssPseudoEmpty},
        {"root", kCssPseudoRoot},
        {"is", kCssPseudoIs},
        {"not", kCssPseudoNot},
        {"first-child", kCssPseudoFirstChild},
        {"last-child", kCssPseudoLastChild},
        {"only-child", kCssPseudoOnlyChild},
        {"first-of-type", kCssPseudoFirstOfType},
        {"last-of-type", kCssPseudoLastOfType},
        {"only-of-type", kCssPseudoOnlyOfType},
    };
    for (const auto& [text, kind] : kNames) {
        if (name == text)
            return kind;
    }
    return kCssPseudoUnknown;
}

}  // namespace

bool readCssIdentifier(std::string_view& in, std::string_view& identifier) {
    if (in.empty() || !isIdentifierStart(in.front()))
        return false;
    std::size_t n = 1;
    while (n < in.size() && isIdentifierByte(in[n]))
        ++n;
    identifier = in.substr(0, n);
    in.remove_prefix(n);
    return true;
}

bool parseSelectorList(std::string_view& in, SelectorList& selectors, CssParseCounter& counter, bool topLevel,
                       int nesting) {
    selectors.clear();
    for (;;) {
        if (topLevel && !countUp(counter.selectors, counter))
            return false;
        Selector selector;
        if (!parseSelector(in, selector, counter, nesting))
            return false;
        selectors.push_back(std::move(selector));
        if (!startsWith(in, ','))
            return true;
        in.remove_prefix(1);
        skipCssWhitespace(in);
    }
}

bool parseSelector(std::string_view& in, Selector& selector, CssParseCounter& counter, int nesting) {
    selector.clear();
    std::int32_t combinator = kCssCombinatorNone;
    for (;;) {
        if (!countUp(counter.compounds, counter))
            return false;
        CompoundSelector compound;
        if (!parseCompoundSelector(in, compound, counter, nesting))
            return false;
        compound.combinator = combinator;
        selector.push_back(std::move(compound));

        const bool skipped = skipCssWhitespace(in);
        if (startsWith(in, '>'))
            combinator = kCssCombinatorChild;
        else if (startsWith(in, '+'))
            combinator = kCssCombinatorNextSibling;
        else if (startsWith(in, '~'))
            combinator = kCssCombinatorSubsequentSibling;
        else if (skipped && startsCompound(in))
            combinator = kCssCombinatorDescendant;
        else
            return true;  // whitespace alone ends the selector
        if (combinator != kCssCombinatorDescendant) {
            in.remove_prefix(1);
            skipCssWhitespace(in);
        }
    }
}

bool parseCompoundSelector(std::string_view& in, CompoundSelector& compound, CssParseCounter& counter, int nesting) {
    compound = CompoundSelector{};
    bool hasContent = false;
    std::string_view identifier;
    if (startsWith(in, '*')) {
        in.remove_prefix(1);
        hasContent = true;
    } else if (readCssIdentifier(in, identifier)) {
        compound.type = static_cast<std::int32_t>(elementIdFromName(identifier));
        hasContent = true;
    }
    for (;;) {
        if (in.empty())
            break;
        const char c = in.front();
        if (c == '#' || c == '.') {
            in.remove_prefix(1);
            if (!readCssIdentifier(in, identifier))
                return false;
            AttributeSelector attribute;
            attribute.value = std::string(identifier);
            if (c == '#') {
                attribute.matchKind = kCssAttributeEquals;
                attribute.propertyId = kCssIdPropertyId;
                attribute.isId = 1;
            } else {
                attribute.matchKind = kCssAttributeWord;
                attribute.propertyId = kCssClassPropertyId;
            }
            compound.attributeSelectors.push_back(std::move(attribute));
        } else if (c == '[') {
            in.remove_prefix(1);
            AttributeSelector attribute;
            if (!parseAttributeSelector(in, attribute))
                return false;
            compound.attributeSelectors.push_back(std::move(attribute));
        } else if (c == ':') {
            in.remove_prefix(1);
            PseudoClassSelector pseudo;
            if (!parsePseudoClassSelector(in, pseudo, counter, nesting))
                return false;
            compound.pseudoClasses.push_back(std::move(pseudo));
        } else {
            break;
        }
        hasContent = true;
    }
    return hasContent;
}

bool parseAttributeSelector(std::string_view& in, AttributeSelector& selector) {
    selector = AttributeSelector{};
    skipCssWhitespace(in);
    std::string_view name;
    if (!readCssIdentifier(in, name))
        return false;
    selector.propertyId = static_cast<std::int32_t>(propertyIdFromName(name));
    skipCssWhitespace(in);
    if (startsWith(in, ']')) {
        in.remove_prefix(1);
        selector.matchKind = kCssAttributeExists;
        return true;
    }
    if (startsWith(in, '=')) {
        selector.matchKind = kCssAttributeEquals;
        in.remove_prefix(1);
    } else {
        if (in.size() < 2 || in[1] != '=')
            return false;
        switch (in[0]) {
        case '*':
            selector.matchKind = kCssAttributeContains;
            break;
        case '~':
            selector.matchKind = kCssAttributeWord;
            break;
        case '^':
            selector.matchKind = kCssAttributePrefix;
            break;
        case '$':
            selector.matchKind = kCssAttributeSuffix;
            break;
        case '|':
            selector.matchKind = kCssAttributeDashMatch;
            break;
        default:
            return false;
        }
        in.remove_prefix(2);
    }
    skipCssWhitespace(in);
    std::string_view value;
    if (startsWith(in, '"') || startsWith(in, '\'')) {
        const std::size_t close = in.find(in.front(), 1);
        if (close == std::string_view::npos)
            return false;
        value = in.substr(1, close - 1);
        in.remove_prefix(close + 1);
    } else if (!readCssIdentifier(in, value)) {
        return false;
    }
    selector.value = std::string(value);
    skipCssWhitespace(in);
    if (!startsWith(in, ']'))
        return false;
    in.remove_prefix(1);
    return true;
}

bool parsePseudoClassSelector(std::string_view& in, PseudoClassSelector& pseudo, CssParseCounter& counter,
                              int nesting) {
    pseudo = PseudoClassSelector{};
    std::string_view name;
    if (!readCssIdentifier(in, name))
        return false;
    pseudo.kind = pseudoClassKind(name);
    if (pseudo.kind != kCssPseudoIs && pseudo.kind != kCssPseudoNot)
        return true;
    skipCssWhitespace(in);
    if (!startsWith(in, '('))
        return false;
    in.remove_prefix(1);
    skipCssWhitespace(in);
    if (nesting >= kMaxCssSelectorNesting) {
        counter.nestingExceeded = true;
        return false;
    }
    if (!parseSelectorList(in, pseudo.arguments, counter, false, nesting + 1))
        return false;
    skipCssWhitespace(in);
    if (!startsWith(in, ')'))
        return false;
    in.remove_prefix(1);
    return true;
}

bool parseDeclarations(std::string_view& in, DeclarationList& declarations, CssParseCounter& counter) {
    if (!startsWith(in, '{'))
        return false;
    in.remove_prefix(1);
    skipCssWhitespace(in);
    for (;;) {
        std::string_view identifier;
        if (!readCssIdentifier(in, identifier))
            return false;
        std::string name = declarationName(identifier);
        skipCssWhitespace(in);
        if (!startsWith(in, ':'))
            return false;
        in.remove_prefix(1);
        skipCssWhitespace(in);

        const std::size_t end = std::min(in.find_first_of("!;}"), in.size());
        const std::string_view value = trimSvgWhitespace(in.substr(0, end));
        in.remove_prefix(end);

        if (!countUp(counter.declarations, counter))
            return false;

        const auto propertyId = static_cast<std::uint8_t>(isCssPropertyName(name));
        std::int32_t specificity = kSheetDeclarationSpecificity;
        if (startsWith(in, '!')) {
            in.remove_prefix(1);
            if (!readImportant(in))
                return false;
            specificity = kSheetImportantSpecificity;
        }
        if (propertyId > 0 || isDeferrableCssName(name, false)) {
            Declaration declaration;
            declaration.specificity = specificity;
            declaration.propertyId = propertyId;
            declaration.reason = capabilityReason(name, value, propertyId > 0, false, false, true);
            declaration.name = std::move(name);
            declaration.value = std::string(value);
            declarations.push_back(std::move(declaration));
        }

        if (!in.empty() && (isSvgWhitespace(in.front()) || in.front() == ';')) {
            skipCssWhitespace(in);
            if (startsWith(in, ';')) {
                in.remove_prefix(1);
                skipCssWhitespace(in);
            }
        }
        if (in.empty())
            return false;
        if (in.front() == '}') {
            in.remove_prefix(1);
            return true;
        }
    }
}

std::vector<StyleRule> parseStyleSheet(std::string_view text, Document& document) {
    std::vector<StyleRule> rules;
    CssParseCounter counter;
    for (;;) {
        skipCssWhitespace(text);
        if (text.empty())
            break;
        if (text.front() == '@') {
            document.addReason("unsupported_css_at_rule");
            std::uint64_t depth = 0;
            while (!text.empty()) {
                const char c = text.front();
                text.remove_prefix(1);
                if (c == ';' && depth == 0)
                    break;
                if (c == '{') {
                    ++depth;
                } else if (c == '}' && depth > 0) {
                    if (depth == 1)
                        break;
                    --depth;
                }
            }
            continue;
        }
        SelectorList selectors;
        DeclarationList declarations;
        if (!parseSelectorList(text, selectors, counter, true) || !parseDeclarations(text, declarations, counter)) {
            document.addReason(counter.overflow || counter.nestingExceeded ? "unsupported_complexity"
                                                                           : "unsupported_css_rule");
            break;
        }
        if (hasUnsupportedSelectorPart(selectors))
            document.addReason("unsupported_css_selector");
        auto shared = std::make_shared<const DeclarationList>(std::move(declarations));
        for (Selector& selector : selectors) {
            StyleRule rule;
            rule.specificity = computeSpecificity(selector);
            rule.selector = std::move(selector);
            rule.declarations = shared;
            rule.position = rules.size();
            rules.push_back(std::move(rule));
        }
    }
    return rules;
}

bool parseInlineStyle(std::string_view text, SVGElement& element) {
    skipCssWhitespace(text);
    while (!text.empty()) {
        std::string_view identifier;
        if (!readCssIdentifier(text, identifier))
            return false;
        const std::string name = declarationName(identifier);
        skipCssWhitespace(text);
        if (!startsWith(text, ':'))
            return false;
        text.remove_prefix(1);
        skipCssWhitespace(text);

        const std::size_t end = std::min(text.find_first_of("!;"), text.size());
        const std::string_view value = text.substr(0, end);  // trailing whitespace kept
        text.remove_prefix(end);

        std::int32_t specificity = kInlineDeclarationSpecificity;
        if (startsWith(text, '!')) {
            text.remove_prefix(1);
            if (!readImportant(text))
                return false;
            skipCssWhitespace(text);
            if (!text.empty() && text.front() != ';')
                return false;
            specificity = kInlineImportantSpecificity;
        }

        const auto propertyId = static_cast<std::uint8_t>(isCssPropertyName(name));
        if (propertyId > 0 || isDeferrableCssName(name, false)) {
            const std::string reason = capabilityReason(name, value, propertyId > 0, false, false, true);
            if (recordDeferredCapability(element, specificity, name, reason) && reason.empty() && propertyId > 0)
                setAttribute(element, specificity, static_cast<PropertyID>(propertyId), value);
        }

        if (!text.empty()) {
            text.remove_prefix(1);
            skipCssWhitespace(text);
        }
    }
    return true;
}

}  // namespace pavrix_svg
