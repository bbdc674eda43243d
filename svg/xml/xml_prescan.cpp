#include "svg/xml/xml_prescan.h"
#include "svg/lexical/ascii.h"

#include <unordered_map>

#include "svg/exact/alpha_classification.h"
#include "svg/lexical/xml_chars.h"

namespace pavrix_svg {

namespace {

bool startsWithBytes(std::string_view text, std::initializer_list<unsigned char> bytes) {
    if (text.size() < bytes.size())
        return false;
    std::size_t i = 0;
    for (unsigned char b : bytes) {
        if (static_cast<unsigned char>(text[i++]) != b)
            return false;
    }
    return true;
}

std::string_view skipBom(std::string_view text) {
    if (text.starts_with("\xEF\xBB\xBF"))
        text.remove_prefix(3);
    return text;
}

std::size_t skipSpaces(std::string_view text, std::size_t position) {
    while (position < text.size() && isXmlWhitespace(text[position]))
        ++position;
    return position;
}

// Position just behind `terminator`, searched from `from`; npos when missing.
std::size_t skipPast(std::string_view text, std::size_t from, std::string_view terminator) {
    const std::size_t found = text.find(terminator, from);
    return found == std::string_view::npos ? found : found + terminator.size();
}

struct Fnv1aHash {
    std::size_t operator()(std::string_view key) const noexcept {
        std::uint64_t hash = 0xcbf29ce484222325ull;
        for (char c : key) {
            hash ^= static_cast<unsigned char>(c);
            hash *= 0x100000001b3ull;
        }
        return static_cast<std::size_t>(hash);
    }
};

// Prefix bindings with per-element undo logs. Keys and values are views into the scanned text.
class NamespaceScope {
public:
    NamespaceScope() { m_bindings.emplace("xml", kXmlNamespace); }

    void bind_namespace_prefix(std::string_view prefix, std::string_view value) {
        auto [it, inserted] = m_bindings.try_emplace(prefix, value);
        if (inserted) {
            m_log.push_back({prefix, false, {}});
        } else {
            m_log.push_back({prefix, true, it->second});
            it->second = value;
        }
    }

    const std::string_view* lookup(std::string_view prefix) const {
        auto it = m_bindings.find(prefix);
        return it == m_bindings.end() ? nullptr : &it->second;
    }

    // Starts the undo log of a new element.
    void open() { m_logStarts.push_back(m_log.size()); }

