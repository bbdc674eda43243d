#include "svg/css/css_comments.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace pavrix_svg {
namespace {

// Removal restarting from the start after every comment: the behaviour the one-pass version
// must reproduce byte for byte.
std::string stripByRescanning(std::string text) {
    for (;;) {
        const std::size_t open = text.find("/*");
        if (open == std::string::npos)
            return text;
        std::size_t close = std::string::npos;
        if (text.size() - (open + 2) >= 2)
            close = text.find("*/", open + 2);
        if (close == std::string::npos)
            text.erase(open);
        else
            text.erase(open, close + 2 - open);
    }
}

struct CommentCase {
    const char* input;
    const char* expected;
};

void PrintTo(const CommentCase& c, std::ostream* os) {
    *os << '"' << c.input << '"';
}

class CssCommentsTest : public ::testing::TestWithParam<CommentCase> {};

TEST_P(CssCommentsTest, StripsComments) {
    std::string text = GetParam().input;
    stripCssComments(text);
    EXPECT_EQ(text, GetParam().expected);
    EXPECT_EQ(stripByRescanning(GetParam().input), GetParam().expected);
}

// In the "//**/*" rows the slash left before a removed comment and a star after it open a new comment.
// clang-format off
const CommentCase kCases[] = {
    {"a/* x */b", "ab"}, {"/* x", ""}, {"a /* x", "a "}, {"/**/", ""}, {"/**/x", "x"}, {"/*/", ""}, {"/*/ a */b", "b"},
    {"a/*/b*/c", "ac"}, {"/*", ""}, {"/", "/"}, {"*/", "*/"}, {"a/*x*/*/b", "a*/b"}, {"/* a /* b */ c */", " c */"},
    {"'/* in quotes */'", "''"}, {"//**/*x*/y", "y"}, {"a//**/*", "a"}, {"rect { fill: red }", "rect { fill: red }"},
    {"", ""}};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Cases, CssCommentsTest, ::testing::ValuesIn(kCases));

TEST(CssCommentsProperty, MatchesRescanningOnRandomTexts) {
    std::mt19937 random(12345);
    const char alphabet[] = {'/', '*', 'a', ' '};
    for (int round = 0; round < 20000; ++round) {
        std::string text(random() % 14, ' ');
        for (char& c : text)
            c = alphabet[random() % 4];
        std::string stripped = text;
        stripCssComments(stripped);
        ASSERT_EQ(stripped, stripByRescanning(text)) << "input: " << text;
    }
}

TEST(CssCommentsProperty, ManyCommentsStayLinear) {
    // A sheet of 200,000 comments would take quadratic time with rescanning; one pass is instant.
    std::string text;
    for (int i = 0; i < 200000; ++i)
        text += "a/**/";
    stripCssComments(text);
    EXPECT_EQ(text, std::string(200000, 'a'));
}

}  // namespace
}  // namespace pavrix_svg
