#include <clocale>
#include <cmath>
#include <string>

#include <gtest/gtest.h>

#include "svg/dom/element_id.h"
#include "svg/lexical/number_readers.h"
#include "svg/dom/property_id.h"
#include "svg/dom/svg_property.h"

namespace pavrix_svg {
namespace {

struct NumberCase {
    const char* text;
    bool ok;
    float value;
    const char* rest;
};

TEST(ReadNumber, Grammar) {
    const NumberCase cases[] = {
        {"1e5", true, 100000.0f, ""},
        {"2em", true, 2.0f, "em"},
        {"3ex", true, 3.0f, "ex"},
        {"1e", true, 1.0f, "e"},
        {".5", true, 0.5f, ""},
        {"-.5x", true, -0.5f, "x"},
        {"+7", true, 7.0f, ""},
        {"1.5.5", true, 1.5f, ".5"},
        {"1E-2", true, 0.01f, ""},
        {"4e+1px", true, 40.0f, "px"},
        {".", false, 0.0f, "."},
        {"1.e3", false, 0.0f, "1.e3"},
        {"1e+", false, 0.0f, "1e+"},
        {"+-1", false, 0.0f, "+-1"},
        {"", false, 0.0f, ""},
        {" 1", false, 0.0f, " 1"},
        {"3.4028235e38", true, 3.4028235e38f, ""},
        {"3.5e38", false, 0.0f, "3.5e38"},
        {"-1e39", false, 0.0f, "-1e39"},
        {"1e-60", true, 0.0f, ""},
        {"1e999999999999", false, 0.0f, "1e999999999999"},
    };
    for (const NumberCase& c : cases) {
        std::string_view text = c.text;
        float value = -123.0f;
        EXPECT_EQ(readNumber(text, value), c.ok) << c.text;
        EXPECT_EQ(text, c.rest) << c.text;
        if (c.ok) {
            EXPECT_FLOAT_EQ(value, c.value) << c.text;
        }
    }
}

TEST(ReadNumber, LongDigitRunsStayInRange) {
    // Long runs overflow float accumulators; the number itself is still representable.
    const std::string fraction = "0." + std::string(60, '1');
    std::string_view text = fraction;
    float value = 0.0f;
    ASSERT_TRUE(readNumber(text, value));
    EXPECT_NEAR(value, 0.11111111f, 1e-7f);
    EXPECT_TRUE(text.empty());

    const std::string integer = "1" + std::string(45, '0') + "e-30";
    text = integer;
    ASSERT_TRUE(readNumber(text, value));
    EXPECT_FLOAT_EQ(value, 1e15f);

    const std::string tooLarge = "1" + std::string(45, '0');
    text = tooLarge;
    EXPECT_FALSE(readNumber(text, value));
}

TEST(ReadNumber, IgnoresProcessLocale) {
    const char* previous = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = previous != nullptr ? previous : "C";
    if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8") == nullptr && std::setlocale(LC_NUMERIC, "fr_FR.UTF-8") == nullptr)
        GTEST_SKIP() << "no locale with a comma decimal separator installed";
    std::string_view text = "1.25";
    float value = 0.0f;
    double exact = 0.0;
    const bool floatOk = readNumber(text, value);
    text = "1.25";
    const bool exactOk = parseNumberExact(text, exact);
    std::setlocale(LC_NUMERIC, saved.c_str());
    EXPECT_TRUE(floatOk);
    EXPECT_TRUE(exactOk);
    EXPECT_EQ(value, 1.25f);
    EXPECT_EQ(exact, 1.25);
}

TEST(ParseNumberExact, DoubleAccumulationAndRange) {
    struct Case {
        const char* text;
        bool ok;
        double value;
    };
    const std::string longInteger = "1" + std::string(400, '0') + "e-390";
    const std::string longFraction = "0." + std::string(400, '5');
    const Case cases[] = {
        {"0.1", true, 0.1},
        {"+2.5e3", true, 2500.0},
        {"123456789.123456789", true, 123456789.123456789},
        {"1.7976931348623157e308", true, 1.7976931348623157e308},
        // The digits accumulate in double and the power of ten scales them afterwards, which
        // is not always the nearest double of the text (1.1e-5 is one ulp below).
        {"1.1e-5", true, (1.0 + 1.0 / 10.0) * 1e-5},
        {"-3.25e-2", true, -(3.0 + 25.0 / 100.0) * 1e-2},
        {"1e309", false, 0.0},
        {"-1e309", false, 0.0},
        {"1e-400", true, 0.0},
        {"0e400", false, 0.0},  // 0 times an overflowed power
        {"1.", false, 0.0},
        {"2em", true, 2.0},
        // Digit runs that overflow the accumulators read as their nearest value.
        {longInteger.c_str(), true, 1e10},
        {longFraction.c_str(), true, 5.0 / 9.0},
    };
    for (const Case& c : cases) {
        std::string_view text = c.text;
        double value = -1.0;
        EXPECT_EQ(parseNumberExact(text, value), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(value, c.value) << c.text;
        } else {
            EXPECT_EQ(value, -1.0) << c.text;
        }
    }
}

TEST(ParseLength, UnitsAndFailures) {
    struct Case {
        const char* text;
        LengthNegativeMode mode;
        bool ok;
        float value;
        LengthUnit unit;
    };
    const auto allow = LengthNegativeMode::Allow;
    const auto forbid = LengthNegativeMode::Forbid;
    const Case cases[] = {
        {"10", allow, true, 10.0f, LengthUnit::None},
        {" 10% ", allow, true, 10.0f, LengthUnit::Percent},
        {"10 %", allow, false, 0, LengthUnit::None},
        {"1PX", allow, false, 0, LengthUnit::None},
        {"3px", allow, true, 3.0f, LengthUnit::Absolute},
        {"1in", allow, true, 96.0f, LengthUnit::Absolute},
        {"2.54cm", allow, true, 96.0f, LengthUnit::Absolute},
        {"25.4mm", allow, true, 96.0f, LengthUnit::Absolute},
        {"72pt", allow, true, 96.0f, LengthUnit::Absolute},
        {"6pc", allow, true, 96.0f, LengthUnit::Absolute},
        {"2em", allow, true, 2.0f, LengthUnit::Em},
        {"2ex", allow, true, 2.0f, LengthUnit::Ex},
        {"1e", allow, false, 0, LengthUnit::None},
        {"1e5", allow, true, 100000.0f, LengthUnit::None},
        {"-1", allow, true, -1.0f, LengthUnit::None},
        {"-1", forbid, false, 0, LengthUnit::None},
        {"0", forbid, true, 0.0f, LengthUnit::None},
        {"5pxx", allow, false, 0, LengthUnit::None},
        {"", allow, false, 0, LengthUnit::None},
        {"1e38in", allow, false, 0, LengthUnit::None},
    };
    for (const Case& c : cases) {
        float value = -7.0f;
        LengthUnit unit = LengthUnit::Ex;
        EXPECT_EQ(parseLength(c.text, value, unit, c.mode), c.ok) << c.text;
        if (c.ok) {
            EXPECT_FLOAT_EQ(value, c.value) << c.text;
            EXPECT_EQ(unit, c.unit) << c.text;
        }
    }
}

TEST(SVGRectParse, ViewBoxSyntax) {
    struct Case {
        const char* text;
        bool ok;
    };
    const Case cases[] = {
        {"0 0 10 20", true},
        {" 0,0,10,20 ", true},
        {"0 , 0 ,10\t20", true},
        {"0 0 0 0", true},
        {"0 0 10", false},
        {"0 0 -1 10", false},
        {"0 0 10 -1", false},
        {"0 0 10 10 5", false},
        {"0 0 10,,10", false},
        {"0 0 10-10", false},
        {"", false},
    };
    for (const Case& c : cases) {
        SVGRect rect(PropertyID::ViewBox, Rect(0, 0, -1, -1));
        EXPECT_EQ(rect.parse(c.text), c.ok) << c.text;
        if (!c.ok) {
            EXPECT_EQ(rect.value().w, -1.0f) << "value kept on failure: " << c.text;
        }
    }
    SVGRect rect(PropertyID::ViewBox, Rect(0, 0, -1, -1));
    ASSERT_TRUE(rect.parse("1 2 3 4"));
    EXPECT_EQ(rect.value().x, 1.0f);
    EXPECT_EQ(rect.value().h, 4.0f);
}

TEST(SVGPreserveAspectRatioParse, AlignAndSlice) {
    using Align = SVGPreserveAspectRatio::AlignType;
    using Slice = SVGPreserveAspectRatio::MeetOrSlice;
    struct Case {
        const char* text;
        bool ok;
        Align align;
        Slice slice;
    };
    const Case cases[] = {
        {"xMidYMid slice", true, Align::xMidYMid, Slice::Slice},
        {" xMaxYMin meet ", true, Align::xMaxYMin, Slice::Meet},
        {"xMinYMax", true, Align::xMinYMax, Slice::Meet},
        {"none slice", true, Align::None, Slice::Meet},
        {"xmidymid", false, Align::xMidYMid, Slice::Meet},
        {"xMinYMin foo", false, Align::xMidYMid, Slice::Meet},
        {"", false, Align::xMidYMid, Slice::Meet},
    };
    for (const Case& c : cases) {
        SVGPreserveAspectRatio ratio(PropertyID::PreserveAspectRatio);
        EXPECT_EQ(ratio.parse(c.text), c.ok) << c.text;
        EXPECT_EQ(ratio.alignType(), c.align) << c.text;
        EXPECT_EQ(ratio.meetOrSlice(), c.slice) << c.text;
    }
}

TEST(SVGPointListParse, PairsAndSeparators) {
    struct Case {
        const char* text;
        bool ok;
        std::size_t count;
    };
    // The list is emptied first; a failure leaves the pairs read before it.
    const Case cases[] = {
        {"", true, 0},        {"   ", true, 0},    {"1 2", true, 1},     {"1,2 3,4", true, 2},
        {"1,2-3,4", true, 2}, {"1 2 3", false, 1}, {"1-2", false, 0},    {"1", false, 0},
        {"1 2,", true, 1},    {"1 2 x", false, 1}, {" 1 , 2 ", true, 1}, {"1 2 3 4 5-6", false, 2},
    };
    for (const Case& c : cases) {
        SVGPointList list(PropertyID::Points);
        ASSERT_TRUE(list.parse("9 9 9 9 9 9"));
        EXPECT_EQ(list.parse(c.text), c.ok) << c.text;
        EXPECT_EQ(list.values().size(), c.count) << c.text;
    }
}

TEST(SVGListParse, LengthAndNumberLists) {
    SVGLengthList lengths(PropertyID::X, LengthDirection::Horizontal, LengthNegativeMode::Allow);
    ASSERT_TRUE(lengths.parse("1,2% 3em"));
    ASSERT_EQ(lengths.values().size(), 3u);
    EXPECT_EQ(lengths.values()[1], Length(2.0f, LengthUnit::Percent));
    ASSERT_TRUE(lengths.parse(" 1 2"));
    EXPECT_TRUE(lengths.values().empty());  // a leading separator ends the list at once
    EXPECT_FALSE(lengths.parse("1 2,x 3"));
    ASSERT_EQ(lengths.values().size(), 2u);  // emptied first, then filled up to the bad token
    EXPECT_EQ(lengths.values()[1], Length(2.0f, LengthUnit::None));

    SVGNumberList numbers(PropertyID::Rotate);
    ASSERT_TRUE(numbers.parse("1-2.5.5"));
    ASSERT_EQ(numbers.values().size(), 3u);
    EXPECT_FLOAT_EQ(numbers.values()[1], -2.5f);
    EXPECT_FLOAT_EQ(numbers.values()[2], 0.5f);
    EXPECT_FALSE(numbers.parse("1 , , 2"));
    EXPECT_EQ(numbers.values().size(), 3u);  // kept on failure
    ASSERT_TRUE(numbers.parse(""));
    EXPECT_TRUE(numbers.values().empty());
}

TEST(SVGScalarParse, PercentageAngleEnumerationString) {
    SVGNumberPercentage offset(PropertyID::Offset, 0.0f);
    ASSERT_TRUE(offset.parse("150%"));
    EXPECT_EQ(offset.value(), 1.0f);
    ASSERT_TRUE(offset.parse("-3"));
    EXPECT_EQ(offset.value(), 0.0f);
    ASSERT_TRUE(offset.parse(" 50% "));
    EXPECT_EQ(offset.value(), 0.5f);
    EXPECT_FALSE(offset.parse("50 %"));

    SVGAngle angle(PropertyID::Orient);
    ASSERT_TRUE(angle.parse("100grad"));
    EXPECT_FLOAT_EQ(angle.value(), 90.0f);
    ASSERT_TRUE(angle.parse("1turn"));
    EXPECT_FLOAT_EQ(angle.value(), 360.0f);
    ASSERT_TRUE(angle.parse("1rad"));
    EXPECT_FLOAT_EQ(angle.value(), 57.295776f);
    EXPECT_FALSE(angle.parse("90 deg"));
    // Conversions that leave the float range fail and keep the angle.
    EXPECT_FALSE(angle.parse("1e37turn"));
    EXPECT_FALSE(angle.parse("-1e37rad"));
    EXPECT_FLOAT_EQ(angle.value(), 57.295776f);
    ASSERT_TRUE(angle.parse("1e36grad"));
    EXPECT_FLOAT_EQ(angle.value(), 9e35f);
    ASSERT_TRUE(angle.parse("auto-start-reverse"));
    EXPECT_EQ(angle.orientType(), OrientType::AutoStartReverse);

    SVGEnumeration<Units> units(PropertyID::ClipPathUnits, Units::UserSpaceOnUse);
    ASSERT_TRUE(units.parse(" objectBoundingBox "));
    EXPECT_EQ(units.value(), Units::ObjectBoundingBox);
    EXPECT_FALSE(units.parse("ObjectBoundingBox"));
    EXPECT_EQ(units.value(), Units::ObjectBoundingBox);

    SVGString text(PropertyID::Href);
    ASSERT_TRUE(text.parse("\t #a \n"));
    EXPECT_EQ(text.value(), "#a");
}

TEST(NameTables, ElementAndPropertyIds) {
    EXPECT_EQ(elementIdFromName("a"), ElementID::G);
    EXPECT_EQ(elementIdFromName("g"), ElementID::G);
    EXPECT_EQ(elementIdFromName("use"), ElementID::Use);
    EXPECT_EQ(elementIdFromName("clipPath"), ElementID::ClipPath);
    EXPECT_EQ(elementIdFromName("A"), ElementID::Unknown);
    EXPECT_EQ(elementIdFromName("SVG"), ElementID::Unknown);
    EXPECT_EQ(elementIdFromName("clippath"), ElementID::Unknown);
    EXPECT_EQ(elementIdFromName(""), ElementID::Unknown);

    EXPECT_EQ(propertyIdFromName("xlink:href"), PropertyID::Href);
    EXPECT_EQ(propertyIdFromName("href"), PropertyID::Href);
    EXPECT_EQ(propertyIdFromName("xml:space"), PropertyID::WhiteSpace);
    EXPECT_EQ(propertyIdFromName("stroke-width"), PropertyID::StrokeWidth);
    EXPECT_EQ(propertyIdFromName("y2"), PropertyID::Y2);
    EXPECT_EQ(propertyIdFromName("Fill"), PropertyID::Unknown);
    EXPECT_EQ(isCssPropertyName("fill"), PropertyID::Fill);
    EXPECT_EQ(isCssPropertyName("white-space"), PropertyID::WhiteSpace);
    EXPECT_EQ(isCssPropertyName("x"), PropertyID::Unknown);
    EXPECT_EQ(isCssPropertyName("xml:space"), PropertyID::Unknown);
    EXPECT_EQ(static_cast<int>(propertyIdFromName("alignment-baseline")), 1);
    EXPECT_EQ(static_cast<int>(propertyIdFromName("transform")), 73);
}

}  // namespace
}  // namespace pavrix_svg
