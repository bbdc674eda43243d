#include "svg/xml/xml_reader.h"
#include "svg/lexical/ascii.h"

#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <unordered_set>
#include <vector>

#include "svg/exact/alpha_classification.h"
#include "svg/screen/capability_classifier.h"
#include "svg/screen/color_syntax_check.h"
#include "svg/css/css_cascade.h"
#include "svg/css/css_comments.h"
#include "svg/css/css_parser.h"
#include "svg/dom/document.h"
#include "svg/dom/element_factory.h"
#include "svg/dom/path_data_attribute.h"
#include "svg/lexical/number_readers.h"
#include "svg/dom/property_id.h"
#include "svg/dom/svg_element.h"
#include "svg/dom/svg_node.h"
#include "svg/dom/svg_svg_element.h"
#include "svg/lexical/xml_chars.h"
#include "svg/xml/xml_prescan.h"

namespace pavrix_svg {

namespace {

constexpr std::string_view kOriginAttribute = "data-pavrix-origin";
constexpr std::string_view kOriginVectorizer = "image-vectorizer";
// Specificity of presentation attributes.
constexpr std::int32_t kAttributeSpecificity = 1;

bool hasNonAsciiByte(std::string_view text) {
    for (char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return true;
    }
    return false;
}

// Length of the XML Name at the start of `view` (0 when it does not start with one).
std::size_t xmlNameLength(std::string_view view) {
    std::size_t pos = 0;
    while (pos < view.size()) {
        const Utf8Char ch = decodeUtf8(view, pos);
        if (ch.length == 0 || !(pos == 0 ? isNameStartChar(ch.value) : isNameChar(ch.value)))
            break;
        pos += ch.length;
    }
    return pos;
}

bool readNameView(std::string_view& view, std::string_view& name) {
    const std::size_t length = xmlNameLength(view);
    if (length == 0)
        return false;
    name = view.substr(0, length);
    view.remove_prefix(length);
    return true;
}

// Reads `= "value"` (either quote, whitespace allowed around "=") and the whitespace after it.
bool readQuotedValue(std::string_view& view, std::string_view& value) {
    skipSvgWhitespace(view);
    if (!view.starts_with("="))
        return false;
    view.remove_prefix(1);
    skipSvgWhitespace(view);
    if (view.empty() || (view.front() != '"' && view.front() != '\''))
        return false;
    const std::size_t close = view.find(view.front(), 1);
    if (close == std::string_view::npos)
        return false;
    value = view.substr(1, close - 1);
    view.remove_prefix(close + 1);
    skipSvgWhitespace(view);
    return true;
}

// Whether eight bytes are all ASCII from 0x20 on, which is always valid text. Subtracting 0x20
// from each byte sets the top bit of the lowest byte below 0x20 (a borrow only reaches bytes above
// it), so the test is exact for words without bytes from 0x80 on.
bool printableAsciiWord(const char* bytes) noexcept {
    constexpr std::uint64_t kEachByte = 0x0101010101010101;
    constexpr std::uint64_t kTopBits = kEachByte * 0x80;
    std::uint64_t word = 0;
    std::memcpy(&word, bytes, sizeof word);
    const std::uint64_t nonAscii = word & kTopBits;
    const std::uint64_t control = (word - kEachByte * 0x20) & ~word & kTopBits;
    return (nonAscii | control) == 0;
}

bool validUtf8XmlText(std::string_view text) {
    constexpr std::size_t kWord = sizeof(std::uint64_t);
    std::size_t pos = 0;
    while (pos < text.size()) {
        if (text.size() - pos >= kWord && printableAsciiWord(text.data() + pos)) {
            pos += kWord;
            continue;
        }
        const auto byte = static_cast<unsigned char>(text[pos]);
        if (byte < 0x80) {
            if (byte < 0x20 && byte != '\t' && byte != '\n' && byte != '\r')
                return false;
            ++pos;
            continue;
        }
        const Utf8Char ch = decodeUtf8(text, pos);
        if (ch.length == 0 || !isXmlChar(ch.value))
            return false;
        pos += ch.length;
    }
    return true;
}

void appendUtf8(std::string& out, std::uint32_t c) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

class XmlReader {
public:
    explicit XmlReader(Document& document) : m_document(document) {}