    // Undoes the bindings of the innermost element in reverse order; false without an open log.
    bool pop_namespace_scope() {
        if (m_logStarts.empty())
            return false;
        const std::size_t start = m_logStarts.back();
        m_logStarts.pop_back();
        while (m_log.size() > start) {
            const Undo& undo = m_log.back();
            if (undo.hadPrevious)
                m_bindings[undo.key] = undo.previous;
            else
                m_bindings.erase(undo.key);
            m_log.pop_back();
        }
        return true;
    }

private:
    struct Undo {
        std::string_view key;
        bool hadPrevious;
        std::string_view previous;
    };
    std::unordered_map<std::string_view, std::string_view, Fnv1aHash> m_bindings;
    std::vector<Undo> m_log;
    std::vector<std::size_t> m_logStarts;
};

}  // namespace

bool has_unsupported_xml_encoding(std::string_view text) {
    static constexpr std::initializer_list<unsigned char> kSignatures[] = {
        {0x00, 0x00, 0xFE, 0xFF},
        {0xFF, 0xFE, 0x00, 0x00},
        {0xFE, 0xFF},
        {0xFF, 0xFE},
        {0x00, 0x00, 0x00, 0x3C},
        {0x3C, 0x00, 0x00, 0x00},
        {0x00, 0x3C, 0x00, 0x3F},
        {0x3C, 0x00, 0x3F, 0x00},
        {0x4C, 0x6F, 0xA7, 0x94},
    };
    for (const auto& signature : kSignatures) {
        if (startsWithBytes(text, signature))
            return true;
    }
    const std::optional<std::string> declared = read_xml_declaration_encoding(text);
    if (!declared)
        return false;
    return !equalsIgnoreAsciiCase(*declared, "utf-8");
}

std::optional<std::string> read_xml_declaration_encoding(std::string_view text) {
    text = skipBom(text);
    if (text.size() <= 6 || !text.starts_with("<?xml"))
        return std::nullopt;
    const std::size_t end = text.find("?>", 5);
    if (end == std::string_view::npos || end == 5)
        return std::nullopt;
    const std::string_view body = text.substr(5, end - 5);
    std::size_t pos = 0;
    for (;;) {
        pos = skipSpaces(body, pos);
        const std::size_t nameStart = pos;
        while (pos < body.size() && isAsciiNameByte(body[pos]))
            ++pos;
        if (pos == nameStart)
            return std::nullopt;
        const std::string_view name = body.substr(nameStart, pos - nameStart);
        pos = skipSpaces(body, pos);
        if (pos >= body.size() || body[pos] != '=')
            return std::nullopt;
        pos = skipSpaces(body, pos + 1);
        if (pos >= body.size() || (body[pos] != '"' && body[pos] != '\''))
            return std::nullopt;
        const std::size_t close = body.find(body[pos], pos + 1);
        if (close == std::string_view::npos)
            return std::nullopt;
        if (name == "encoding")
            return std::string(body.substr(pos + 1, close - pos - 1));
        pos = close + 1;
    }
}

bool has_doctype(std::string_view text) {
    std::size_t pos = 0;
    while ((pos = text.find('<', pos)) != std::string_view::npos) {
        const std::string_view rest = text.substr(pos);
        std::size_t next = pos + 1;
        if (rest.starts_with("<!--")) {
            next = skipPast(text, pos + 4, "-->");
        } else if (rest.starts_with("<![CDATA[")) {
            next = skipPast(text, pos + 9, "]]>");
        } else if (rest.starts_with("<?")) {
            next = skipPast(text, pos + 2, "?>");
        } else if (rest.starts_with("<!DOCTYPE")) {
            return true;
        }
        if (next == std::string_view::npos)
            return false;
        pos = next;
    }
    return false;
}

int classify_xml_name(std::string_view name) {
    if (name.empty())
        return 2;
    bool nonAscii = false;
    std::size_t pos = 0;
    while (pos < name.size()) {
        const Utf8Char ch = decodeUtf8(name, pos);
        if (ch.length == 0)
            return 2;
        if (pos == 0 ? !isNameStartChar(ch.value) : !isNameChar(ch.value))
            return 2;
        nonAscii = nonAscii || ch.value >= 0x80;
        pos += ch.length;
    }
    return nonAscii ? 1 : 0;
}

std::optional<std::string_view> split_qualified_name(std::string_view name) {
    const std::size_t colon = name.find(':');
    if (colon == std::string_view::npos)
        return std::string_view{};
    if (colon == 0 || colon + 1 == name.size() || name.find(':', colon + 1) != std::string_view::npos)
        return std::nullopt;
    return name.substr(0, colon);
}

std::optional<std::size_t> find_byte_from(std::string_view view, char byte, std::size_t start) {
    if (start >= view.size())
        return std::nullopt;
    const std::size_t found = view.find(byte, start);
    if (found == std::string_view::npos)
        return std::nullopt;
    return found;
}

bool attribute_value_equals(std::string_view raw, std::string_view expected) {
    // Text without references decodes to itself: the common case, the namespace written out.
    if (raw == expected && expected.find('&') == std::string_view::npos)
        return true;
    std::size_t e = 0;
    std::size_t pos = 0;
    while (pos < raw.size()) {
        char decoded = raw[pos];
        if (decoded == '&') {
            const std::optional<std::size_t> semicolon = find_byte_from(raw, ';', pos + 1);
            if (!semicolon)
                return false;
            const std::string_view ref = raw.substr(pos + 1, *semicolon - pos - 1);
            if (ref == "amp") {
                decoded = '&';
            } else if (ref == "lt") {
                decoded = '<';
            } else if (ref == "gt") {
                decoded = '>';
            } else if (ref == "quot") {
                decoded = '"';
            } else if (ref == "apos") {
                decoded = '\'';
            } else if (ref.size() >= 2 && ref[0] == '#') {
                const bool hex = ref[1] == 'x' || ref[1] == 'X';
                const std::string_view digits = ref.substr(hex ? 2 : 1);
                if (digits.empty())
                    return false;
                unsigned value = 0;
                for (char d : digits) {
                    unsigned digit;
                    if (d >= '0' && d <= '9')
                        digit = static_cast<unsigned>(d - '0');
                    else if (hex && d >= 'a' && d <= 'f')
                        digit = static_cast<unsigned>(d - 'a' + 10);
                    else if (hex && d >= 'A' && d <= 'F')
                        digit = static_cast<unsigned>(d - 'A' + 10);
                    else
                        return false;
                    value = value * (hex ? 16u : 10u) + digit;
                    if (value > 127)
                        return false;
                }
                decoded = static_cast<char>(value);
            } else {
                return false;
            }
            pos = *semicolon + 1;
        } else {
            ++pos;
        }
        if (e >= expected.size() || expected[e] != decoded)
            return false;
        ++e;
    }
    return e == expected.size();
}

bool tokenize_start_tag(std::string_view text, std::size_t position, XmlStartTag& tag) {
    // Keeps the attribute vector's capacity: the scan tokenizes every start tag into one record.
    tag.name = {};
    tag.attributes.clear();
    tag.selfClosing = false;
    tag.closePosition = 0;
    const auto isNameEnd = [](char c) { return isXmlWhitespace(c) || c == '/' || c == '>'; };
    std::size_t pos = skipSpaces(text, position + 1);
    const std::size_t nameStart = pos;
    while (pos < text.size() && !isNameEnd(text[pos]))
        ++pos;
    if (pos == nameStart || pos >= text.size())
        return false;
    tag.name = text.substr(nameStart, pos - nameStart);
    for (;;) {
        pos = skipSpaces(text, pos);
        if (pos >= text.size())
            return false;
        if (text[pos] == '>') {
            tag.closePosition = pos;
            return true;
        }
        if (text[pos] == '/') {
            pos = skipSpaces(text, pos + 1);
            if (pos >= text.size() || text[pos] != '>')
                return false;
            tag.selfClosing = true;
            tag.closePosition = pos;
            return true;
        }
        const std::size_t attrStart = pos;
        while (pos < text.size() && !isNameEnd(text[pos]) && text[pos] != '=')
            ++pos;
        if (pos == attrStart)
            return false;
        const std::string_view attrName = text.substr(attrStart, pos - attrStart);
        pos = skipSpaces(text, pos);
        if (pos >= text.size() || text[pos] != '=')
            return false;
        pos = skipSpaces(text, pos + 1);
        if (pos >= text.size() || (text[pos] != '"' && text[pos] != '\''))
            return false;
        const std::size_t close = text.find(text[pos], pos + 1);
        if (close == std::string_view::npos)
            return false;
        tag.attributes.emplace_back(attrName, text.substr(pos + 1, close - pos - 1));
        pos = close + 1;
    }
}

int scan_xml_namespaces(std::string_view text) {
    NamespaceScope scope;
    std::vector<std::string_view> openElements;
    bool pending = false;
    XmlStartTag tag;
    std::size_t pos = 0;

    const auto nameVerdict = [](std::string_view name) {
        switch (classify_xml_name(name)) {
        case 2:
            return int{kNamespacesInvalid};
        case 1:
            return int{kNamespacesUnsupportedName};
        default:
            return int{kNamespacesAcceptable};
        }
    };

    for (;;) {
        pos = text.find('<', pos);
        if (pos == std::string_view::npos)
            return pending ? kNamespacesUnsupported : kNamespacesAcceptable;
        const std::string_view rest = text.substr(pos);

        std::size_t next = std::string_view::npos;
        bool skipped = true;
        if (rest.starts_with("<!--"))
            next = skipPast(text, pos + 4, "-->");
        else if (rest.starts_with("<![CDATA["))
            next = skipPast(text, pos + 9, "]]>");
        else if (rest.starts_with("<?"))
            next = skipPast(text, pos + 2, "?>");
        else if (rest.starts_with("<!"))
            next = skipPast(text, pos + 2, ">");
        else
            skipped = false;
        if (skipped) {
            if (next == std::string_view::npos)
                return kNamespacesAcceptable;
            pos = next;
            continue;
        }

        if (rest.starts_with("</")) {
            std::size_t nameEnd = skipSpaces(text, pos + 2);
            const std::size_t nameStart = nameEnd;
            while (nameEnd < text.size() && !isXmlWhitespace(text[nameEnd]) && text[nameEnd] != '>')
                ++nameEnd;
            const std::string_view name = text.substr(nameStart, nameEnd - nameStart);
            if (const int verdict = nameVerdict(name); verdict != kNamespacesAcceptable)
                return verdict;
            if (!split_qualified_name(name))
                return kNamespacesInvalid;
            if (openElements.empty() || openElements.back() != name)
                return kNamespacesInvalid;
            const std::optional<std::size_t> close = find_byte_from(text, '>', nameEnd);
            if (!close)
                return kNamespacesAcceptable;
            openElements.pop_back();
            if (!scope.pop_namespace_scope())
                return kNamespacesInvalid;
            pos = *close + 1;
            continue;
        }

        if (!tokenize_start_tag(text, pos, tag))
            return kNamespacesAcceptable;
        if (const int verdict = nameVerdict(tag.name); verdict != kNamespacesAcceptable)
            return verdict;
        for (const auto& [name, value] : tag.attributes) {
            if (const int verdict = nameVerdict(name); verdict != kNamespacesAcceptable)
                return verdict;
        }

        scope.open();
        for (const auto& [name, value] : tag.attributes) {
            if (name == "xmlns") {
                scope.bind_namespace_prefix({}, value);
                continue;
            }
            if (!name.starts_with("xmlns:"))
                continue;
            const std::string_view prefix = name.substr(6);
            if (prefix.empty() || prefix.find(':') != std::string_view::npos || prefix == "xmlns")
                return kNamespacesInvalid;
            if (prefix == "xml") {
                if (!attribute_value_equals(value, kXmlNamespace))
                    pending = true;
            } else {
                if (value.empty())
                    return kNamespacesInvalid;
                if (prefix == "xlink" && !attribute_value_equals(value, kXlinkNamespace))
                    pending = true;
            }
            scope.bind_namespace_prefix(prefix, value);
        }

        const std::optional<std::string_view> elementPrefix = split_qualified_name(tag.name);
        if (!elementPrefix)
            return kNamespacesInvalid;
        if (!elementPrefix->empty()) {
            const std::string_view* bound = scope.lookup(*elementPrefix);
            if (!bound)
                return kNamespacesInvalid;
            if (!attribute_value_equals(*bound, kSvgNamespace))
                pending = true;
        } else if (const std::string_view* bound = scope.lookup({})) {
            if (!attribute_value_equals(*bound, kSvgNamespace))
                pending = true;
        }

        for (const auto& [name, value] : tag.attributes) {
            if (name == "xmlns" || name.starts_with("xmlns:"))
                continue;
            const std::optional<std::string_view> prefix = split_qualified_name(name);
            if (!prefix)
                return kNamespacesInvalid;
            if (prefix->empty())
                continue;
            const std::string_view* bound = scope.lookup(*prefix);
            if (!bound)
                return kNamespacesInvalid;
            const bool isXlink = attribute_value_equals(*bound, kXlinkNamespace);
            if (*prefix == "xlink" ? !isXlink : isXlink)
                pending = true;
        }

        if (tag.selfClosing)
            scope.pop_namespace_scope();
        else
            openElements.push_back(tag.name);
        pos = tag.closePosition + 1;
    }
}

}  // namespace pavrix_svg
