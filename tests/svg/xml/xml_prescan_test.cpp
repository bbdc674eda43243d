#include "svg/xml/xml_prescan.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace pavrix_svg;
using namespace std::string_literals;

// One row of a string-to-verdict check; `check` is filled in per table by rows().
struct Case {
    const char* label;
    std::string text;
    int expected;
    int (*check)(std::string_view) = nullptr;
    friend std::ostream& operator<<(std::ostream& os, const Case& c) { return os << c.label; }
};

template <auto Fn, class... Rows>
std::vector<Case> rows(Rows... rows) {
    std::vector<Case> cases{rows...};
    for (Case& c : cases)
        c.check = [](std::string_view text) { return static_cast<int>(Fn(text)); };
    return cases;
}

class VerdictTest : public testing::TestWithParam<Case> {};

TEST_P(VerdictTest, Verdict) {
    EXPECT_EQ(GetParam().check(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Encoding, VerdictTest,
    testing::ValuesIn(rows<has_unsupported_xml_encoding>(
        Case{"utf32be_mark", "\x00\x00\xFE\xFF<svg/>"s, true}, Case{"utf32le_mark", "\xFF\xFE\x00\x00"s, true},
        Case{"utf16be_mark", "\xFE\xFF<svg/>"s, true}, Case{"utf16le_mark_then_utf8", "\xFF\xFE<svg/>"s, true},
        Case{"utf32be_lt", "\x00\x00\x00\x3C"s, true}, Case{"utf32le_lt", "\x3C\x00\x00\x00"s, true},
        Case{"utf16be_pi", "\x00\x3C\x00\x3F"s, true}, Case{"utf16le_pi", "\x3C\x00\x3F\x00"s, true},
        Case{"ebcdic", "\x4C\x6F\xA7\x94"s, true}, Case{"short_signature_prefix", "\x00\x00"s, false},
        Case{"plain", "<svg/>", false}, Case{"empty", "", false}, Case{"utf8_bom", "\xEF\xBB\xBF<svg/>", false},
        Case{"no_encoding", "<?xml version=\"1.0\"?><svg/>", false},
        Case{"utf8_lower", "<?xml version=\"1.0\" encoding=\"utf-8\"?><svg/>", false},
        Case{"utf8_upper", "<?xml version=\"1.0\" encoding='UTF-8'?><svg/>", false},
        Case{"utf8_after_bom", "\xEF\xBB\xBF<?xml version='1.0' encoding='Utf-8'?>", false},
        Case{"utf8_without_hyphen", "<?xml version=\"1.0\" encoding=\"utf8\"?>", true},
        Case{"trailing_space", "<?xml version=\"1.0\" encoding=\"utf-8 \"?>", true},
        Case{"latin1", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>", true},
        Case{"no_separator_needed", "<?xml version=\"1.0\"encoding=\"ascii\"?>", true},
        Case{"declaration_not_first", " <?xml version=\"1.0\" encoding=\"ascii\"?>", false},
        Case{"unterminated", "<?xml version=\"1.0\" encoding=\"ascii\"", false},
        Case{"broken_pseudo_attribute", "<?xml version encoding=\"ascii\"?>", false})));

TEST(ReadXmlDeclarationEncoding, ReturnsRawValue) {
    EXPECT_EQ(read_xml_declaration_encoding("<?xml version='1.0' encoding = 'a&amp;b' ?>"), "a&amp;b");
    EXPECT_EQ(read_xml_declaration_encoding("<?xml encoding=\"\"?>"), "");
    EXPECT_EQ(read_xml_declaration_encoding("<?xml?>"), std::nullopt);
    EXPECT_EQ(read_xml_declaration_encoding("<?xml ?>"), std::nullopt);
    EXPECT_EQ(read_xml_declaration_encoding("<?xml encoding='x"), std::nullopt);
    EXPECT_EQ(read_xml_declaration_encoding("<?xml a='1' b=\"2\"?>"), std::nullopt);
}

INSTANTIATE_TEST_SUITE_P(
    Doctype, VerdictTest,
    testing::ValuesIn(rows<has_doctype>(
        Case{"plain", "<!DOCTYPE svg><svg/>", true}, Case{"inside_element", "<svg><!DOCTYPE x></svg>", true},
        Case{"in_comment", "<!-- <!DOCTYPE svg> --><svg/>", false},
        Case{"after_comment", "<!-- x --><!DOCTYPE svg>", true},
        Case{"in_cdata", "<svg><![CDATA[<!DOCTYPE svg>]]></svg>", false},
        Case{"in_pi", "<?pi <!DOCTYPE svg> ?><svg/>", false}, Case{"lower_case", "<!doctype svg><svg/>", false},
        Case{"unterminated_comment", "<!-- <svg/><!DOCTYPE svg>", false}, Case{"none", "<svg/>", false})));

INSTANTIATE_TEST_SUITE_P(
    NamespaceScan, VerdictTest,
    testing::ValuesIn(rows<scan_xml_namespaces>(
        Case{"plain", "<svg xmlns=\"http://www.w3.org/2000/svg\"><rect/></svg>", 0},
        Case{"no_namespace", "<svg><g></g></svg>", 0},
        Case{"prefixed_rect_bound_to_svg", "<svg xmlns:s=\"http://www.w3.org/2000/svg\"><s:rect/></svg>", 0},
        Case{"prefixed_rect_unbound", "<svg><s:rect/></svg>", 1},
        Case{"empty_default_namespace", "<svg><g xmlns=\"\"><rect/></g></svg>", 2},
        Case{"foreign_default", "<svg xmlns=\"http://example.com/\"/>", 2},
        Case{"default_with_reference", "<svg xmlns=\"http://www.w3.org/2000/sv&#103;\"/>", 0},
        Case{"default_with_hex_reference", "<svg xmlns=\"http://www.w3.org/2000/sv&#X67;\"/>", 0},
        Case{"xlink_with_reference",
             "<svg xmlns:xlink=\"http://www.w3.org/1999/xlin&#107;\"><use xlink:href=\"#a\"/></svg>", 0},
        Case{"prefix_with_reference_to_svg", "<svg xmlns:s=\"http&#58;//www.w3.org/2000/svg\"><s:g/></svg>", 0},
        Case{"xlink_other_namespace", "<svg xmlns:xlink=\"http://example.com/\"/>", 2},
        Case{"href_under_other_prefix_bound_to_xlink",
             "<svg xmlns:l=\"http://www.w3.org/1999/xlink\"><use l:href=\"#a\"/></svg>", 2},
        Case{"xlink_href_unbound", "<svg><use xlink:href=\"#a\"/></svg>", 1},
        Case{"xml_prefix_predeclared", "<svg xml:space=\"preserve\"/>", 0},
        Case{"xml_prefix_rebound", "<svg xmlns:xml=\"http://example.com/\"/>", 2},
        Case{"xmlns_prefix_declared", "<svg xmlns:xmlns=\"http://example.com/\"/>", 1},
        Case{"empty_prefix_declared", "<svg xmlns:=\"http://example.com/\"/>", 1},
        Case{"empty_prefix_value", "<svg xmlns:a=\"\"/>", 1}, Case{"end_tag_mismatch", "<svg></g></svg>", 1},
        Case{"end_tag_without_open", "</svg>", 1}, Case{"end_tag_unterminated", "<svg></svg", 0},
        Case{"accented_name", "<svg><\xC3\xA9/></svg>", 3}, Case{"accented_attribute", "<svg \xC3\xA9=\"1\"/>", 3},
        Case{"digit_start", "<svg><1a/></svg>", 1}, Case{"invalid_utf8_name", "<svg><a\xC3/></svg>", 1},
        Case{"double_colon", "<svg><a:b:c/></svg>", 1}, Case{"attribute_colon_first", "<svg :a=\"1\"/>", 1},
        Case{"unterminated_comment", "<svg><!-- </g>", 0}, Case{"unterminated_markup_decl", "<svg><!ELEMENT", 0},
        Case{"untokenizable_tag", "<svg a=1></g>", 0}, Case{"pending_then_invalid", "<svg xmlns=\"x\"></g>", 1},
        Case{"binding_scoped_to_element", "<svg><g xmlns:s=\"http://www.w3.org/2000/svg\"></g><s:rect/></svg>", 1},
        Case{"self_closing_binding_undone", "<svg><g xmlns:s=\"http://www.w3.org/2000/svg\"/><s:rect/></svg>", 1},
        Case{"rebinding_restored", "<svg xmlns=\"http://www.w3.org/2000/svg\"><g xmlns=\"http://x/\"></g><rect/></svg>",
             2},
        Case{"inner_rebinding_restored", "<svg xmlns=\"http://x/\"><g xmlns=\"http://www.w3.org/2000/svg\"></g></svg>",
             2},
        Case{"foreign_after_restore_not_pending",
             "<svg xmlns=\"http://www.w3.org/2000/svg\"><g xmlns:f=\"http://x/\"></g></svg>", 0},
        Case{"name_check_before_namespaces", "<svg xmlns=\"http://x/\" \xC3\xA9=\"1\"/>", 3},
        Case{"element_name_before_attribute_name", "<1a \xC3\xA9=\"1\"/>", 1})));

INSTANTIATE_TEST_SUITE_P(
    ClassifyName, VerdictTest,
    testing::ValuesIn(rows<classify_xml_name>(
        Case{"ascii", "rect", 0}, Case{"colon_underscore", ":_a-b.c9", 0}, Case{"empty", "", 2},
        Case{"digit_first", "9a", 2}, Case{"hyphen_first", "-a", 2}, Case{"middle_dot_later", "a\xC2\xB7", 1},
        Case{"middle_dot_first", "\xC2\xB7", 2}, Case{"accented", "\xC3\xA9", 1},
        Case{"combining_later", "a\xCC\x80", 1}, Case{"cjk", "\xE4\xB8\xAD", 1},
        Case{"supplementary", "\xF0\x90\x80\x80", 1}, Case{"beyond_name_range", "\xF3\xB0\x80\x80", 2},
        Case{"overlong", "\xC0\xA1", 2}, Case{"surrogate", "\xED\xA0\x80", 2}, Case{"above_max", "\xF4\x90\x80\x80", 2},
        Case{"truncated", "a\xE4\xB8", 2}, Case{"bad_continuation", "a\xC3(", 2}, Case{"times_sign", "\xC3\x97", 2})));

TEST(SplitQualifiedName, Forms) {
    EXPECT_EQ(split_qualified_name("rect"), std::string_view{});
    EXPECT_EQ(split_qualified_name("s:rect"), "s");
    EXPECT_EQ(split_qualified_name(":rect"), std::nullopt);
    EXPECT_EQ(split_qualified_name("s:"), std::nullopt);
    EXPECT_EQ(split_qualified_name("a:b:c"), std::nullopt);
}

TEST(AttributeValueEquals, DecodesReferences) {
    const struct {
        const char* raw;
        const char* expected;
        bool result;
    } cases[] = {{"abc", "abc", true},
                 {"abc", "abcd", false},
                 {"abcd", "abc", false},
                 {"a&amp;b", "a&b", true},
                 {"a&amp;b", "a&amp;b", false},  // equal bytes, but the reference decodes
                 {"&lt;&gt;&quot;&apos;", "<>\"'", true},
                 {"&#65;&#x42;&#X43;", "ABC", true},
                 {"&#127;", "\x7F", true},
                 {"&#128;", "\x80", false},
                 {"&#x;", "", false},
                 {"&#;", "", false},
                 {"&;", "", false},
                 {"&nbsp;", "?", false},
                 {"a&amp", "a&", false},
                 {"", "", true},
                 {"&#00000065;", "A", true},
                 {"&#99999999999999999999;", "", false}};
    for (const auto& c : cases)
        EXPECT_EQ(attribute_value_equals(c.raw, c.expected), c.result) << c.raw;
}

TEST(TokenizeStartTag, ReadsRawAttributes) {
    XmlStartTag tag;
    const std::string text = "x< g a = \"1&amp;\" b='>'c=\"\"/ >";
    ASSERT_TRUE(tokenize_start_tag(text, 1, tag));
    EXPECT_EQ(tag.name, "g");
    ASSERT_EQ(tag.attributes.size(), 3u);
    EXPECT_EQ(tag.attributes[0].first, "a");
    EXPECT_EQ(tag.attributes[0].second, "1&amp;");
    EXPECT_EQ(tag.attributes[1].second, ">");
    EXPECT_EQ(tag.attributes[2].first, "c");
    EXPECT_EQ(tag.attributes[2].second, "");
    EXPECT_TRUE(tag.selfClosing);
    EXPECT_EQ(tag.closePosition, text.size() - 1);
}

TEST(TokenizeStartTag, Failures) {
    XmlStartTag tag;
    for (const char* text : {"<>", "<g", "<g a>", "<g a=1>", "<g a='1>", "<g / x>", "<g =\"1\">", "<g a=\"1\""}) {
        EXPECT_FALSE(tokenize_start_tag(text, 0, tag)) << text;
    }
}

TEST(FindByteFrom, Positions) {
    EXPECT_EQ(find_byte_from("abcabc", 'c', 0), 2u);
    EXPECT_EQ(find_byte_from("abcabc", 'c', 3), 5u);
    EXPECT_EQ(find_byte_from("abc", 'x', 0), std::nullopt);
    EXPECT_EQ(find_byte_from("abc", 'a', 3), std::nullopt);
}

}  // namespace