    bool read(std::string_view input);

private:
    bool readComment();
    bool readCdata();
    bool readDoctype();
    bool readProcessingInstruction();
    bool readStartTag();
    bool readAttribute(std::string_view name, SVGElement* element, bool isRoot);
    bool readEndTag();
    bool handleCharacterData(std::string_view text, bool isCdata);
    void resetAttributeNames();

    Document& m_document;
    std::string_view m_input;
    bool m_atStart = true;
    bool m_declarationSeen = false;
    bool m_doctypeSeen = false;
    // Views into the input, which outlives the reader.
    std::vector<std::string_view> m_openNames;
    SVGElement* m_current = nullptr;
    // Elements in the tree between the root and `m_current`, both included.
    std::uint64_t m_elementDepth = 0;
    // Nesting of ignored content is bounded only by the input size.
    std::uint64_t m_ignoreDepth = 0;
    std::string m_styleText;
    std::unordered_set<std::string_view> m_attributeNames;
    bool m_hrefSeen = false;
    std::string m_decoded;
};

bool XmlReader::read(std::string_view input) {
    if (!validUtf8XmlText(input))
        return false;
    if (input.starts_with("\xEF\xBB\xBF"))
        input.remove_prefix(3);
    m_input = input;

    while (!m_input.empty()) {
        if (m_current) {
            const std::size_t lt = m_input.find('<');
            const std::string_view text = m_input.substr(0, lt);
            if (!handleCharacterData(text, false))
                return false;
            m_input.remove_prefix(text.size());
            if (m_input.empty())
                break;
        } else {
            const std::size_t before = m_input.size();
            if (!skipWhitespace(m_input))
                break;
            if (m_input.size() != before)
                m_atStart = false;
        }
        if (m_input.front() != '<')
            return false;

        bool ok;
        if (m_input.starts_with("<!--"))
            ok = readComment();
        else if (m_input.starts_with("<![CDATA["))
            ok = readCdata();
        else if (m_input.starts_with("<!DOCTYPE"))
            ok = readDoctype();
        else if (m_input.starts_with("<!"))
            ok = false;
        else if (m_input.starts_with("<?"))
            ok = readProcessingInstruction();
        else if (m_input.starts_with("</"))
            ok = readEndTag();
        else
            ok = readStartTag();
        if (!ok)
            return false;
        m_atStart = false;
    }

    if (!m_document.rootElement() || m_current || !m_openNames.empty() || m_ignoreDepth > 0)
        return false;
    applyStyleSheet(m_document, m_styleText);
    m_document.rootElement()->build();
    return true;
}

bool XmlReader::readComment() {
    m_input.remove_prefix(4);
    if (m_input.size() < 3)
        return false;
    // The first "--" must be the start of the terminator: the content may hold neither "--"
    // nor a trailing "-".
    const std::size_t dashes = m_input.find("--");
    if (dashes == std::string_view::npos || dashes + 2 >= m_input.size() || m_input[dashes + 2] != '>')
        return false;
    m_input.remove_prefix(dashes + 3);
    return true;
}

bool XmlReader::readCdata() {
    m_input.remove_prefix(9);
    if (m_input.size() < 3 || !m_current)
        return false;
    const std::size_t end = m_input.find("]]>");
    if (end == std::string_view::npos)
        return false;
    if (!handleCharacterData(m_input.substr(0, end), true))
        return false;
    m_input.remove_prefix(end + 3);
    return true;
}

bool XmlReader::readDoctype() {
    m_input.remove_prefix(9);
    m_doctypeSeen = true;
    const std::size_t headEnd = m_input.find_first_of(">[");
    const std::string_view head = m_input.substr(0, headEnd);
    const bool external = head.size() >= 6 && (head.find("SYSTEM") != std::string_view::npos ||
                                               head.find("PUBLIC") != std::string_view::npos);
    m_document.addReason(external ? "unsupported_external_resource" : "unsupported_doctype");

    std::uint64_t brackets = 0;
    for (std::size_t pos = 0; pos < m_input.size(); ++pos) {
        const char c = m_input[pos];
        if (c == '[') {
            ++brackets;
        } else if (c == ']') {
            if (brackets > 0)
                --brackets;
        } else if (c == '>' && brackets == 0) {
            m_input.remove_prefix(pos + 1);
            return true;
        }
    }
    return false;
}

bool XmlReader::readProcessingInstruction() {
    m_input.remove_prefix(2);
    std::string_view target;
    if (!readNameView(m_input, target))
        return false;
    const std::size_t end = m_input.find("?>");
    if (end == std::string_view::npos)
        return false;
    const std::string_view body = m_input.substr(0, end);
    m_input.remove_prefix(end + 2);
    if (target == "xml") {
        if (!m_atStart || m_declarationSeen || !m_openNames.empty())
            return false;
        if (!validateXmlDeclaration(body))
            return false;
        m_declarationSeen = true;
    } else if (target == "xml-stylesheet") {
        m_document.addReason("unsupported_external_resource");
    } else {
        m_document.addReason("unsupported_processing_instruction");
    }
    return true;
}

bool XmlReader::readStartTag() {
    m_input.remove_prefix(1);
    std::string_view name;
    if (!readNameView(m_input, name))
        return false;
    const std::string_view local = stripNamePrefix(name);
    if (local.empty())
        return false;
    if (hasNonAsciiByte(name))
        m_document.addReason("unsupported_xml_name");

    SVGElement* element = nullptr;
    bool isRoot = false;
    if (m_ignoreDepth > 0) {
        ++m_ignoreDepth;
    } else {
        const ElementID id = elementIdFromName(local);
        if (const std::string_view reason = elementReason(local, id); !reason.empty())
            m_document.addReason(reason);
        if (id == ElementID::Unknown) {
            m_ignoreDepth = 1;
        } else if (m_document.rootElement()) {
            if (!m_current)
                return false;
            Document::checkElementDepth(m_elementDepth + 1);
            std::unique_ptr<SVGElement> created = createElement(m_document, id);
            if (!created)
                return false;
            element = static_cast<SVGElement*>(addChild(*m_current, std::move(created)));
        } else {
            if (id != ElementID::Svg)
                return false;
            auto root = makeNode<SVGRootElement>(m_document);
            element = root.get();
            m_document.resetRoot(std::move(root));
            isRoot = true;
        }
    }

    skipWhitespace(m_input);
    resetAttributeNames();
    m_hrefSeen = false;
    std::string_view attributeName;
    while (readNameView(m_input, attributeName)) {
        if (!readAttribute(attributeName, element, isRoot))
            return false;
    }

    if (m_input.starts_with(">")) {
        m_input.remove_prefix(1);
        m_openNames.push_back(name);
        if (element) {
            m_current = element;
            ++m_elementDepth;
        }
        return true;
    }
    if (m_input.starts_with("/>")) {
        m_input.remove_prefix(2);
        if (m_ignoreDepth > 0)
            --m_ignoreDepth;
        return true;
    }
    return false;
}

void XmlReader::resetAttributeNames() {
    // Clearing costs the bucket count: after one tag with very many attributes, start afresh so
    // that every later tag does not pay for it again.
    if (m_attributeNames.bucket_count() > 64)
        std::unordered_set<std::string_view>().swap(m_attributeNames);
    else
        m_attributeNames.clear();
}

bool XmlReader::readAttribute(std::string_view name, SVGElement* element, bool isRoot) {
    if (stripNamePrefix(name).empty() || !m_attributeNames.insert(name).second)
        return false;
    if (hasNonAsciiByte(name))
        m_document.addReason("unsupported_xml_name");

    std::string_view raw;
    if (!readQuotedValue(m_input, raw))
        return false;
    if (raw.find('<') != std::string_view::npos)
        return false;
    if (!m_document.chargeAttribute(name.size(), raw.size()))
        throw std::length_error("svg_attribute_capacity");
    if (!decodeEntities(raw, m_decoded, m_doctypeSeen))
        return false;

    const bool skip = name == "xlink:href" && m_hrefSeen;
    if (name == "href")
        m_hrefSeen = true;
    if (isRoot && name == kOriginAttribute && m_decoded == kOriginVectorizer)
        m_document.setOriginFlag(1);
    if (!element)
        return true;

    const ElementID elementId = element->id();
    const PropertyID propertyId = propertyIdFromName(name);
    const bool known = propertyId != PropertyID::Unknown;
    // Path data is read before it is classified: the reading measures the digits that the
    // float-range check would otherwise scan the text for.
    std::optional<PathDataAttribute> pathData;
    std::optional<bool> outsideFloatRange;
    if (propertyId == PropertyID::D && (pathData = readPathDataAttribute(*element, m_decoded)))
        outsideFloatRange =
            checkNumbersFloatRange(m_decoded, pathData->reading.longestDigitRun, pathData->reading.exponentLetter);
    const std::string reason = attributeReason(name, m_decoded, known, elementId, outsideFloatRange);
    if (!reason.empty()) {
        if (name != "style" && isDeferrableAttribute(name) && elementId != ElementID::Style)
            recordDeferredCapability(*element, kAttributeSpecificity, name, reason);
        else
            m_document.addReason(reason);
        return true;
    }
    if (!known || skip)
        return true;
    if (propertyId == PropertyID::Style) {
        stripCssComments(m_decoded);
        if (!parseInlineStyle(m_decoded, *element))
            m_document.addReason("unsupported_css_rule");
        return true;
    }
    if (propertyId == PropertyID::Id && !m_decoded.empty()) {
        if (!registerElementId(*m_document.rootElement(), m_decoded, *element))
            m_document.addReason("unsupported_duplicate_id");
    }
    if (pathData)
        setPathDataAttribute(*element, kAttributeSpecificity, m_decoded, std::move(*pathData));
    else
        setAttribute(*element, kAttributeSpecificity, propertyId, m_decoded);
    return true;
}

bool XmlReader::readEndTag() {
    m_input.remove_prefix(2);
    std::string_view name;
    if (m_openNames.empty() || !readNameView(m_input, name))
        return false;
    if (name != m_openNames.back())
        return false;
    m_openNames.pop_back();
    if (m_ignoreDepth > 0) {
        --m_ignoreDepth;
    } else {
        if (!m_current)
            return false;
        m_current = m_current->parent();
        --m_elementDepth;
    }
    skipWhitespace(m_input);
    if (!m_input.starts_with(">"))
        return false;
    m_input.remove_prefix(1);
    return true;
}

bool XmlReader::handleCharacterData(std::string_view text, bool isCdata) {
    if (text.empty())
        return true;
    // Plain text is checked even where it is dropped; decoding goes through the scratch buffer.
    std::string_view content = text;
    if (!isCdata) {
        if (text.find("]]>") != std::string_view::npos)
            return false;
        if (text.find('&') != std::string_view::npos) {
            if (!decodeEntities(text, m_decoded, m_doctypeSeen))
                return false;
            content = m_decoded;
        }
    }
    if (!m_current || m_ignoreDepth > 0)
        return true;
    m_current->hasCharacterData = 1;
    switch (m_current->id()) {
    case ElementID::Style: {
        std::string run(content);
        stripCssComments(run);
        m_styleText += run;
        break;
    }
    case ElementID::Text:
    case ElementID::TSpan:
        addChild(*m_current, makeNode<SVGTextNode>(m_document, std::string(content)));
        break;
    default:
        break;
    }
    return true;
}

}  // namespace

bool parseDocument(Document& document, const char* bytes, std::size_t length) {
    if (!bytes)
        return false;
    XmlReader reader(document);
    return reader.read(std::string_view(bytes, length));
}

bool readXmlName(std::string_view& view, std::string& name) {
    std::string_view found;
    if (!readNameView(view, found))
        return false;
    name.assign(found);
    return true;
}

std::string_view stripNamePrefix(std::string_view name) {
    const std::optional<std::string_view> prefix = split_qualified_name(name);
    if (!prefix)
        return {};
    return prefix->empty() ? name : name.substr(prefix->size() + 1);
}

bool decodeEntities(std::string_view raw, std::string& out, bool doctypeSeen) {
    out.clear();
    out.reserve(raw.size());
    std::size_t pos = 0;
    while (pos < raw.size()) {
        const std::size_t amp = raw.find('&', pos);
        if (amp == std::string_view::npos) {
            out.append(raw.substr(pos));
            break;
        }
        out.append(raw.substr(pos, amp - pos));
        std::string_view rest = raw.substr(amp + 1);
        if (rest.starts_with("#")) {
            rest.remove_prefix(1);
            unsigned base = 10;
            if (rest.starts_with("x")) {
                base = 16;
                rest.remove_prefix(1);
            }
            if (rest.starts_with("+"))
                rest.remove_prefix(1);
            std::uint32_t value = 0;
            std::size_t digits = 0;
            for (; digits < rest.size(); ++digits) {
                const char d = rest[digits];
                std::uint32_t digit;
                if (d >= '0' && d <= '9')
                    digit = static_cast<std::uint32_t>(d - '0');
                else if (base == 16 && d >= 'a' && d <= 'f')
                    digit = static_cast<std::uint32_t>(d - 'a' + 10);
                else if (base == 16 && d >= 'A' && d <= 'F')
                    digit = static_cast<std::uint32_t>(d - 'A' + 10);
                else
                    break;
                if (value > (UINT32_MAX - digit) / base)
                    return false;
                value = value * base + digit;
            }
            if (digits == 0 || !isXmlChar(value))
                return false;
            rest.remove_prefix(digits);
            if (!rest.starts_with(";"))
                return false;
            appendUtf8(out, value);
            pos = static_cast<std::size_t>(rest.data() - raw.data()) + 1;
            continue;
        }
        static constexpr std::pair<std::string_view, char> kNamed[] = {
            {"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''}};
        bool matched = false;
        for (const auto& [entity, replacement] : kNamed) {
            if (!rest.starts_with(entity))
                continue;
            if (rest.size() <= entity.size() || rest[entity.size()] != ';')
                return false;
            out.push_back(replacement);
            pos = amp + 1 + entity.size() + 1;
            matched = true;
            break;
        }
        if (matched)
            continue;
        if (!doctypeSeen)
            return false;
        const std::size_t semicolon = rest.find(';');
        if (semicolon == std::string_view::npos || semicolon == 0 || (rest[0] >= '0' && rest[0] <= '9'))
            return false;
        for (std::size_t i = 0; i < semicolon; ++i) {
            if (!isAsciiNameByte(rest[i]))
                return false;
        }
        out.push_back('?');
        pos = amp + 1 + semicolon + 1;
    }
    return true;
}

bool validateXmlDeclaration(std::string_view text) {
    if (!skipWhitespace(text))
        return false;
    enum Stage { kNone, kVersion, kEncoding, kStandalone };
    Stage stage = kNone;
    while (!text.empty()) {
        std::string_view name;
        if (!readNameView(text, name))
            return false;
        std::string_view value;
        if (!readQuotedValue(text, value))
            return false;
        if (name == "version") {
            if (stage != kNone || (value != "1.0" && value != "1.1"))
                return false;
            stage = kVersion;
        } else if (name == "encoding") {
            if (stage != kVersion || !equalsIgnoreAsciiCase(value, "utf-8"))
                return false;
            stage = kEncoding;
        } else if (name == "standalone") {
            if ((stage != kVersion && stage != kEncoding) || (value != "yes" && value != "no"))
                return false;
            stage = kStandalone;
        } else {
            return false;
        }
    }
    return stage != kNone;
}

std::string_view elementReason(std::string_view localName, ElementID id) {
    if (localName == "script")
        return "unsupported_script";
    switch (id) {
    case ElementID::Mask:
        return "unsupported_mask";
    case ElementID::LinearGradient:
    case ElementID::Pattern:
    case ElementID::RadialGradient:
    case ElementID::Stop:
        return "unsupported_paint_server";
    case ElementID::Image:
        return "unsupported_image";
    case ElementID::Text:
    case ElementID::TSpan:
        return "unsupported_text";
    case ElementID::Unknown:
        return "unsupported_element";
    default:
        return {};
    }
}

std::string attributeReason(std::string_view name, std::string_view value, bool known, ElementID id,
                            std::optional<bool> outsideFloatRange) {
    return capabilityReason(name, value, known, id == ElementID::Style, id == ElementID::Image, false,
                            outsideFloatRange);
}

bool skipWhitespace(std::string_view& view) {
    return skipSvgWhitespace(view);
}

std::size_t trimWhitespace(std::string_view& view) {
    view = trimSvgWhitespace(view);
    return view.size();
}

}  // namespace pavrix_svg
