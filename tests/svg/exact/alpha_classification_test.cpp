#include "svg/exact/alpha_classification.h"
#include "svg/lexical/ascii.h"

#include <gtest/gtest.h>

#include <string>

namespace pavrix_svg {
namespace {

constexpr AlphaClass kNone{0, 0};
constexpr AlphaClass kZero{1, 0};
constexpr AlphaClass kPartial{0, 1};

struct LiteralCase {
    std::string text;
    bool partial;
};

class PartialAlphaLiteral : public ::testing::TestWithParam<LiteralCase> {};

TEST_P(PartialAlphaLiteral, ExactDecimalTest) {
    EXPECT_EQ(isPartialAlphaLiteral(GetParam().text), GetParam().partial) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Literals, PartialAlphaLiteral,
    ::testing::Values(LiteralCase{"0.999999999999999999999", true}, LiteralCase{"0.99999999999999999999e1", false},
                      LiteralCase{"99.5%", true}, LiteralCase{"100%", false}, LiteralCase{"1e-1000000000000", true},
                      LiteralCase{"0.5", true}, LiteralCase{" +.5 ", true}, LiteralCase{"50%", true},
                      LiteralCase{"1", false}, LiteralCase{"1.0e0", false}, LiteralCase{"10e-1", false},
                      LiteralCase{"0", false}, LiteralCase{"0.000", false}, LiteralCase{"-0.5", false},
                      LiteralCase{"1.0000000000000000000001", false}, LiteralCase{"0100e-3", true},
                      LiteralCase{"5e-1%", true}, LiteralCase{"100.0000001%", false},
                      LiteralCase{"99.9999999999%", true}, LiteralCase{"0.5x", false}, LiteralCase{"0.5 %", false},
                      LiteralCase{".", false}, LiteralCase{"e1", false}, LiteralCase{"0.5e", false},
                      LiteralCase{"", false}, LiteralCase{"%", false}, LiteralCase{"1e999999999999999999999", false},
                      LiteralCase{"0." + std::string(100000, '0') + "1", true}));

TEST(AlphaClasses, ClassifyAlphaNumber) {
    EXPECT_EQ(classifyAlphaNumber("0.5"), kPartial);
    EXPECT_EQ(classifyAlphaNumber("0"), kZero);
    EXPECT_EQ(classifyAlphaNumber("-3"), kZero);
    EXPECT_EQ(classifyAlphaNumber("0%"), kZero);
    EXPECT_EQ(classifyAlphaNumber("1"), kNone);
    EXPECT_EQ(classifyAlphaNumber("0px"), kNone);
    EXPECT_EQ(classifyAlphaNumber("abc"), kNone);
    // Far below the float range: the exact literal is partial although the float is 0.
    EXPECT_EQ(classifyAlphaNumber("1e-46"), kPartial);
}

TEST(AlphaClasses, ParseOpacityExact) {
    EXPECT_EQ(parseOpacityExact("0.25", false, 1.0), 0.25);
    EXPECT_EQ(parseOpacityExact(" 50 % ", true, 1.0), 0.5);
    EXPECT_EQ(parseOpacityExact("50%", false, 0.75), 0.75);
    EXPECT_EQ(parseOpacityExact("", true, 0.75), 0.75);
    EXPECT_EQ(parseOpacityExact("2", true, 0.5), 1.0);
    EXPECT_EQ(parseOpacityExact("-2", true, 0.5), 0.0);
    EXPECT_EQ(parseOpacityExact("inf", true, 0.5), 0.5);
    EXPECT_EQ(parseOpacityExact("0.5x", true, 0.5), 0.5);
    EXPECT_EQ(parseOpacityExact("0.1", true, 1.0), 0.1);
}

TEST(AlphaClasses, ParseColorAlpha) {
    EXPECT_EQ(parseColorAlpha("#ff000080", true, 1.0), 128.0 / 255.0);
    EXPECT_EQ(parseColorAlpha("#f008", true, 1.0), 8.0 / 15.0);
    EXPECT_EQ(parseColorAlpha("#ff0000", true, 0.3), 1.0);
    EXPECT_EQ(parseColorAlpha("rgba(0,0,0,50%)", true, 1.0), 0.5);
    EXPECT_EQ(parseColorAlpha("HSLA(0, 0%, 0%, 0.25)", true, 1.0), 0.25);
    EXPECT_EQ(parseColorAlpha("rgba(0 0 0 / 0.5)", true, 2.0), 1.0);  // the default, clamped
    EXPECT_EQ(parseColorAlpha("rgba(0,0,0,0.5)", false, 0.2), 1.0);
    EXPECT_EQ(parseColorAlpha("red", true, 0.4), 0.4);
}

TEST(AlphaClasses, ClassifyColorAlpha) {
    EXPECT_EQ(classifyColorAlpha("CurrentColor", kPartial), (ColorAlphaClass{kPartial, true}));
    EXPECT_EQ(classifyColorAlpha("rgba(0,0,0,0.5)", kNone), (ColorAlphaClass{kPartial, true}));
    EXPECT_EQ(classifyColorAlpha("rgba(0,0,0,0)", kNone), (ColorAlphaClass{kZero, true}));
    // White space after the comma does not hide a transparent alpha.
    EXPECT_EQ(classifyColorAlpha("rgba(0, 0, 0, 0)", kNone), (ColorAlphaClass{kZero, true}));
    EXPECT_EQ(classifyColorAlpha("hsla(0,0%,0%,1)", kNone), (ColorAlphaClass{kNone, true}));
    EXPECT_EQ(classifyColorAlpha("rgb(0,0,0)", kNone), (ColorAlphaClass{}));
    EXPECT_EQ(classifyColorAlpha("#00000080", kNone), (ColorAlphaClass{}));
    EXPECT_EQ(classifyColorAlpha("transparent", kNone), (ColorAlphaClass{}));
}

TEST(AlphaClasses, EqualsIgnoreAsciiCase) {
    EXPECT_TRUE(equalsIgnoreAsciiCase("RgBa", "rgba"));
    EXPECT_FALSE(equalsIgnoreAsciiCase("rgb", "rgba"));
    EXPECT_FALSE(equalsIgnoreAsciiCase("r[b", "r{b"));
}

}  // namespace
}  // namespace pavrix_svg
